// The index builder over arbitrary bytes as a spell text file, for both
// classes. Every record written must read back; its text offset must lie
// inside the text or at its end, and its description there must be the
// one the end rule gives. Two more texts must give the same records:
//  - a text without CR with its line ends turned into CR LF (the offsets
//    moved by one per line before them);
//  - a text that begins with an upper-case letter behind one whole padding
//    entry, sized so that the reader's 64 KiB buffer ends at a point inside
//    the text that the input chooses (one record more, offsets moved by
//    the padding's length).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

#include "DescriptionReader.h"
#include "FuzzSupport.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "SchoolImage.h"
#include "SpellFiles.h"
#include "SpellRecord.h"

namespace {

// Builds the class's index from `text`; the records, all checked.
std::vector<SpellRecord> BuildAndCheck(std::string_view spellClass, std::string_view text) {
    const std::string textPath = TextPath(spellClass);
    const std::string indexPath = IndexPath(spellClass);
    fuzz::WriteWhole(textPath, text);

    g_nLevel = 1;
    const BuildResult result = BuildIndex(spellClass);
    if (!result.ok())
        std::fprintf(stderr, "build failed: %s\n", result.strMessage.c_str());
    FUZZ_CHECK(result.ok());
    FUZZ_CHECK(result.strMessage.empty());

    struct stat st {};
    FUZZ_CHECK(::stat(indexPath.c_str(), &st) == 0);
    FUZZ_CHECK(static_cast<std::size_t>(st.st_size) == result.nRecords * kRecordSize);

    IndexReader reader;
    FUZZ_CHECK(reader.Open(indexPath));
    FUZZ_CHECK(reader.RecordCount() == static_cast<int64_t>(result.nRecords));
    std::vector<SpellRecord> records;
    SpellRecord record;
    while (reader.Next(record)) {
        FUZZ_CHECK(reader.LastOffset() == static_cast<int64_t>(records.size() * kRecordSize));
        records.push_back(record);
    }
    FUZZ_CHECK(!reader.Failed());
    FUZZ_CHECK(records.size() == result.nRecords);

    int64_t previousOffset = -1;
    for (const SpellRecord& r : records) {
        FUZZ_CHECK(r.nTextOffset >= 0);
        FUZZ_CHECK(static_cast<std::size_t>(r.nTextOffset) <= text.size());
        FUZZ_CHECK(r.nTextOffset > previousOffset);  // entries follow each other
        previousOffset = r.nTextOffset;
        FUZZ_CHECK(r.nLevel >= 1);
        FUZZ_CHECK(r.nSchoolImage >= 0 && r.nSchoolImage < kSchoolImageCount);
        // Every text field keeps its terminator.
        FUZZ_CHECK(FieldText(r.szName).size() < kNameSize);
        FUZZ_CHECK(FieldText(r.szSchool).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szRange).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szDuration).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szArea).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szComponents).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szSavingThrow).size() < kFieldSize);
        FUZZ_CHECK(FieldText(r.szCastingTime).size() < kCastingTimeSize);

        const DescriptionResult description = ReadDescriptionText(textPath, r.nTextOffset);
        FUZZ_CHECK(description.ok());
        FUZZ_CHECK(description.strText ==
                   fuzz::ReferenceDescription(text, static_cast<std::size_t>(r.nTextOffset)));
    }

    // Nothing but the text and the index: no temporary file left.
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(g_strDataDir)) {
        const std::string name = entry.path().filename().string();
        FUZZ_CHECK(name == "wizard.txt" || name == "wizard.idx" || name == "priest.txt" ||
                   name == "priest.idx");
        ++files;
    }
    FUZZ_CHECK(files <= 4);
    return records;
}

std::string ToCrlf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// The same field texts, level and school image. (Bytes after a field's
// terminator are left over from earlier entries and differ.)
bool SameFields(const SpellRecord& a, const SpellRecord& b) {
    for (int field = 0; field < kFieldCount; ++field)
        if (RecordFieldText(a, field) != RecordFieldText(b, field))
            return false;
    return a.nSchoolImage == b.nSchoolImage;
}

// One complete entry of exactly `length` bytes (at least 200), ending in a
// blank line, so that whatever follows it starts afresh when it begins
// with an upper-case letter.
std::string PaddingEntry(std::size_t length) {
    std::string text =
        "Padding\nAlteration\nRange: 0\tComponents: V\nDuration: 0\tCasting Time: 1\n"
        "Area of Effect: 0\tSaving Throw: None\nSource: none.\n";
    std::size_t rest = length - text.size() - 1;  // the closing blank line
    while (rest > 0) {
        const std::size_t line = std::min<std::size_t>(rest, 101);
        text.append(line - 1, 'p');
        text += '\n';
        rest -= line;
    }
    text += '\n';
    return text;
}

constexpr std::size_t kReaderBuffer = 64 * 1024;  // LineReader's block size

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    g_strDataDir = fuzz::ScratchDir();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool hasCr = text.find('\r') != std::string_view::npos;

    for (const std::string_view spellClass : {"wizard", "priest"}) {
        const std::vector<SpellRecord> records = BuildAndCheck(spellClass, text);
        if (hasCr)
            continue;
        const std::string crlf = ToCrlf(text);
        const std::vector<SpellRecord> crlfRecords = BuildAndCheck(spellClass, crlf);
        FUZZ_CHECK(crlfRecords.size() == records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            FUZZ_CHECK(SameFields(records[i], crlfRecords[i]));
            // One CR more before the offset per line before it.
            const auto lines = static_cast<int32_t>(
                std::count(text.begin(), text.begin() + records[i].nTextOffset, '\n'));
            FUZZ_CHECK(crlfRecords[i].nTextOffset == records[i].nTextOffset + lines);
        }
    }

    if (size > 0 && data[0] >= 'A' && data[0] <= 'Z') {
        // The buffer boundary falls `at` bytes into the text.
        const std::size_t at = (data[size - 1] * 131u + size) % (size + 1);
        const std::size_t length = kReaderBuffer - at;
        const std::vector<SpellRecord> plain = BuildAndCheck("wizard", text);
        const std::vector<SpellRecord> padded =
            BuildAndCheck("wizard", PaddingEntry(length) + std::string(text));
        FUZZ_CHECK(padded.size() == plain.size() + 1);
        FUZZ_CHECK(FieldText(padded[0].szName) == "Padding");
        for (std::size_t i = 0; i < plain.size(); ++i) {
            FUZZ_CHECK(SameFields(plain[i], padded[i + 1]));
            FUZZ_CHECK(padded[i + 1].nTextOffset ==
                       plain[i].nTextOffset + static_cast<int32_t>(length));
        }
    }
    return 0;
}
