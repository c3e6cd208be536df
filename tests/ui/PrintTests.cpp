// SPDX-License-Identifier: MIT
// The PDFs of spellbrowser --pdf, read back with pdftotext -bbox: every
// word of every description printed once, in order, inside its card.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <regex>
#include <tuple>
#include <string>
#include <sys/wait.h>
#include <vector>

#include <gtest/gtest.h>

#include "TestFiles.h"

namespace {

struct Word {
    int page;
    double xMin, yMin, xMax, yMax;
    std::string text;
};

struct ShellRun {
    int status;
    std::string err;
};

// Runs `command` through the shell, in the C locale (A4 pages).
ShellRun Shell(const std::string& command, const TempDir& io) {
    const std::string err = io.file("stderr");
    const int raw = std::system(("LC_ALL=C.UTF-8 LANG=C.UTF-8 XDG_RUNTIME_DIR=" + io.path().string() + " " +
                                 command + " 2>" + err).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(err)};
}

std::vector<Word> PdfWords(const std::string& pdf, const TempDir& io) {
    const std::string html = io.file("words.html");
    EXPECT_EQ(Shell("pdftotext -bbox " + pdf + " " + html, io).status, 0) << "pdftotext (poppler-utils) missing?";
    const std::string text = ReadFile(html);
    std::vector<Word> words;
    int page = 0;
    static const std::regex kWord(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    std::size_t pos = 0;
    for (std::size_t next; (next = text.find('<', pos)) != std::string::npos; pos = next + 1) {
        if (text.compare(next, 5, "<page") == 0) {
            ++page;
        } else if (text.compare(next, 5, "<word") == 0) {
            const std::size_t end = text.find("</word>", next);
            std::smatch m;
            const std::string element = text.substr(next, end + 7 - next);
            if (std::regex_match(element, m, kWord))
                words.push_back({page, std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5]});
        }
    }
    return words;
}

// A spell in the text format, its description `lines`.
std::string Spell(const std::string& name, const std::vector<std::string>& lines) {
    std::string text = name + "\nEvocation\nRange: 10 yds.\tComponents: V\nDuration: 1 rd.\tCasting Time: 1\n"
                              "Area of Effect: One creature\tSaving Throw: None\nSource: Tests.\n";
    for (const std::string& line : lines)
        text += line + "\n";
    return text + "\n";
}

// Words "w000001" .. in lines of ten, a blank line every 15 lines.
std::vector<std::string> NumberedWords(int count, const char* prefix = "w") {
    std::vector<std::string> lines(1);
    for (int i = 1; i <= count; ++i) {
        char word[16];
        std::snprintf(word, sizeof word, "%s%06d", prefix, i);
        lines.back() += word;
        lines.back() += ' ';  // joined lines keep their words apart
        if (i % 10 == 0 && i < count) {
            if (lines.size() % 15 == 0)
                lines.emplace_back();  // a blank line: a new paragraph
            lines.emplace_back();
        }
    }
    return lines;
}

class PdfTest : public testing::Test {
protected:
    void Build(const std::string& text) {
        WriteFile(dir.file("wizard.txt"), text);
        ASSERT_EQ(Shell(std::string(SPELLINDEX_PATH) + " build " + dir.prefix() + " wizard >/dev/null", io).status, 0);
    }
    ShellRun Pdf(const std::string& args) {
        return Shell(std::string(SPELLBROWSER_PATH) + " --data-dir " + dir.prefix() + " " + args, io);
    }
    TempDir dir;
    TempDir io;
};

// Card grid on an A4 page, in points: 63 x 88 mm cards, 3 x 3, centred.
constexpr double kCardWidth = 178.583;
constexpr double kCardHeight = 249.449;
constexpr double kGridLeft = 29.764;
constexpr double kGridTop = 46.772;

// The card a word's middle lies in, numbered across then down a page.
int CardOf(const Word& w) {
    const int column = static_cast<int>(((w.xMin + w.xMax) / 2 - kGridLeft) / kCardWidth);
    const int row = static_cast<int>(((w.yMin + w.yMax) / 2 - kGridTop) / kCardHeight);
    return row * 3 + column;
}

// The words of the form <prefix>NNNNNN in reading order: by page, by card
// on a page of cards, then by line and along it.
std::vector<std::string> Numbered(std::vector<Word> words, char prefix, bool cards = true) {
    const auto key = [&](const Word& w) {
        return std::tuple(w.page, cards ? CardOf(w) : 0, static_cast<long>(w.yMin * 10), w.xMin);
    };
    std::stable_sort(words.begin(), words.end(), [&](const Word& a, const Word& b) { return key(a) < key(b); });
    std::vector<std::string> out;
    for (const Word& w : words)
        if (w.text.size() == 7 && w.text[0] == prefix)
            out.push_back(w.text);
    return out;
}

std::vector<std::string> Expected(int count, char prefix) {
    std::vector<std::string> out;
    for (const std::string& line : NumberedWords(count, std::string(1, prefix).c_str()))
        for (std::size_t start = 0; start + 7 <= line.size(); start += 8)
            out.push_back(line.substr(start, 7));
    return out;
}

}  // namespace

