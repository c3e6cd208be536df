// SPDX-License-Identifier: MIT
#include "CSpellInfoDlg.h"

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <filesystem>

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QWheelEvent>

#include "DescriptionReader.h"
#include "DialogUnits.h"
#include "DisplayText.h"
#include "Globals.h"
#include "IndexReader.h"
#include "MatchHighlight.h"
#include "MessageBox.h"
#include "Messages.h"
#include "SpellCopy.h"
#include "SpellFiles.h"
#include "SpellSearch.h"
#include "StatusMessage.h"
#include "resource.h"

namespace {

constexpr int kDialogWidth = 326;  // dialog units
constexpr int kDialogHeight = 183;
constexpr QRect kOkRect(128, 165, 68, 17);
constexpr QRect kDescriptionRect(2, 65, 320, 97);
constexpr int kTabStop = 32;  // an edit control's tab stops, in dialog units

// The fields' rows in the template: each label, value, label, value,
// label, value. The first row has its own columns; the other two share
// theirs.
struct TemplateColumn {
    int x;
    int width;
};
using TemplateColumns = std::array<TemplateColumn, 6>;
constexpr TemplateColumns kFirstRowColumns{{{2, 22}, {23, 114}, {149, 24}, {176, 73}, {274, 22}, {304, 18}}};
constexpr TemplateColumns kPairedRowColumns{{{2, 46}, {48, 50}, {100, 43}, {143, 54}, {200, 49}, {249, 73}}};
struct TemplateRow {
    int y;
    int height;
    const TemplateColumns* columns;
};
constexpr std::array<TemplateRow, 3> kRows{{{7, 13, &kFirstRowColumns},
                                            {29, 12, &kPairedRowColumns},
                                            {45, 12, &kPairedRowColumns}}};
constexpr int kLabelGap = 2;          // at least, between a label and its value
constexpr int kMinDescription = 24;   // the description's least height

enum class Frame { kSunken, kSunkenBordered };

QLabel* MakeLabel(QWidget* parent, const QString& text, Qt::Alignment align) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

// A value wraps at word boundaries, and can be selected and copied by
// mouse or keyboard (which gives it the focus on Tab).
QLabel* MakeValue(QWidget* parent, const char* objectName, Qt::Alignment align, Frame frame) {
    auto* value = MakeLabel(parent, QString(), align);
    value->setObjectName(QString::fromLatin1(objectName));
    value->setFrameStyle((frame == Frame::kSunkenBordered ? QFrame::Box : QFrame::Panel) |
                         QFrame::Sunken);
    value->setTextFormat(Qt::PlainText);
    value->setWordWrap(true);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    value->setFocusPolicy(Qt::StrongFocus);
    return value;
}

// The height of `widget` at `width`: a label's wrapped text; the area's
// document, laid out at that width.
int HeightForWidth(QWidget* widget, int width) {
    if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
        const int frame = 2 * edit->frameWidth();
        edit->document()->setTextWidth(width - frame);
        return static_cast<int>(std::ceil(edit->document()->size().height())) + frame;
    }
    return widget->heightForWidth(width);
}

}  // namespace

