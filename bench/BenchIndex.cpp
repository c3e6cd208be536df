#include "BenchIndex.h"

#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "SpellRecord.h"

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

std::filesystem::path ScratchRoot() {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec))
        return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

void WriteBenchIndex(const std::filesystem::path& path, int64_t records) {
    static constexpr std::array<const char*, 16> kWords = {
        "Arcane", "Bolt",  "Cloud", "Dweomer", "Ember", "Frost", "Glyph",  "Hex",
        "Iron",   "Jolt",  "Kiln",  "Lantern", "Mist",  "Nova",  "Orison", "Ward"};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<uint8_t> block;
    block.reserve(kRecordSize * 1024);
    uint32_t state = 12345;
    const auto next = [&] { return state = state * 1664525u + 1013904223u; };
    std::array<uint8_t, kRecordSize> bytes;
    const auto flush = [&] {
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
        block.clear();
    };
    for (int64_t i = 0; i < records; ++i) {
        SpellRecord r;
        const std::string name = std::string(kWords[next() >> 28]) + " " + kWords[next() >> 28] +
                                 " of " + kWords[next() >> 28] + " " + std::to_string(next() % 1000);
        SetField(r.szName, name);
        r.nLevel = static_cast<int32_t>(1 + next() % 9);
        r.nSchoolImage = static_cast<int32_t>(next() % 9);
        r.nTextOffset = static_cast<int32_t>(i * 700);
        SetField(r.szSchool, "Conjuration/Summoning");
        SetField(r.szRange, std::to_string(next() % 100) + " yds.");
        SetField(r.szDuration, std::to_string(next() % 10) + " rds./level");
        SetField(r.szArea, "20-ft. radius");
        SetField(r.szComponents, " V, S, M");
        SetField(r.szSavingThrow, (next() & 1) ? "Neg." : "1/2");
        SetField(r.szCastingTime, std::to_string(1 + next() % 9));
        EncodeRecord(r, bytes);
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
