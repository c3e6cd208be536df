// SPDX-License-Identifier: MIT
#pragma once
// Standard output of spellindex's commands: every write is checked, and
// every command ends through FinishOutput, so none can lose its output
// without saying so.

#include <string>
#include <string_view>

// Writes `text` to standard output. False once any write has failed; the
// failure is kept for FinishOutput.
bool WriteOutput(std::string_view text);

// Prints "spellindex: <message>" on standard error; returns exit status 1.
int Fail(const std::string& message);

// Flushes standard output. Returns 0, or 1 after printing
// "spellindex: can't write output: <reason>" when any write failed.
int FinishOutput();
