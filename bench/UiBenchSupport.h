// SPDX-License-Identifier: MIT
#pragma once
// Shared by the browser's benchmarks (ui_bench): the data directory they
// write their indexes and texts to, under /dev/shm and removed at exit.
// The main dialog, the details dialog and the find bar run offscreen in one
// QApplication (UiBenchMain.cpp); message boxes are printed, not shown.

#include <string>

// The scratch data directory, ending in '/'.
const std::string& BenchDataDir();
