// SPDX-License-Identifier: MIT
#include "CSpellInfoDlg.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include "DescriptionReader.h"
#include "DialogUnits.h"
#include "DisplayText.h"
#include "IndexReader.h"
#include "MatchHighlight.h"
#include "MessageBox.h"
#include "Messages.h"
#include "RegularFile.h"
#include "SpellCopy.h"
#include "SpellFiles.h"
#include "SpellSearch.h"
#include "resource.h"

namespace {

constexpr int kDialogWidth = 326;  // dialog units
constexpr int kDialogHeight = 183;
constexpr QRect kOkRect(128, 165, 68, 17);
constexpr QRect kDescriptionRect(2, 65, 320, 97);
constexpr int kTabStop = 32;  // an edit control's tab stops, in dialog units


enum class Frame { kSunken, kSunkenBordered };

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry,
                  Qt::Alignment align) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

QLabel* MakeValue(QWidget* parent, const char* objectName, const QRect& geometry,
                  Qt::Alignment align, Frame frame) {
    auto* value = MakeLabel(parent, QString(), geometry, align);
    value->setObjectName(QString::fromLatin1(objectName));
    value->setFrameStyle((frame == Frame::kSunkenBordered ? QFrame::Box : QFrame::Panel) |
                         QFrame::Sunken);
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return value;
}

// Pixels a label has for its text: its contents less margins and the
// indent a framed label keeps.
int TextRoom(const QLabel* label) {
    const int indent =
        label->frameWidth() > 0 ? label->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0;
    return label->contentsRect().width() - 2 * label->margin() - indent;
}

// Pixels a line edit has for its text: inside its frame, less the margin
// it keeps on either side.
int TextRoom(const QLineEdit* edit) {
    constexpr int kLineEditMargin = 2;
    const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
    return edit->width() - 2 * (frame + kLineEditMargin);
}

// A value cut short by its field shows whole in a tooltip.
template <typename Field>
void ShowWholeTextWhenCut(Field* field) {
    field->ensurePolished();
    const bool cut = field->fontMetrics().horizontalAdvance(field->text()) > TextRoom(field);
    field->setToolTip(cut ? field->text() : QString());
}

}  // namespace