CSpellInfoDlg::CSpellInfoDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::fromLatin1(RESOURCE_NAME(IDD_SPELL_INFO)));
    // The caption, the button and the labels are the program's own words,
    // the same in every language: they are not translated.
    setWindowTitle(QStringLiteral("Spells"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    const DialogUnits dlu(font());
    setMinimumSize(dlu.X(kDialogWidth), dlu.Y(kDialogHeight));
    resize(minimumSize());

    // The one button carries the cancel command.
    m_ctlOk = new QPushButton(QStringLiteral("OK"), this);
    m_ctlOk->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDCANCEL)));
    connect(m_ctlOk, &QPushButton::clicked, this, &QDialog::reject);

    m_ctlName = MakeValue(this, RESOURCE_NAME(IDC_NAME), Qt::AlignHCenter, Frame::kSunkenBordered);
    m_ctlName->setAccessibleName(tr("Name"));
    m_ctlSchool = MakeValue(this, RESOURCE_NAME(IDC_SCHOOL), Qt::AlignHCenter, Frame::kSunken);
    m_ctlSchool->setAccessibleName(tr("School"));
    m_ctlLevel = MakeValue(this, RESOURCE_NAME(IDC_LEVEL), Qt::AlignHCenter, Frame::kSunkenBordered);
    m_ctlDuration = MakeValue(this, RESOURCE_NAME(IDC_DURATION), Qt::AlignLeft, Frame::kSunken);
    m_ctlRange = MakeValue(this, RESOURCE_NAME(IDC_RANGE), Qt::AlignLeft, Frame::kSunken);
    m_ctlComponents = MakeValue(this, RESOURCE_NAME(IDC_COMPONENTS), Qt::AlignLeft, Frame::kSunken);
    m_ctlCastingTime = MakeValue(this, RESOURCE_NAME(IDC_CASTING_TIME), Qt::AlignLeft, Frame::kSunken);
    m_ctlSavingThrow = MakeValue(this, RESOURCE_NAME(IDC_SAVING_THROW), Qt::AlignLeft, Frame::kSunken);

    m_ctlDescription = new QPlainTextEdit(this);
    m_ctlDescription->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_DESCRIPTION)));
    m_ctlDescription->installEventFilter(this);
    m_ctlDescription->viewport()->installEventFilter(this);
    m_ctlDescription->setAccessibleName(tr("Description"));
    m_ctlDescription->setReadOnly(true);
    m_ctlDescription->document()->setUndoRedoEnabled(false);
    m_ctlDescription->setTabStopDistance(dlu.X(kTabStop));
    // Qt measures a tab twice: while it wraps a line, and again, counting
    // glyphs as characters, when it draws the line. Shaped text has fewer
    // glyphs than characters (ligatures), which drew tabs wider than they
    // were wrapped and pushed the ends of their lines out of the box.
    // Unshaped, glyphs and characters match (see SetDescription for the
    // exception).
    QFont descriptionFont = m_ctlDescription->font();
    descriptionFont.setStyleStrategy(QFont::PreferNoShaping);
    m_ctlDescription->setFont(descriptionFont);
    m_ctlDescription->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_ctlDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_ctlDescription->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_ctlDescription->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                              Qt::TextSelectableByKeyboard);

    // Editable, but what is typed here is never kept. It wraps and grows
    // as the other values do.
    m_ctlArea = new QTextEdit(this);
    m_ctlArea->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_AREA)));
    m_ctlArea->setAccessibleName(tr("Area of effect"));
    m_ctlArea->setAcceptRichText(false);
    m_ctlArea->setTabChangesFocus(true);
    m_ctlArea->setLineWrapMode(QTextEdit::WidgetWidth);
    m_ctlArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_ctlArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_ctlArea->document()->setDocumentMargin(1);
    m_ctlArea->installEventFilter(this);
    m_ctlArea->viewport()->installEventFilter(this);
    connect(m_ctlArea, &QTextEdit::textChanged, this, &CSpellInfoDlg::LayOutControls);

    // Each value is labelled by its label, for a screen reader as well.
    const auto labelled = [this](const char* text, QWidget* value, Qt::Alignment align) {
        QLabel* label = MakeLabel(this, QString::fromLatin1(text), align);
        label->setBuddy(value);
        return label;
    };
    m_grid = {{{labelled("Name", m_ctlName, Qt::AlignLeft), m_ctlName,
                labelled("School", m_ctlSchool, Qt::AlignLeft), m_ctlSchool,
                labelled("Level", m_ctlLevel, Qt::AlignRight), m_ctlLevel},
               {labelled("Duration", m_ctlDuration, Qt::AlignLeft), m_ctlDuration,
                labelled("Range", m_ctlRange, Qt::AlignLeft), m_ctlRange,
                labelled("Area of effect", m_ctlArea, Qt::AlignLeft), m_ctlArea},
               {labelled("Components", m_ctlComponents, Qt::AlignLeft), m_ctlComponents,
                labelled("Casting Time", m_ctlCastingTime, Qt::AlignLeft), m_ctlCastingTime,
                labelled("Saving Throw", m_ctlSavingThrow, Qt::AlignLeft), m_ctlSavingThrow}}};

    // Reading order: the values row by row, the description, OK.
    QWidget* previous = nullptr;
    for (const auto& row : m_grid)
        for (QWidget* value : {row[1], row[3], row[5]}) {
            if (value != m_ctlArea)
                value->installEventFilter(this);
            if (previous)
                setTabOrder(previous, value);
            previous = value;
        }
    setTabOrder(previous, m_ctlDescription);
    setTabOrder(m_ctlDescription, m_ctlOk);
    // The template's places until the dialog is shown and laid out; the
    // description's wrapping is chosen for its width.
    m_ctlDescription->setGeometry(dlu.Rect(kDescriptionRect));
    m_ctlOk->setGeometry(dlu.Rect(kOkRect));
}