TEST_F(PdfTest, CardsKeepEveryWordInsideItsCardAndNumberContinuations) {
    // One spell that fits, one that shrinks, one that needs more cards; the
    // list order is by name.
    Build(Spell("Short Spell", {"a brief one"}) + Spell("Middle Spell", NumberedWords(100, "m")) +
          Spell("Long Spell", NumberedWords(2000, "w")) + Spell("Shield Word", {"щит и меч"}));
    ASSERT_EQ(Pdf("--pdf " + dir.file("cards.pdf") + " --cards wizard").status, 0);
    const std::vector<Word> words = PdfWords(dir.file("cards.pdf"), io);
    ASSERT_FALSE(words.empty());

    EXPECT_EQ(Numbered(words, 'w'), Expected(2000, 'w'));
    EXPECT_EQ(Numbered(words, 'm'), Expected(100, 'm'));
    std::vector<std::string> names;
    std::string cyrillic;
    for (const Word& w : words) {
        if (w.text.starts_with("(") && w.text.ends_with(")"))
            names.push_back(w.text);
        if (w.text == "щит" || w.text == "меч")
            cyrillic += w.text + " ";
        // Inside the card its middle lies in.
        const int column = static_cast<int>(((w.xMin + w.xMax) / 2 - kGridLeft) / kCardWidth);
        const int row = static_cast<int>(((w.yMin + w.yMax) / 2 - kGridTop) / kCardHeight);
        ASSERT_TRUE(column >= 0 && column < 3 && row >= 0 && row < 3) << w.text << " on page " << w.page;
        const double left = kGridLeft + column * kCardWidth, top = kGridTop + row * kCardHeight;
        EXPECT_GE(w.xMin, left) << w.text;
        EXPECT_LE(w.xMax, left + kCardWidth) << w.text;
        EXPECT_GE(w.yMin, top) << w.text;
        EXPECT_LE(w.yMax, top + kCardHeight) << w.text;
    }
    // The long spell's cards are numbered; the others have one card each.
    EXPECT_EQ(cyrillic, "щит меч ");
    ASSERT_GE(names.size(), 3u);
    const std::string n = std::to_string(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i], "(" + std::to_string(i + 1) + "/" + n + ")");

    const ShellRun fonts = Shell("pdffonts " + dir.file("cards.pdf") + " >" + io.file("fonts"), io);
    EXPECT_EQ(fonts.status, 0);
    EXPECT_NE(ReadFile(io.file("fonts")).find("DejaVuSans "), std::string::npos) << ReadFile(io.file("fonts"));
}

TEST_F(PdfTest, SheetTablesThenDescribesEachSpell) {
    Build(Spell("Beta", NumberedWords(30, "b")) + Spell("Alpha", {"first words", "", "second paragraph"}));
    WriteFile(dir.file("wizard.book"), "Mine\nBeta\nGone\n");
    ASSERT_EQ(Pdf("--pdf " + dir.file("sheet.pdf") + " wizard").status, 0);
    std::vector<std::string> texts;
    for (const Word& w : PdfWords(dir.file("sheet.pdf"), io))
        texts.push_back(w.text);
    const auto at = [&](const std::string& word, std::size_t from = 0) {
        return std::find(texts.begin() + static_cast<std::ptrdiff_t>(from), texts.end(), word) - texts.begin();
    };
    // Table rows by name, then the full spells in the same order.
    EXPECT_LT(at("Alpha"), at("Beta"));
    const auto second = static_cast<std::size_t>(at("Alpha", static_cast<std::size_t>(at("Alpha")) + 1));
    EXPECT_LT(second, texts.size());
    EXPECT_LT(at("paragraph", second), at("Beta", second));
    EXPECT_EQ(Numbered(PdfWords(dir.file("sheet.pdf"), io), 'b', false), Expected(30, 'b'));

    ASSERT_EQ(Pdf("--pdf " + dir.file("book.pdf") + " --book Mine wizard").status, 0);
    std::string bookText;
    for (const Word& w : PdfWords(dir.file("book.pdf"), io))
        bookText += w.text + " ";
    EXPECT_EQ(bookText.find("Alpha"), std::string::npos);
    EXPECT_NE(bookText.find("Beta"), std::string::npos);
}

TEST_F(PdfTest, MegabyteDescriptionPrintsOnAsManyCardsAsItNeeds) {
    Build(Spell("Endless", NumberedWords(120000, "z")));
    ASSERT_EQ(Pdf("--pdf " + dir.file("big.pdf") + " --cards wizard").status, 0);
    const std::vector<Word> words = PdfWords(dir.file("big.pdf"), io);
    EXPECT_EQ(Numbered(words, 'z'), Expected(120000, 'z'));
    EXPECT_GT(words.back().page, 20);
}

TEST_F(PdfTest, FailuresNameTheFileAndWrongArgumentsExitWithTwo) {
    ShellRun run = Pdf("--pdf " + dir.file("out.pdf") + " wizard");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "spellbrowser: can't open index " + dir.file("wizard.idx") + ": No such file or directory\n");
    Build(Spell("Alpha", {"words"}));
    run = Pdf("--pdf " + dir.file("no-such-folder/out.pdf") + " wizard");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "spellbrowser: can't write PDF " + dir.file("no-such-folder/out.pdf") + ": can't create a file in " +
                           dir.file("no-such-folder") + ": No such file or directory\n");
    run = Pdf("--pdf " + dir.file("out.pdf") + " --book Nope wizard");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "spellbrowser: no spellbook 'Nope' in " + dir.prefix() + "wizard.book or " + dir.prefix() +
                           "wizard-<n>.book\n");
    for (const char* wrong : {"--pdf x.pdf", "--cards wizard", "--book B wizard", "--pdf x.pdf wizard extra",
                              "--pdf x.pdf --book A --book B wizard"}) {
        run = Shell("QT_QPA_PLATFORM=offscreen " + std::string(SPELLBROWSER_PATH) + " --data-dir " + dir.prefix() +
                        " " + wrong,
                    io);
        EXPECT_EQ(run.status, 2) << wrong;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.pdf")));
}
