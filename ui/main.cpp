// SPDX-License-Identifier: MIT
// spellbrowser: browses the wizard and priest spell lists.

#include "CSpellBrowserApp.h"

int main(int argc, char** argv) { return theApp.Run(argc, argv); }
