// SPDX-License-Identifier: MIT
#include "GenerateSpellText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

using Words = std::vector<std::string_view>;

// splitmix64: small, fast, and the same everywhere.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n); n > 0. The modulo bias is irrelevant here.
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
    // Uniform in [lo, hi].
    std::size_t Between(std::size_t lo, std::size_t hi) { return lo + Below(hi - lo + 1); }
    bool Percent(unsigned p) { return Below(100) < p; }
    std::string_view Pick(const Words& words) { return words[Below(words.size())]; }

private:
    uint64_t state_;
};

const Words kOrdinals = {"First", "Second", "Third",  "Fourth",  "Fifth",    "Sixth",
                         "Seventh", "Eighth", "Ninth", "Tenth", "Eleventh", "Twelfth"};

const Words kAdjectives = {
    "Burning",   "Silent",   "Hidden",   "Patient",  "Ashen",     "Glimmering", "Whispered",
    "Frozen",    "Golden",   "Crimson",  "Wandering", "Shrouded", "Hollow",     "Radiant",
    "Bitter",    "Gentle",   "Iron",     "Amber",    "Drowned",   "Thundering", "Lesser",
    "Greater",   "Mending",  "Binding",  "Fleeting", "Unseen",    "Sleeping",   "Restless",
    "Howling",   "Verdant",  "Shattered", "Twin",    "Endless",   "Quiet",      "Lingering"};

const Words kNouns = {
    "Lance",   "Ward",    "Errand",  "Hand",   "Mote",    "Quill",   "Shield",  "Gate",
    "Veil",    "Chain",   "Lantern", "Mirror", "Storm",   "Sigil",   "Hound",   "Cloak",
    "Door",    "Eye",     "Flame",   "Frost",  "Tongue",  "Step",    "Bridge",  "Circle",
    "Tower",   "Servant", "Voice",   "Seal",   "Blade",   "Cage",    "Well",    "Crown",
    "Thread",  "Whisper", "Hearth",  "Beacon", "Bolt",    "Sphere",  "Wall",    "Path"};

const Words kOwners = {"Hessa's", "Orrin's", "Maelis's", "Tovar's", "Ilyane's",
                       "Quennel's", "Bram's", "Sethra's", "Vondal's", "Ysolde's"};

const Words kWizardSchools = {
    "Alteration",           "Abjuration",          "Conjuration/Summoning", "Enchantment/Charm",
    "Illusion/Phantasm",    "Evocation",           "(Evocation)",           "Invocation/Evocation",
    "Divination",           "Necromancy",          "Alteration, Evocation", "Enchantment",
    "Conjuration",          "Illusion",            "Abjuration, Alteration", "Lesser Divination",
    "Wild Magic",           "Alteration (Reversible)"};

const Words kPriestSchools = {"Alteration", "Abjuration", "Conjuration/Summoning",
                              "Enchantment/Charm", "Divination", "Necromancy (Reversible)",
                              "Evocation", "Invocation", "Alteration, Enchantment"};

const Words kSpheres = {"Creation",          "Protection", "Weather", "Healing",
                        "Combat",            "All",        "Elemental (Fire)", "Plant, Animal",
                        "Divination",        "Charm",      "Necromantic", "Summoning",
                        "Guardian",          "Sun",        "Elemental (Water, Earth)", "Travelers"};

const Words kRanges = {"Touch",    "0",          "10 yds.",  "30 yds.", "60 yds. + 10 yds./level",
                       "120 yds.", "Sight",      "1 mile",   "5 yds./level", "Unlimited",
                       "40 ft.",   "10 yds. + 10 yds./level"};

const Words kComponents = {"V", "V, S", "V, S, M", "S, M", "V, M", "S"};

const Words kDurations = {"Instantaneous", "1 rd./level", "1 turn", "1 hr./level",
                          "Permanent",     "2d4 rds.",    "1 day",  "3 rds. + 1 rd./level",
                          "Concentration", "1 turn/level", "Until dispelled", "5 rds."};

const Words kCastingTimes = {"1", "2", "3", "5", "9", "1 rd.", "2 rds.", "1 turn", "1 hr.", "1 day"};