void CSpellInfoDlg::OnInitDialog() {
    UpdateFields();
    if (const std::optional<int32_t> textOffset = ReadRecord()) {
        UpdateFields();
        ReadDescription(*textOffset);
    }
    m_ctlOk->setFocus();
}

std::optional<int32_t> CSpellInfoDlg::ReadRecord() {
    const RecordResult result = ReadRecordAt(m_strPath + std::string(kIndexExtension), m_nOffset);
    const SpellRecord* record = &result.record;
    if (!result.ok()) {
        ShowMessageBox(Utf8(messages::kNoIndex), QMessageBox::Ok, this);
        return std::nullopt;
    }
    LevelDigits scratch;
    const RecordFieldViews fields = RecordFields(*record, scratch);
    const auto shown = [&](SpellField field) { return FieldDisplayText(fields[static_cast<std::size_t>(field)]); };
    m_strName = shown(kFieldName);
    m_strSchool = shown(kFieldSchool);
    m_strLevel = shown(kFieldLevel);
    m_strRange = shown(kFieldRange);
    m_strDuration = shown(kFieldDuration);
    m_strArea = shown(kFieldArea);
    m_strSavingThrow = shown(kFieldSavingThrow);
    m_strComponents = shown(kFieldComponents);
    m_strCastingTime = shown(kFieldCastingTime);
    return record->nTextOffset;
}

namespace {
CSpellInfoDlg::DescriptionSource g_descriptionSource;
}  // namespace

void CSpellInfoDlg::CopySpell() const {
    const SpellCopyFields spell{m_strName,     m_strSchool,     m_strLevel,
                                m_strDuration, m_strRange,      m_strArea,
                                m_strComponents, m_strCastingTime, m_strSavingThrow,
                                m_ctlDescription->toPlainText().trimmed()};
    QApplication::clipboard()->setMimeData(SpellMimeData(spell));
}

void CSpellInfoDlg::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopySpell();
        return;
    }
    QDialog::keyPressEvent(event);
}

// The description, the area and the values copy their selection
// themselves; without one, Ctrl+C there copies the spell. Ctrl+wheel over
// the boxes changes the text size rather than zooming one box.
bool CSpellInfoDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        bool selected = true;
        if (watched == m_ctlDescription)
            selected = m_ctlDescription->textCursor().hasSelection();
        else if (watched == m_ctlArea)
            selected = m_ctlArea->textCursor().hasSelection();
        else if (auto* value = qobject_cast<QLabel*>(watched))
            selected = value->hasSelectedText();
        if (!selected) {
            CopySpell();
            return true;
        }
    }
    // Enter in the area ends the dialog, as in a one-line field.
    if (watched == m_ctlArea && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            keyPressEvent(key);
            return true;
        }
    }
    if (event->type() == QEvent::Wheel &&
        (watched == m_ctlDescription->viewport() || watched == m_ctlArea->viewport())) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            wheelEvent(wheel);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CSpellInfoDlg::SetDescriptionSource(DescriptionSource source) { g_descriptionSource = std::move(source); }

