// SPDX-License-Identifier: MIT
#include "SpellPrinter.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <unordered_map>

#include "ColumnTables.h"
#include "DescriptionReader.h"
#include "DisplayText.h"
#include "Globals.h"
#include "IndexReader.h"
#include "LineReader.h"
#include "Messages.h"
#include "ReplacementFile.h"
#include "SchoolIcons.h"
#include "SpellBook.h"
#include "SpellFiles.h"
#include "SpellListModel.h"
#include "SpellText.h"
#include "StatusMessage.h"

namespace {

// Card geometry in millimetres.
constexpr double kCardWidthMm = 63.0;
constexpr double kCardHeightMm = 88.0;
constexpr int kCardsAcross = 3;
constexpr int kCardsDown = 3;
constexpr double kCardPaddingMm = 3.0;
constexpr double kCutMarkMm = 5.0;
constexpr double kIconMm = 4.0;

// Type sizes in points: a description starts at the normal size and is set
// smaller in steps down to the smallest that stays readable.
constexpr double kNameSize = 8.5;
constexpr double kSchoolSize = 7.0;
constexpr double kFieldSize = 6.5;
constexpr double kDescriptionSize = 8.0;
constexpr double kSmallestSize = 6.0;
constexpr double kSizeStep = 0.5;

// The six fields a card shows under its name.
constexpr int kCardFields[] = {kFieldRange, kFieldDuration, kFieldArea,
                               kFieldComponents, kFieldSavingThrow, kFieldCastingTime};

const QString kFontFamily = QStringLiteral("DejaVu Sans");

QFont PrintFont(double points, bool bold = false) {
    QFont font(kFontFamily);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// Lays `text` out in lines `width` wide from y = 0; returns its height.
double LayOut(QTextLayout& layout, double width) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    double y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}

// A spell's description laid out at one size: paragraphs of lines.
// Each line of the text is a layout of its own, so that a line break is a
// break between words in the PDF's text too.
struct LaidOutText {
    std::vector<std::unique_ptr<QTextLayout>> lines;
    std::vector<bool> startsParagraph;  // by line: a gap goes before it
    double paragraphGap = 0;
    double height = 0;
};

LaidOutText LayOutDescription(const QStringList& paragraphs, const QFont& font, double width,
                              const QPaintDevice* device) {
    LaidOutText text;
    text.paragraphGap = QFontMetricsF(font, device).height() * 0.35;
    for (const QString& paragraph : paragraphs) {
        bool first = true;
        for (const QString& line : paragraph.split(QChar(QChar::LineSeparator))) {
            auto layout = std::make_unique<QTextLayout>(line, font, device);
            text.height += LayOut(*layout, width);
            text.lines.push_back(std::move(layout));
            text.startsParagraph.push_back(first);
            first = false;
        }
    }
    if (!paragraphs.isEmpty())
        text.height += text.paragraphGap * static_cast<double>(paragraphs.size() - 1);
    return text;
}

// One line of a description on a card.
struct PlacedLine {
    const QTextLayout* layout;
    int line;
    double y;  // from the top of the description area
};

// One card's share of a spell.
struct CardPiece {
    const PrintSpell* spell;
    int part = 1;  // 1-based
    int parts = 1;
    std::shared_ptr<LaidOutText> text;  // shared by the spell's pieces
    std::vector<PlacedLine> lines;
};

class CardPainter {
public:
    CardPainter(QPagedPaintDevice* device, QPainter& painter)
        : device_(device), painter_(painter), mm_(device->logicalDpiX() / 25.4) {
        cardWidth_ = kCardWidthMm * mm_;
        cardHeight_ = kCardHeightMm * mm_;
        padding_ = kCardPaddingMm * mm_;
        innerWidth_ = cardWidth_ - 2 * padding_;
        icons_ = LoadSchoolImageList();
    }