const Words kAreas = {"1 creature",      "One creature",       "20-ft. cube",    "10-ft. radius",
                      "Creature touched", "The caster",        "1 object",       "30-ft. radius sphere",
                      "One person/level", "1-mile radius",     "One dwelling",   "5-ft. x 60-ft. line"};

const Words kSavingThrows = {"None", "Neg.", "1/2", "None (see below)", "Neg. (see below)"};

const Words kNotes = {"Notes: generated.", "Source: Tome of the Amber Tower.",
                      "Source: Grimoire of Hessa Vane.", "Notes: none.",
                      "Notes: reversible; see the description.", "Source: the Lantern Codex."};

// Description vocabulary: lower-case words and a few tokens with digits or
// non-ASCII UTF-8 characters.
const Words kWords = {
    "the",      "caster",    "a",         "of",       "and",       "to",        "creature",
    "within",   "range",     "spell",     "is",       "for",       "each",      "level",
    "target",   "that",      "can",       "by",       "its",       "with",      "an",
    "saving",   "throw",     "points",    "damage",   "may",       "not",       "or",
    "in",       "on",        "at",        "while",    "this",      "from",      "any",
    "effect",   "duration",  "material",  "component", "magic",    "light",     "shadow",
    "fire",     "water",     "stone",     "air",      "wind",      "glowing",   "mist",
    "ordinary", "quill",     "lantern",   "door",     "bridge",    "circle",    "rune",
    "ink",      "parchment", "sand",      "ash",      "pyre",      "palm",      "finger",
    "touch",    "voice",     "word",      "command",  "round",     "turn",      "hour",
    "undead",   "living",    "visible",   "unseen",   "nearby",    "distant",   "small",
    "large",    "bright",    "faint",     "cold",     "warm",      "silver",    "iron",
    "wooden",   "ancient",   "careful",   "sudden",   "brief",     "steady",    "whole",
    "must",     "will",      "cannot",    "becomes",  "remains",   "returns",   "suffers",
    "gains",    "loses",     "reveals",   "creates",  "summons",   "protects",  "binds",
    "until",    "unless",    "after",     "before",   "beside",    "above",     "below",
    "every",    "only",      "once",      "twice",    "again",     "instead",   "also",
    "1d6",      "2d4",       "1d8+1",     "10 ft.",   "30 yds.",   "+1",        "-2",
    "armour",   "class",     "attack",    "rolls",    "penalty",   "bonus",     "ally"};

const Words kRareWords = {"\u2014", "abb\u00e9", "r\u00f4le", "na\u00efve", "\u00bd", "fa\u00e7ade"};

class Generator {
public:
    using Sink = std::function<bool(std::string_view)>;

    Generator(const SpellTextOptions& options, GeneratedText* info, Sink sink)
        : options_(options), info_(info), sink_(std::move(sink)), random_(options.seed) {
        eol_ = options.crlf ? "\r\n" : "\n";
        out_.reserve(kFlushBytes + kFlushBytes / 2);
    }

    bool Run() {
        const int levels = std::clamp(options_.levels, 1, static_cast<int>(kOrdinals.size()));
        int level = 1;
        for (std::size_t entry = 0;; ++entry) {
            // A level header before the first entry past the level's share.
            if (level < levels &&
                Position() >= static_cast<int64_t>(options_.targetBytes / static_cast<std::size_t>(levels) *
                                                   static_cast<std::size_t>(level))) {
                ++level;
                Append(kOrdinals[static_cast<std::size_t>(level - 1)]);
                Append("-Level Spells");
                EndLine();
                if (random_.Percent(50))
                    EndLine();
            }
            WriteEntry(entry, level);
            // One or two blank lines after every entry, the last one too.
            EndLine();
            if (random_.Percent(20))
                EndLine();
            if (!FlushIfFull())
                return false;
            if (Position() >= static_cast<int64_t>(options_.targetBytes) &&
                entry + 1 >= MinimumEntries())
                break;
        }
        return Flush();
    }

private:
    static constexpr std::size_t kFlushBytes = std::size_t{1} << 20;

