#pragma once
// What the list benchmarks share: a scratch directory, generated index
// files of any size, and the process's resident memory.

#include <cstdint>
#include <filesystem>

// /dev/shm when there is one (no disk in the figures), else the temp dir.
std::filesystem::path ScratchRoot();

// Writes an index of `records` records with varied names ("Ember Hex of
// Mist 412"), levels, ranges and school images; the same bytes every time.
void WriteBenchIndex(const std::filesystem::path& path, int64_t records);

// Resident memory now, and its peak since the start or the last
// ResetPeakRss(), in bytes (from /proc/self/status).
int64_t CurrentRss();
int64_t PeakRss();
void ResetPeakRss();