    // The cards of `spell`, its description set as large as fits.
    std::vector<CardPiece> Pieces(const PrintSpell& spell) const {
        const QStringList paragraphs = DescriptionParagraphs(spell.description);
        const double innerHeight = cardHeight_ - 2 * padding_;
        const double firstArea = innerHeight - HeaderHeight(spell, false);
        std::shared_ptr<LaidOutText> text;
        // The largest size that fits one card; very long texts go straight
        // to the smallest. Text height grows about as the square of the
        // size, so after the first try the sizes far too large are skipped.
        const bool hopeless = spell.description.size() > 20000;
        for (double size = hopeless ? kSmallestSize : kDescriptionSize;;) {
            text = std::make_shared<LaidOutText>(
                LayOutDescription(paragraphs, PrintFont(size), innerWidth_, device_));
            if (text->height <= firstArea || size <= kSmallestSize)
                break;
            const double likely = size * std::sqrt(firstArea / text->height);
            size = std::max(kSmallestSize, std::min(size - kSizeStep, std::ceil(likely / kSizeStep) * kSizeStep));
        }
        const double laterArea = text->height <= firstArea ? 0 : innerHeight - HeaderHeight(spell, true);
        std::vector<CardPiece> pieces(1);
        pieces.back().spell = &spell;
        pieces.back().text = text;
        double y = 0;
        double area = firstArea;
        for (std::size_t n = 0; n < text->lines.size(); ++n) {
            const auto& layout = text->lines[n];
            if (text->startsParagraph[n] && y > 0)
                y += text->paragraphGap;
            for (int i = 0; i < layout->lineCount(); ++i) {
                const double height = layout->lineAt(i).height();
                if (y + height > area && !pieces.back().lines.empty()) {
                    pieces.emplace_back();
                    pieces.back().spell = &spell;
                    pieces.back().text = text;
                    y = 0;
                    area = laterArea;
                }
                pieces.back().lines.push_back({layout.get(), i, y});
                y += height;
            }
        }
        const int parts = static_cast<int>(pieces.size());
        for (int i = 0; i < parts; ++i) {
            pieces[static_cast<std::size_t>(i)].part = i + 1;
            pieces[static_cast<std::size_t>(i)].parts = parts;
        }
        return pieces;
    }

    // Draws `piece` with its top left corner at `origin`.
    void Draw(const CardPiece& piece, QPointF origin) {
        painter_.save();
        painter_.setPen(QPen(QColor(190, 190, 190), 0.1 * mm_));
        painter_.drawRect(QRectF(origin, QSizeF(cardWidth_, cardHeight_)));
        painter_.setPen(Qt::black);
        const PrintSpell& spell = *piece.spell;
        QPointF at = origin + QPointF(padding_, padding_);
        at.ry() += DrawText(NameText(piece), PrintFont(kNameSize, true), at);
        if (piece.part == 1) {
            at.ry() += DrawSchoolLine(spell, at);
            at.ry() += 0.8 * mm_;
            for (const int field : kCardFields)
                at.ry() += DrawText(FieldLine(spell, field), PrintFont(kFieldSize), at);
        }
        at.ry() += 0.8 * mm_;
        painter_.setPen(QPen(QColor(120, 120, 120), 0.15 * mm_));
        painter_.drawLine(QPointF(at.x(), at.y() - 0.4 * mm_), QPointF(at.x() + innerWidth_, at.y() - 0.4 * mm_));
        painter_.setPen(Qt::black);
        for (const PlacedLine& line : piece.lines) {
            const QTextLine textLine = line.layout->lineAt(line.line);
            textLine.draw(&painter_, QPointF(at.x(), at.y() + line.y - textLine.y()));
        }
        painter_.restore();
    }

    double CardWidth() const { return cardWidth_; }
    double CardHeight() const { return cardHeight_; }
    double Mm() const { return mm_; }

private:
    static QString NameText(const CardPiece& piece) {
        QString name = piece.spell->fields[kFieldName];
        if (piece.parts == 1)
            return name;
        return QStringLiteral("%1 (%2/%3)").arg(name).arg(piece.part).arg(piece.parts);
    }
    static QString FieldLine(const PrintSpell& spell, int field) {
        return QString::fromLatin1(g_szColumnNames[field]) + QStringLiteral(": ") + spell.fields[static_cast<std::size_t>(field)];
    }
    static QString SchoolText(const PrintSpell& spell) {
        return QCoreApplication::translate("SpellPrinter", "Level %1").arg(spell.fields[kFieldLevel]) +
               QStringLiteral(" \u00B7 ") + spell.fields[kFieldSchool];
    }