bool CSpellInfoDlg::ReadDescription(int32_t textOffset) {
    const std::string textPath = m_strPath + std::string(kTextExtension);
    const DescriptionResult description = g_descriptionSource ? g_descriptionSource(textPath, textOffset)
                                                              : ReadDescriptionFromPath(textPath, textOffset);
    const std::string fileName =
        std::filesystem::path(m_strPath).filename().string() + std::string(kTextExtension);
    if (description.status.code == StatusCode::kCannotOpenText) {
        ShowMessageBox(Utf8(messages::CannotOpenFile(fileName)), QMessageBox::Ok, this);
        return false;
    }
    if (description.status.code == StatusCode::kCannotReadText) {
        // Part of a description would pass for all of it: the box stays
        // empty, and the message says why.
        ShowMessageBox(Utf8(messages::CannotReadFile(
                           fileName, ErrorReason(description.status.error != 0 ? description.status.error : EIO))),
                       QMessageBox::Ok, this);
        return false;
    }
    if (!description.ok())
        return false;
    SetDescription(DisplayText(description.strText));
    return true;
}

void CSpellInfoDlg::SetDescription(const QString& text) {
    QString shown = text;
    m_nLongestWord = 0;
    bool beyondBasicPlane = false;
    qsizetype word = 0;
    for (const QChar c : text) {
        word = c.isSpace() ? 0 : word + 1;
        m_nLongestWord = std::max(m_nLongestWord, word);
        beyondBasicPlane = beyondBasicPlane || c.isHighSurrogate();
    }
    // A character beyond the Basic Multilingual Plane is two characters
    // and one glyph even unshaped: with one in the text, tabs are shown as
    // spaces rather than risk a line Qt draws wider than it wrapped it.
    if (beyondBasicPlane)
        shown.replace(QLatin1Char('\t'), QStringLiteral("    "));
    UpdateWrapMode();
    // Laid out once, when the box is first painted at its final width:
    // replacing a text of two blocks in one edit leaves the layout of the
    // new block to the paint, where setPlainText() would lay it out at once
    // (the box not being shown yet, at another width) and again when shown.
    // The text goes in behind the box's own cursor, which stays at the start.
    m_ctlDescription->setPlainText(QStringLiteral("\n"));
    QTextCursor cursor(m_ctlDescription->document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown);
    cursor.setPosition(0);
    cursor.deleteChar();  // the first block's end
    cursor.endEditBlock();
}

void CSpellInfoDlg::UpdateWrapMode() {
    // A word wider than the box wraps anywhere. Qt's word wrap does so on
    // its own, but scans the rest of such a word again for every line it
    // fills: minutes for a word of a megabyte. Where a word may not fit,
    // the whole text wraps anywhere instead.
    const int boxWidth = m_ctlDescription->maximumViewportSize().width() -
                         m_ctlDescription->verticalScrollBar()->sizeHint().width();
    const qsizetype charWidth = m_ctlDescription->fontMetrics().averageCharWidth();
    const QTextOption::WrapMode mode = m_nLongestWord * charWidth > boxWidth
                                           ? QTextOption::WrapAnywhere
                                           : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (m_ctlDescription->wordWrapMode() != mode)
        m_ctlDescription->setWordWrapMode(mode);
}

void CSpellInfoDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayOutControls();
}

void CSpellInfoDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    LayOutControls();
}

