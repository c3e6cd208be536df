// SPDX-License-Identifier: MIT
#pragma once
// What the browser's benchmarks share: generated index records and files of
// any size, and the process's resident memory.

#include <cstdint>
#include <filesystem>

#include "SpellRecord.h"

// What generated records hold. The list loads' records all have one school;
// the searches' records vary their schools, and every sixteenth has a
// Cyrillic name.
enum class BenchRecords { kListLoad, kSearch };

// The next generated record, record `i` of its file, from the generator
// state `state`: varied names ("Ember Hex of Mist 412"), levels, ranges and
// school images.
SpellRecord MakeBenchRecord(uint32_t& state, int64_t i, BenchRecords kind);

// Writes an index of `records` such records; the same bytes every time.
void WriteBenchIndex(const std::filesystem::path& path, int64_t records,
                     BenchRecords kind = BenchRecords::kListLoad);

// Resident memory now, and its peak since the start or the last
// ResetPeakRss(), in bytes (from /proc/self/status).
int64_t CurrentRss();
int64_t PeakRss();
void ResetPeakRss();