    double TextHeight(const QString& text, const QFont& font, double width) const {
        QTextLayout layout(text, font, device_);
        return LayOut(layout, width);
    }
    double HeaderHeight(const PrintSpell& spell, bool continuation) const {
        double height = TextHeight(spell.fields[kFieldName] + (continuation ? QStringLiteral(" (99/99)") : QString()),
                                   PrintFont(kNameSize, true), innerWidth_);
        if (!continuation) {
            height += SchoolLineHeight(spell) + 0.8 * mm_;
            for (const int field : kCardFields)
                height += TextHeight(FieldLine(spell, field), PrintFont(kFieldSize), innerWidth_);
        }
        return height + 0.8 * mm_;
    }
    double SchoolLineHeight(const PrintSpell& spell) const {
        const double iconRoom = (kIconMm + 1.0) * mm_;
        return std::max(kIconMm * mm_, TextHeight(SchoolText(spell), PrintFont(kSchoolSize), innerWidth_ - iconRoom));
    }
    double DrawText(const QString& text, const QFont& font, QPointF at, double width = -1) {
        QTextLayout layout(text, font, device_);
        const double height = LayOut(layout, width < 0 ? innerWidth_ : width);
        layout.draw(&painter_, at);
        return height;
    }
    double DrawSchoolLine(const PrintSpell& spell, QPointF at) {
        const double icon = kIconMm * mm_;
        if (spell.schoolImage >= 0 && spell.schoolImage < icons_.size()) {
            const QPixmap pixmap = icons_[spell.schoolImage].pixmap(32, 32);
            painter_.drawPixmap(QRectF(at, QSizeF(icon, icon)), pixmap, QRectF(pixmap.rect()));
        }
        const double iconRoom = icon + 1.0 * mm_;
        const double height = DrawText(SchoolText(spell), PrintFont(kSchoolSize), at + QPointF(iconRoom, 0.3 * mm_),
                                       innerWidth_ - iconRoom);
        return std::max(icon, height);
    }

    QPagedPaintDevice* device_;
    QPainter& painter_;
    double mm_;
    double cardWidth_, cardHeight_, padding_, innerWidth_;
    QList<QIcon> icons_;
};

void PaintCards(QPagedPaintDevice* device, QPainter& painter, const std::vector<PrintSpell>& spells) {
    CardPainter cards(device, painter);
    const double mm = cards.Mm();
    const QRectF page = device->pageLayout().fullRectPixels(device->logicalDpiX());
    const QRectF paint = device->pageLayout().paintRectPixels(device->logicalDpiX());
    // Page coordinates: the painter starts at the paint rectangle's corner.
    painter.translate(-paint.topLeft());
    const QSizeF grid(kCardsAcross * cards.CardWidth(), kCardsDown * cards.CardHeight());
    const QPointF corner((page.width() - grid.width()) / 2, (page.height() - grid.height()) / 2);
    const double mark = std::min({kCutMarkMm * mm, corner.x() - 1.0 * mm, corner.y() - 1.0 * mm});

    const auto drawCutMarks = [&] {
        if (mark <= 0)
            return;
        painter.save();
        painter.setPen(QPen(Qt::black, 0.1 * mm));
        for (int i = 0; i <= kCardsAcross; ++i) {
            const double x = corner.x() + i * cards.CardWidth();
            painter.drawLine(QPointF(x, corner.y() - mark - 0.5 * mm), QPointF(x, corner.y() - 0.5 * mm));
            painter.drawLine(QPointF(x, corner.y() + grid.height() + 0.5 * mm),
                             QPointF(x, corner.y() + grid.height() + mark + 0.5 * mm));
        }
        for (int i = 0; i <= kCardsDown; ++i) {
            const double y = corner.y() + i * cards.CardHeight();
            painter.drawLine(QPointF(corner.x() - mark - 0.5 * mm, y), QPointF(corner.x() - 0.5 * mm, y));
            painter.drawLine(QPointF(corner.x() + grid.width() + 0.5 * mm, y),
                             QPointF(corner.x() + grid.width() + mark + 0.5 * mm, y));
        }
        painter.restore();
    };

    int slot = 0;
    for (const PrintSpell& spell : spells) {
        for (const CardPiece& piece : cards.Pieces(spell)) {
            if (slot == kCardsAcross * kCardsDown) {
                device->newPage();
                slot = 0;
            }
            if (slot == 0)
                drawCutMarks();
            const int column = slot % kCardsAcross;
            const int row = slot / kCardsAcross;
            const QPointF origin = corner + QPointF(column * cards.CardWidth(), row * cards.CardHeight());
            cards.Draw(piece, origin);
            ++slot;
        }
    }
}

QString SheetHtml(const std::vector<PrintSpell>& spells) {
    static constexpr int kTableFields[] = {kFieldName, kFieldLevel, kFieldSchool, kFieldRange, kFieldDuration,
                                           kFieldArea, kFieldComponents, kFieldSavingThrow, kFieldCastingTime};
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\"><tr>");
    for (const int field : kTableFields)
        html += QStringLiteral("<th align=\"left\">%1</th>").arg(QString::fromLatin1(g_szColumnNames[field]));
    html += QStringLiteral("</tr>");
    for (const PrintSpell& spell : spells) {
        html += QStringLiteral("<tr>");
        for (const int field : kTableFields)
            html += QStringLiteral("<td>%1</td>").arg(spell.fields[static_cast<std::size_t>(field)].toHtmlEscaped());
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");
    for (const PrintSpell& spell : spells) {
        html += QStringLiteral("<h3>%1</h3><p>").arg(spell.fields[kFieldName].toHtmlEscaped());
        for (const int field : kTableFields) {
            if (field == kFieldName)
                continue;
            html += QStringLiteral("<b>%1:</b> %2 &nbsp; ")
                        .arg(QString::fromLatin1(g_szColumnNames[field]),
                             spell.fields[static_cast<std::size_t>(field)].toHtmlEscaped());
        }
        html += QStringLiteral("</p>");
        // A block per line: a line break is a break between words in the
        // PDF's text too.
        for (const QString& paragraph : DescriptionParagraphs(spell.description)) {
            const QStringList lines = paragraph.split(QChar(QChar::LineSeparator));
            for (qsizetype i = 0; i < lines.size(); ++i)
                html += QStringLiteral("<p style=\"margin-top:%1px; margin-bottom:0px\">%2</p>")
                            .arg(i == 0 ? 6 : 0)
                            .arg(lines[i].toHtmlEscaped());
        }
    }
    return html;
}

void PaintSheet(QPagedPaintDevice* device, QPainter& painter, const std::vector<PrintSpell>& spells) {
    QTextDocument document;
    document.setDefaultFont(PrintFont(8));
    document.setHtml(SheetHtml(spells));
    const QRectF paint = device->pageLayout().paintRectPixels(device->logicalDpiX());
    const QSizeF pageSize(paint.width(), paint.height());
    document.documentLayout()->setPaintDevice(device);
    document.setPageSize(pageSize);
    const int pages = document.pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device->newPage();
        painter.save();
        painter.translate(0, -page * pageSize.height());
        document.drawContents(&painter, QRectF(QPointF(0, page * pageSize.height()), pageSize));
        painter.restore();
    }
}

}  // namespace