    int64_t Position() const { return flushed_ + static_cast<int64_t>(out_.size()); }

    std::size_t MinimumEntries() const {
        std::size_t n = 1;
        for (const auto& l : options_.longDescriptions)
            n = std::max(n, l.entry + 1);
        return n;
    }

    void Append(std::string_view s) { out_.append(s); }
    void EndLine() {
        out_.append(eol_);
        ++lines_;
    }

    void WriteEntry(std::size_t entry, int level) {
        WriteName();
        EndLine();
        Append(random_.Pick(options_.priest ? kPriestSchools : kWizardSchools));
        EndLine();
        if (random_.Percent(options_.priest ? 10 : 3))
            EndLine();  // the builder skips one blank line here
        if (options_.priest) {
            Append("Sphere: ");
            Append(random_.Pick(kSpheres));
            EndLine();
        }
        Append("Range: ");
        Append(random_.Pick(kRanges));
        Append(random_.Percent(90) ? "\tComponents: " : "\tComponent: ");
        Append(random_.Pick(kComponents));
        EndLine();
        Append("Duration: ");
        Append(random_.Pick(kDurations));
        Append("\tCasting Time: ");
        Append(random_.Pick(kCastingTimes));
        EndLine();
        Append("Area of Effect: ");
        Append(random_.Pick(kAreas));
        Append("\tSaving Throw: ");
        Append(random_.Pick(kSavingThrows));
        EndLine();
        Append(random_.Pick(kNotes));
        EndLine();

        GeneratedEntry record;
        record.descriptionOffset = Position();
        record.level = level;
        const auto longOne = std::find_if(options_.longDescriptions.begin(), options_.longDescriptions.end(),
                                          [&](const LongDescription& l) { return l.entry == entry; });
        if (longOne == options_.longDescriptions.end())
            record.descriptionBytes = WriteDescription(random_.Between(3, 8), 0);
        else if (longOne->oneLine)
            record.descriptionBytes = WriteOneLine(longOne->bytes);
        else
            record.descriptionBytes = WriteDescription(SIZE_MAX, longOne->bytes);
        if (info_)
            info_->entries.push_back(record);
    }

