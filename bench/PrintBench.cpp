// SPDX-License-Identifier: MIT
// Cards to PDF: about 190 generated spells (the size of the corpus's wizard
// list) and 10,000, against a baseline of the same names and descriptions
// drawn by QPainter::drawText into a plain QPdfWriter, nine to a page, with
// no fitting. Run with --benchmark_filter=Pdf.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include <QFont>
#include <QPainter>
#include <QPdfWriter>

#include "GenerateSpellText.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "SpellFiles.h"
#include "SpellPrinter.h"
#include "UiBenchSupport.h"

namespace {

// The spells of a generated text of at least `spells` entries, loaded once
// per size.
const std::vector<PrintSpell>& Spells(int64_t spells) {
    static std::map<int64_t, std::vector<PrintSpell>> loaded;
    auto found = loaded.find(spells);
    if (found != loaded.end())
        return found->second;
    const std::string spellClass = "print" + std::to_string(spells);
    SpellTextOptions options;
    // About 1.2 KB an entry; trimmed to `spells` below.
    options.targetBytes = static_cast<std::size_t>(spells) * 1400;
    std::string error;
    WriteSpellTextFile(TextPath(BenchDataDir(), spellClass), options, nullptr, &error);
    const BuildResult built = BuildIndexIn(BenchDataDir(), spellClass, 1);
    std::vector<int64_t> offsets;
    for (int64_t i = 0; i < spells && static_cast<std::size_t>(i) < built.nRecords; ++i)
        offsets.push_back(i * static_cast<int64_t>(kRecordSize));
    return loaded[spells] = LoadPrintSpells(BenchDataDir(), spellClass, offsets).spells;
}

void BM_CardsPdf(benchmark::State& state) {
    const std::vector<PrintSpell>& spells = Spells(state.range(0));
    const std::string path = BenchDataDir() + "cards.pdf";
    for (auto _ : state) {
        const std::string error = WriteSpellsPdf(path, spells, PrintLayout::kCards);
        if (!error.empty())
            state.SkipWithError(error.c_str());
    }
    state.counters["spells"] = static_cast<double>(spells.size());
}
BENCHMARK(BM_CardsPdf)->Arg(190)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SheetPdf(benchmark::State& state) {
    const std::vector<PrintSpell>& spells = Spells(state.range(0));
    const std::string path = BenchDataDir() + "sheet.pdf";
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteSpellsPdf(path, spells, PrintLayout::kSheet));
}
BENCHMARK(BM_SheetPdf)->Arg(190)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline: the same text into card-sized boxes by drawText alone.
void BM_PlainPdfBaseline(benchmark::State& state) {
    const std::vector<PrintSpell>& spells = Spells(state.range(0));
    const QString path = QString::fromStdString(BenchDataDir() + "plain.pdf");
    for (auto _ : state) {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        QPainter painter(&writer);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(6);
        painter.setFont(font);
        const double mm = writer.logicalDpiX() / 25.4;
        int slot = 0;
        for (const PrintSpell& spell : spells) {
            if (slot == 9) {
                writer.newPage();
                slot = 0;
            }
            const QRectF card((slot % 3) * 63 * mm, (slot / 3) * 88 * mm, 63 * mm, 88 * mm);
            painter.drawText(card, Qt::TextWordWrap, spell.fields[0] + QLatin1Char('\n') + spell.description);
            ++slot;
        }
    }
}
BENCHMARK(BM_PlainPdfBaseline)->Arg(190)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