QStringList DescriptionParagraphs(const QString& description) {
    QStringList paragraphs;
    for (QString line : description.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        line.replace(QLatin1Char('\t'), QLatin1Char(' '));
        if (!line.trimmed().isEmpty())
            paragraphs.push_back(line);
    }
    return paragraphs;
}

std::string PrintDescription(LineReader& file, int64_t textOffset) {
    // The description's lines as the parse sees them: those after a blank
    // line start a paragraph; the others join the line before as the
    // details join them, with nothing between.
    class Paragraphs : public SpellTextObserver {
    public:
        void OnLine(LineRole role, std::string_view line, int64_t) override {
            if (role == LineRole::kBlank) {
                breakPending_ = !text.empty();
                return;
            }
            if (role != LineRole::kDescription && role != LineRole::kParagraph)
                return;
            if (line.ends_with('\r'))
                line.remove_suffix(1);
            if (breakPending_)
                text.push_back('\n');
            breakPending_ = false;
            if (text.size() < kMaxDescriptionBytes)
                text.append(line.substr(0, kMaxDescriptionBytes - text.size()));
        }
        void OnValue(SpellField, std::string_view, const FieldCut*, bool) override {}
        void OnEntryEnd(ParseResult, const SpellRecord&) override {}

        std::string text;

    private:
        bool breakPending_ = false;
    } paragraphs;
    if (textOffset < 0 || !file.Seek(textOffset))
        return {};
    ScanDescription(file, nullptr, kMaxDescriptionBytes, &paragraphs);
    return std::move(paragraphs.text);
}

