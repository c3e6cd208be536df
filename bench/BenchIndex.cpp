// SPDX-License-Identifier: MIT
#include "BenchIndex.h"

#include <array>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

int64_t StatusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == key) {
            int64_t kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

}  // namespace

SpellRecord MakeBenchRecord(uint32_t& state, int64_t i, BenchRecords kind) {
    static constexpr std::array<std::string_view, 16> kWords = {
        "Arcane", "Bolt",  "Cloud", "Dweomer", "Ember", "Frost", "Glyph",  "Hex",
        "Iron",   "Jolt",  "Kiln",  "Lantern", "Mist",  "Nova",  "Orison", "Ward"};
    static constexpr std::array<std::string_view, 6> kSchools = {
        "Conjuration/Summoning", "Evocation", "Alteration", "Necromancy", "Illusion/Phantasm", "Divination"};
    // "огненный щит" (fiery shield)
    static constexpr std::string_view kCyrillicName =
        "\xD0\xBE\xD0\xB3\xD0\xBD\xD0\xB5\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB9 \xD0\xA9\xD0\xB8\xD1\x82";
    const auto next = [&] { return state = state * 1664525u + 1013904223u; };
    const bool search = kind == BenchRecords::kSearch;
    SpellRecord r;
    std::string name = std::string(kWords[next() >> 28]) + " " + std::string(kWords[next() >> 28]) + " of " +
                       std::string(kWords[next() >> 28]) + " " + std::to_string(next() % 1000);
    if (search && next() % 16 == 0)
        name = std::string(kCyrillicName) + " " + std::to_string(i % 1000);
    SetField(r.szName, name);
    r.nLevel = static_cast<int32_t>(1 + next() % 9);
    r.nSchoolImage = static_cast<int32_t>(next() % 9);
    r.nTextOffset = static_cast<int32_t>(i * 700);
    SetField(r.szSchool, search ? kSchools[next() % kSchools.size()] : kSchools[0]);
    SetField(r.szRange, std::to_string(next() % 100) + " yds.");
    SetField(r.szDuration, std::to_string(next() % 10) + " rds./level");
    SetField(r.szArea, "20-ft. radius");
    SetField(r.szComponents, " V, S, M");
    SetField(r.szSavingThrow, (next() & 1) ? "Neg." : "1/2");
    SetField(r.szCastingTime, std::to_string(1 + next() % 9));
    return r;
}

void WriteBenchIndex(const std::filesystem::path& path, int64_t records, BenchRecords kind) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<uint8_t> block;
    block.reserve(kRecordSize * 1024);
    uint32_t state = 12345;
    std::array<uint8_t, kRecordSize> bytes;
    const auto flush = [&] {
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
        block.clear();
    };
    for (int64_t i = 0; i < records; ++i) {
        EncodeRecord(MakeBenchRecord(state, i, kind), bytes);
        block.insert(block.end(), bytes.begin(), bytes.end());
        if (block.size() >= kRecordSize * 1024)
            flush();
    }
    flush();
}

int64_t CurrentRss() { return StatusKb("VmRSS:") * 1024; }

int64_t PeakRss() { return StatusKb("VmHWM:") * 1024; }

void ResetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}