void CSpellInfoDlg::LayOutControls() {
    // Laid out when shown: a spell read only to be copied needs no layout.
    // A minimum size raised below resizes the dialog, which comes back here.
    if (m_bLayingOut || !isVisible())
        return;
    m_bLayingOut = true;
    const DialogUnits dlu(font());
    const int gap = dlu.X(kLabelGap);
    const int rightMargin = dlu.X(kDialogWidth - (kDescriptionRect.x() + kDescriptionRect.width()));

    // Across: per group of rows sharing their columns, labels as wide as
    // their texts (at least as in the template), values sharing the rest.
    std::array<std::array<QRect, 6>, kRows.size()> places{};
    const auto placeColumns = [&](int dialogWidth) {
        int needed = 0;
        for (std::size_t first = 0; first < kRows.size();) {
            std::size_t end = first + 1;
            while (end < kRows.size() && kRows[end].columns == kRows[first].columns)
                ++end;
            const TemplateColumns& columns = *kRows[first].columns;
            std::array<int, 6> widths{};
            std::array<int, 6> gaps{};
            std::vector<int> weights;
            std::vector<int> minimums;
            int fixed = rightMargin;
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const int templateEnd = c == 0 ? 0 : columns[c - 1].x + columns[c - 1].width;
                gaps[c] = c == 0 ? dlu.X(columns[c].x) : std::max(dlu.X(columns[c].x - templateEnd), gap);
                fixed += gaps[c];
                if (c % 2 == 0) {
                    widths[c] = dlu.X(columns[c].width);
                    for (std::size_t r = first; r < end; ++r)
                        widths[c] = std::max(widths[c], m_grid[r][c]->sizeHint().width());
                    fixed += widths[c];
                } else {
                    // A label's longest word; the area wraps anywhere.
                    int minimum = dlu.X(8);
                    for (std::size_t r = first; r < end; ++r)
                        if (m_grid[r][c] != m_ctlArea)
                            minimum = std::max(minimum, m_grid[r][c]->minimumSizeHint().width());
                    weights.push_back(columns[c].width);
                    minimums.push_back(minimum);
                }
            }
            const std::vector<int> shares = ShareRoom(dialogWidth - fixed, weights, minimums);
            for (std::size_t c = 1; c < columns.size(); c += 2)
                widths[c] = shares[c / 2];
            int minimumsTotal = 0;
            for (const int minimum : minimums)
                minimumsTotal += minimum;
            needed = std::max(needed, fixed + minimumsTotal);
            for (std::size_t r = first; r < end; ++r) {
                int x = 0;
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    x += gaps[c];
                    places[r][c] = QRect(x, 0, widths[c], 0);
                    x += widths[c];
                }
            }
            first = end;
        }
        return needed;
    };
    const int neededWidth = placeColumns(width());
    setMinimumWidth(std::max(dlu.X(kDialogWidth), neededWidth));
    if (width() < neededWidth)
        placeColumns(width());

    // Down: each value as high as its text (at least as in the template),
    // each row as high as its highest value, the labels level with the
    // first line of their values.
    int top = 0;
    for (std::size_t r = 0; r < kRows.size(); ++r) {
        top += r == 0 ? dlu.Y(kRows[r].y) : dlu.Y(kRows[r].y - kRows[r - 1].y - kRows[r - 1].height);
        int rowHeight = 0;
        int lineHeight = dlu.Y(kRows[r].height);
        for (std::size_t c = 1; c < places[r].size(); c += 2) {
            QWidget* value = m_grid[r][c];
            const int height = std::max(dlu.Y(kRows[r].height), HeightForWidth(value, places[r][c].width()));
            value->setGeometry(places[r][c].translated(0, top).adjusted(0, 0, 0, height));
            rowHeight = std::max(rowHeight, height);
            if (value != m_ctlArea)
                lineHeight = std::max(lineHeight, value->minimumSizeHint().height());
        }
        for (std::size_t c = 0; c < places[r].size(); c += 2) {
            const int height = std::min(rowHeight, std::max(lineHeight, m_grid[r][c]->sizeHint().height()));
            m_grid[r][c]->setGeometry(places[r][c].translated(0, top).adjusted(0, 0, 0, height));
        }
        top += rowHeight;
    }

    // The description takes the rest of the height; OK stays centred below.
    const int descriptionTop =
        top + dlu.Y(kDescriptionRect.y() - kRows.back().y - kRows.back().height);
    const int belowDescription = dlu.Y(kDialogHeight - kDescriptionRect.y() - kDescriptionRect.height());
    setMinimumHeight(std::max(dlu.Y(kDialogHeight), descriptionTop + dlu.Y(kMinDescription) + belowDescription));
    const QSize extra = (size() - QSize(dlu.X(kDialogWidth), dlu.Y(kDialogHeight))).expandedTo(QSize(0, 0));
    m_ctlDescription->setGeometry(dlu.X(kDescriptionRect.x()), descriptionTop,
                                  width() - dlu.X(kDescriptionRect.x()) - rightMargin,
                                  height() - belowDescription - descriptionTop);
    m_ctlOk->setGeometry(dlu.Rect(kOkRect).translated(extra.width() / 2, extra.height()));
    UpdateWrapMode();
    m_bLayingOut = false;
}