    void WriteName() {
        switch (random_.Below(10)) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
            Append(random_.Pick(kAdjectives));
            Append(" ");
            Append(random_.Pick(kNouns));
            break;
        case 5:
        case 6:
            Append(random_.Pick(kNouns));
            Append(random_.Percent(50) ? " of the " : " of ");
            Append(random_.Pick(kAdjectives));
            Append(" ");
            Append(random_.Pick(kNouns));
            break;
        case 7:
        case 8:
            Append(random_.Pick(kOwners));
            Append(" ");
            Append(random_.Pick(kAdjectives));
            Append(" ");
            Append(random_.Pick(kNouns));
            break;
        default:
            Append(random_.Pick(kAdjectives));
            Append(" ");
            Append(random_.Pick(kNouns));
            Append(" ");
            Append(random_.Pick(kNouns));
            break;
        }
    }

    // Line lengths of 80-400 bytes, skewed towards the short end (mean
    // about 200).
    std::size_t LineLength() {
        const std::size_t a = random_.Below(321);
        const std::size_t b = random_.Below(321) * random_.Below(321) / 320;
        return 80 + (a + b) / 2;
    }

    // Appends words up to at least `target` bytes from the line's start.
    // The line's first word is capitalised when `capital` is set. Returns
    // the bytes appended.
    std::size_t WriteText(std::size_t target, bool capital) {
        const std::size_t start = out_.size();
        bool sentenceStart = true;
        std::size_t wordsLeft = random_.Between(6, 18);
        while (out_.size() - start < target) {
            if (out_.size() != start)
                Append(" ");
            const std::string_view word =
                random_.Percent(1) ? random_.Pick(kRareWords) : random_.Pick(kWords);
            const std::size_t at = out_.size();
            Append(word);
            if (sentenceStart && capital && out_[at] >= 'a' && out_[at] <= 'z')
                out_[at] = static_cast<char>(out_[at] - 'a' + 'A');
            sentenceStart = false;
            capital = true;  // later sentences of the line start upper-case
            if (--wordsLeft == 0) {
                EndSentence();
                sentenceStart = true;
                wordsLeft = random_.Between(6, 18);
            } else if (random_.Percent(8)) {
                Append(",");
            }
        }
        if (!sentenceStart)
            EndSentence();
        return out_.size() - start;
    }

    // A full stop, unless the last word ("yds.") brought one; replaces a
    // trailing comma.
    void EndSentence() {
        if (out_.back() == ',')
            out_.back() = '.';
        else if (out_.back() != '.')
            Append(".");
    }

    // `lineCount` lines, or lines until `minBytes` bytes (joined) when
    // lineCount is SIZE_MAX. Returns the joined size.
    std::size_t WriteDescription(std::size_t lineCount, std::size_t minBytes) {
        std::size_t joined = 0;
        bool afterBlank = false;
        for (std::size_t i = 0; lineCount == SIZE_MAX ? joined < minBytes : i < lineCount; ++i) {
            std::size_t prefix = 0;
            bool capital = true;
            if (i == 0) {
                // The first line: a plain sentence.
            } else if (afterBlank) {
                // Never an upper-case letter here, or the entry would end.
                const auto k = random_.Below(100);
                if (k < 60) {
                    Append("\t");
                    prefix = 1;
                } else if (k < 85) {
                    Append("  ");
                    prefix = 2;
                } else {
                    capital = false;
                }
            } else {
                const auto k = random_.Below(100);
                if (k < 40) {
                    Append("  ");
                    prefix = 2;
                } else if (k < 70) {
                    Append("\t");
                    prefix = 1;
                }
            }
            joined += prefix + WriteText(LineLength(), capital);
            EndLine();
            afterBlank = false;
            // Sometimes a paragraph break, rarely two blank lines.
            if (lineCount == SIZE_MAX || i + 1 < lineCount) {
                if (random_.Percent(20)) {
                    EndLine();
                    if (random_.Percent(5))
                        EndLine();
                    afterBlank = true;
                }
            }
            if (!FlushIfFull())
                failed_ = true;
        }
        return joined;
    }

    std::size_t WriteOneLine(std::size_t bytes) {
        const std::size_t n = WriteText(bytes, true);
        EndLine();
        return n;
    }

    bool FlushIfFull() { return failed_ ? false : out_.size() < kFlushBytes || Flush(); }

    bool Flush() {
        if (failed_)
            return false;
        if (!out_.empty() && !sink_(out_)) {
            failed_ = true;
            return false;
        }
        flushed_ += static_cast<int64_t>(out_.size());
        out_.clear();
        if (info_) {
            info_->bytes = static_cast<std::size_t>(flushed_);
            info_->lines = lines_;
        }
        return true;
    }

    const SpellTextOptions& options_;
    GeneratedText* info_;
    Sink sink_;
    Random random_;
    std::string_view eol_;
    std::string out_;
    int64_t flushed_ = 0;
    std::size_t lines_ = 0;
    bool failed_ = false;
};

}  // namespace

std::string GenerateSpellText(const SpellTextOptions& options, GeneratedText* info) {
    if (info)
        *info = {};
    std::string text;
    Generator generator(options, info, [&](std::string_view chunk) {
        text.append(chunk);
        return true;
    });
    generator.Run();
    return text;
}

bool WriteSpellTextFile(const std::string& path, const SpellTextOptions& options,
                        GeneratedText* info, std::string* error) {
    if (info)
        *info = {};
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        if (error)
            *error = path + ": " + std::strerror(errno);
        return false;
    }
    int writeError = 0;
    Generator generator(options, info, [&](std::string_view chunk) {
        if (std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size())
            return true;
        writeError = errno;
        return false;
    });
    bool ok = generator.Run();
    if (std::fclose(file) != 0 && ok) {
        writeError = errno;
        ok = false;
    }
    if (!ok && error)
        *error = path + ": " + std::strerror(writeError ? writeError : EIO);
    return ok;
}