PrintSpells LoadPrintSpells(const std::string& dataDir, const std::string& spellClass,
                            const std::vector<int64_t>& offsets) {
    PrintSpells result;
    const std::string indexPath = IndexPath(dataDir, spellClass);
    IndexReader index;
    if (!index.Open(indexPath)) {
        result.strMessage = messages::CannotOpenIndex(indexPath, ErrorReason(index.Error()));
        return result;
    }
    std::unordered_map<int64_t, PrintSpell> byOffset;
    for (const int64_t offset : offsets)
        byOffset.emplace(offset, PrintSpell());
    LineReader text;
    const bool haveText = text.Open(TextPath(dataDir, spellClass));
    SpellRecord record;
    LevelDigits scratch;
    while (index.Next(record)) {
        const auto found = byOffset.find(index.LastOffset());
        if (found == byOffset.end())
            continue;
        PrintSpell& spell = found->second;
        const RecordFieldViews fields = RecordFields(record, scratch);
        for (std::size_t field = 0; field < fields.size(); ++field)
            spell.fields[field] = DisplayText(fields[field]);
        spell.schoolImage = record.nSchoolImage;
        if (haveText)
            spell.description = DisplayText(PrintDescription(text, record.nTextOffset));
    }
    if (index.Failed()) {
        result.strMessage = messages::CannotReadIndex(indexPath, ErrorReason(index.Error()));
        return result;
    }
    result.spells.reserve(offsets.size());
    for (const int64_t offset : offsets)
        if (const auto found = byOffset.find(offset); found != byOffset.end() && !found->second.fields[0].isNull())
            result.spells.push_back(found->second);
    return result;
}

bool PaintSpells(QPagedPaintDevice* device, const std::vector<PrintSpell>& spells, PrintLayout layout) {
    if (layout == PrintLayout::kCards) {
        device->setPageOrientation(QPageLayout::Portrait);
        device->setPageMargins(QMarginsF(0, 0, 0, 0));
    }
    QPainter painter;
    if (!painter.begin(device))
        return false;
    if (layout == PrintLayout::kCards)
        PaintCards(device, painter, spells);
    else
        PaintSheet(device, painter, spells);
    return painter.end();
}

std::string WriteSpellsPdf(const std::string& path, const std::vector<PrintSpell>& spells, PrintLayout layout) {
    const std::filesystem::path file(path);
    std::string dir = file.parent_path().string();
    if (!dir.empty() && dir.back() != '/')
        dir.push_back('/');
    ReplacementFile replacement;
    if (!replacement.Create(dir, file.filename().string()))
        return messages::CannotWritePdf(path, ReplacementReason(replacement));
    QFile out;
    if (!out.open(replacement.fd(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        return messages::CannotWritePdf(path, out.errorString().toStdString());
    {
        QPdfWriter writer(&out);
        writer.setCreator(QStringLiteral("Spells"));
        writer.setTitle(QStringLiteral("Spells"));
        const bool letter = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
        writer.setPageSize(QPageSize(letter ? QPageSize::Letter : QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        if (!PaintSpells(&writer, spells, layout))
            return messages::CannotWritePdf(path, ErrorReason(EIO));
    }
    if (!out.flush() || out.error() != QFileDevice::NoError)
        return messages::CannotWritePdf(path, out.errorString().toStdString());
    out.close();
    if (!replacement.Commit())
        return messages::CannotWritePdf(path, ReplacementReason(replacement));
    return {};
}

std::string WriteClassPdf(const std::string& dataDir, const std::string& spellClass, const std::string* book,
                          const std::string& path, PrintLayout layout) {
    SpellBook marks;
    if (book) {
        BookRead read = ReadBookNamed(dataDir, spellClass, *book);
        if (!read.ok())
            return read.strMessage;
        marks = std::move(read.book);
    }
    // The order of a fresh list: the list's own load, by name.
    const std::string indexPath = IndexPath(dataDir, spellClass);
    IndexReader index;
    if (!index.Open(indexPath))
        return messages::CannotOpenIndex(indexPath, ErrorReason(index.Error()));
    SpellListModel list;
    list.SetKeyField(kFieldName);
    list.BeginLoad(static_cast<std::size_t>(index.RecordCount()));
    SpellRecord record;
    while (index.Next(record))
        if (!book || marks.Has(FieldText(record.szName)))
            list.AppendRecord(record, index.LastOffset());
    if (index.Failed())
        return messages::CannotReadIndex(indexPath, ErrorReason(index.Error()));
    list.FinishLoad();
    std::vector<int64_t> offsets;
    offsets.reserve(static_cast<std::size_t>(list.rowCount()));
    for (int row = 0; row < list.rowCount(); ++row)
        offsets.push_back(list.RecordOffset(row));
    const PrintSpells spells = LoadPrintSpells(dataDir, spellClass, offsets);
    if (!spells.strMessage.empty())
        return spells.strMessage;
    return WriteSpellsPdf(path, spells.spells, layout);
}