CSpellInfoDlg::CSpellInfoDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::fromLatin1(RESOURCE_NAME(IDD_SPELL_INFO)));
    setWindowTitle(QStringLiteral("Spells"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    const DialogUnits dlu(font());
    setMinimumSize(dlu.X(kDialogWidth), dlu.Y(kDialogHeight));
    resize(minimumSize());

    // In tab order. The one button carries the cancel command.
    m_ctlOk = new QPushButton(QStringLiteral("OK"), this);
    m_ctlOk->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDCANCEL)));
    m_ctlOk->setGeometry(dlu.Rect(kOkRect));
    connect(m_ctlOk, &QPushButton::clicked, this, &QDialog::reject);

    m_ctlName = MakeValue(this, RESOURCE_NAME(IDC_NAME), dlu.Rect(23, 7, 114, 13), Qt::AlignHCenter,
                          Frame::kSunkenBordered);
    m_ctlSchool = MakeValue(this, RESOURCE_NAME(IDC_SCHOOL), dlu.Rect(176, 7, 73, 13),
                            Qt::AlignHCenter, Frame::kSunken);
    m_ctlLevel = MakeValue(this, RESOURCE_NAME(IDC_LEVEL), dlu.Rect(304, 7, 18, 13),
                           Qt::AlignHCenter, Frame::kSunkenBordered);
    MakeLabel(this, QStringLiteral("Level"), dlu.Rect(274, 7, 22, 13), Qt::AlignRight);
    MakeLabel(this, QStringLiteral("Duration"), dlu.Rect(2, 29, 46, 12), Qt::AlignLeft);
    MakeLabel(this, QStringLiteral("Range"), dlu.Rect(100, 29, 43, 12), Qt::AlignLeft);
    MakeLabel(this, QStringLiteral("Area of effect"), dlu.Rect(200, 29, 49, 12), Qt::AlignLeft);
    m_ctlDuration = MakeValue(this, RESOURCE_NAME(IDC_DURATION), dlu.Rect(48, 29, 50, 12),
                              Qt::AlignLeft, Frame::kSunken);
    m_ctlRange = MakeValue(this, RESOURCE_NAME(IDC_RANGE), dlu.Rect(143, 29, 54, 12), Qt::AlignLeft,
                           Frame::kSunken);
    MakeLabel(this, QStringLiteral("Components"), dlu.Rect(2, 45, 46, 12), Qt::AlignLeft);
    MakeLabel(this, QStringLiteral("Casting Time"), dlu.Rect(100, 45, 43, 12), Qt::AlignLeft);
    MakeLabel(this, QStringLiteral("Saving Throw"), dlu.Rect(200, 45, 49, 12), Qt::AlignLeft);
    m_ctlComponents = MakeValue(this, RESOURCE_NAME(IDC_COMPONENTS), dlu.Rect(48, 45, 50, 12),
                                Qt::AlignLeft, Frame::kSunken);
    m_ctlCastingTime = MakeValue(this, RESOURCE_NAME(IDC_CASTING_TIME), dlu.Rect(143, 45, 54, 12),
                                 Qt::AlignLeft, Frame::kSunken);
    m_ctlSavingThrow = MakeValue(this, RESOURCE_NAME(IDC_SAVING_THROW), dlu.Rect(249, 45, 73, 12),
                                 Qt::AlignLeft, Frame::kSunken);

    m_ctlDescription = new QPlainTextEdit(this);
    m_ctlDescription->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_DESCRIPTION)));
    m_ctlDescription->installEventFilter(this);
    m_ctlDescription->setAccessibleName(tr("Description"));
    m_ctlDescription->setGeometry(dlu.Rect(kDescriptionRect));
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

    MakeLabel(this, QStringLiteral("Name"), dlu.Rect(2, 7, 22, 13), Qt::AlignLeft);
    MakeLabel(this, QStringLiteral("School"), dlu.Rect(149, 7, 24, 13), Qt::AlignLeft);

    // Editable, but what is typed here is never kept.
    m_ctlArea = new QLineEdit(this);
    m_ctlArea->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_AREA)));
    m_ctlArea->setAccessibleName(tr("Area of effect"));
    m_ctlArea->setGeometry(dlu.Rect(249, 29, 73, 12));

    setTabOrder(m_ctlOk, m_ctlDescription);
    setTabOrder(m_ctlDescription, m_ctlArea);
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
    m_strName = FieldDisplayText(FieldText(record->szName));
    m_strSchool = FieldDisplayText(FieldText(record->szSchool));
    m_strLevel = QString::asprintf("%d", record->nLevel);
    m_strRange = FieldDisplayText(FieldText(record->szRange));
    m_strDuration = FieldDisplayText(FieldText(record->szDuration));
    m_strArea = FieldDisplayText(FieldText(record->szArea));
    m_strSavingThrow = FieldDisplayText(FieldText(record->szSavingThrow));
    m_strComponents = FieldDisplayText(FieldText(record->szComponents));
    m_strCastingTime = FieldDisplayText(FieldText(record->szCastingTime));
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

// The description box copies its selection itself; without one, Ctrl+C
// there copies the spell.
bool CSpellInfoDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ctlDescription && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy) &&
        !m_ctlDescription->textCursor().hasSelection()) {
        CopySpell();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CSpellInfoDlg::SetDescriptionSource(DescriptionSource source) { g_descriptionSource = std::move(source); }

bool CSpellInfoDlg::ReadDescription(int32_t textOffset) {
    const std::string textPath = m_strPath + std::string(kTextExtension);
    const DescriptionResult description = g_descriptionSource ? g_descriptionSource(textPath, textOffset)
                                                              : ReadDescriptionText(textPath, textOffset);
    const std::string fileName =
        std::filesystem::path(m_strPath).filename().string() + std::string(kTextExtension);
    if (description.status == DescriptionStatus::kCannotOpenText) {
        ShowMessageBox(Utf8(messages::CannotOpenFile(fileName)), QMessageBox::Ok, this);
        return false;
    }
    if (description.status == DescriptionStatus::kReadError) {
        // Part of a description would pass for all of it: the box stays
        // empty, and the message says why.
        ShowMessageBox(Utf8(messages::CannotReadFile(
                           fileName, description.strReason.empty() ? ErrorReason(EIO) : description.strReason)),
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
    const DialogUnits dlu(font());
    const QSize extra = (event->size() - QSize(dlu.X(kDialogWidth), dlu.Y(kDialogHeight)))
                            .expandedTo(QSize(0, 0));
    m_ctlDescription->setGeometry(
        dlu.Rect(kDescriptionRect).adjusted(0, 0, extra.width(), extra.height()));
    m_ctlOk->setGeometry(dlu.Rect(kOkRect).translated(extra.width() / 2, extra.height()));
    UpdateWrapMode();
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
    m_ctlArea->setText(m_strArea);
    for (QLabel* value : {m_ctlComponents, m_ctlCastingTime, m_ctlDuration, m_ctlLevel, m_ctlName,
                          m_ctlRange, m_ctlSavingThrow, m_ctlSchool})
        ShowWholeTextWhenCut(value);
    ShowWholeTextWhenCut(m_ctlArea);
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