void CSpellInfoDlg::SetTextFont(const QFont& font) {
    QFont descriptionFont = font;
    descriptionFont.setStyleStrategy(QFont::PreferNoShaping);  // see the constructor
    m_ctlDescription->setFont(descriptionFont);
    for (const auto& row : m_grid)
        for (QWidget* widget : row)
            widget->setFont(font);
    LayOutControls();
}

void CSpellInfoDlg::wheelEvent(QWheelEvent* event) {
    if ((event->modifiers() & Qt::ControlModifier) && event->angleDelta().y() != 0) {
        emit TextSizeWheel(event->angleDelta().y() > 0 ? 1 : -1);
        event->accept();
        return;
    }
    QDialog::wheelEvent(event);
}

void CSpellInfoDlg::UpdateFields() {
    m_ctlComponents->setText(m_strComponents);
    m_ctlCastingTime->setText(m_strCastingTime);
    m_ctlDuration->setText(m_strDuration);
    m_ctlLevel->setText(m_strLevel);
    m_ctlName->setText(m_strName);
    m_ctlRange->setText(m_strRange);
    m_ctlSavingThrow->setText(m_strSavingThrow);
    m_ctlSchool->setText(m_strSchool);
    {
        const QSignalBlocker quiet(m_ctlArea);  // laid out below
        m_ctlArea->setPlainText(m_strArea);
    }
    // Named "Name" and "School", these two give their values to a screen
    // reader as their descriptions: a label has no text interface.
    m_ctlName->setAccessibleDescription(m_strName);
    m_ctlSchool->setAccessibleDescription(m_strSchool);
    LayOutControls();
}

int CSpellInfoDlg::HighlightMatches(const SpellQuery& query) {
    QTextDocument* document = m_ctlDescription->document();
    // The raw text counts as the document's positions do.
    const TextRanges ranges = MatchRanges(document->toRawText(), query, kDescriptionField);
    QTextCharFormat format;
    format.setBackground(MatchBackground());
    format.setForeground(MatchForeground());
    QList<QTextEdit::ExtraSelection> marks;
    for (const auto& [start, length] : ranges) {
        QTextCursor cursor(document);
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        marks.append({cursor, format});
    }
    m_ctlDescription->setExtraSelections(marks);
    if (ranges.isEmpty())
        return 0;
    // Scrolled when the event loop runs, the box then shown at its width:
    // a first match out of view comes to the middle of the box.
    const int first = ranges.first().first;
    QTimer::singleShot(0, m_ctlDescription, [box = m_ctlDescription, first] {
        QTextCursor cursor = box->textCursor();
        cursor.setPosition(std::min(first, box->document()->characterCount() - 1));
        box->setTextCursor(cursor);
        if (!box->viewport()->rect().contains(box->cursorRect()))
            box->centerCursor();
    });
    return static_cast<int>(ranges.size());
}
