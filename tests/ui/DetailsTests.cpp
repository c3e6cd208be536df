// SPDX-License-Identifier: MIT
// The details dialog: opened from the list by double-click, "Details..."
// and Enter, and on its own.

#include <cerrno>
#include <algorithm>
#include <filesystem>

#include <QAccessible>
#include <QClipboard>
#include <QFontMetrics>
#include <QLabel>
#include <QMimeData>
#include <QGlyphRun>
#include <QRawFont>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QWheelEvent>

#include "DialogUnits.h"
#include "UiTestSupport.h"

namespace {

// How far, in pixels, the furthest glyph of the description box reaches
// past the right edge of its viewport: 0 or less when every character
// shows. White space at the end of a wrapped line does not count.
qreal Overhang(QPlainTextEdit* box) {
    qreal worst = -box->viewport()->width();
    for (QTextBlock block = box->document()->firstBlock(); block.isValid(); block = block.next()) {
        box->document()->documentLayout()->blockBoundingRect(block);  // lays the block out
        for (int i = 0; i < block.layout()->lineCount(); ++i) {
            const QTextLine line = block.layout()->lineAt(i);
            int length = line.textLength();
            while (length > 0 && block.text().at(line.textStart() + length - 1).isSpace())
                --length;
            for (const QGlyphRun& run : line.glyphRuns(line.textStart(), length)) {
                const QList<QPointF> advances = run.rawFont().advancesForGlyphIndexes(run.glyphIndexes());
                for (qsizetype g = 0; g < advances.size(); ++g)
                    worst = std::max(worst, run.positions()[g].x() + advances[g].x() - box->viewport()->width());
            }
        }
    }
    return worst;
}

// The details' labels, in the order of their values, and the values in
// reading order.
QList<QLabel*> Labels(const QWidget& info) {
    QList<QLabel*> labels;
    for (QLabel* label : info.findChildren<QLabel*>())
        if (label->buddy())
            labels << label;
    return labels;
}
QList<QWidget*> Values(const QWidget& info) {
    QList<QWidget*> values;
    for (const char* name : {"IDC_NAME", "IDC_SCHOOL", "IDC_LEVEL", "IDC_DURATION", "IDC_RANGE", "IDC_AREA",
                             "IDC_COMPONENTS", "IDC_CASTING_TIME", "IDC_SAVING_THROW"})
        values << info.findChild<QWidget*>(QString::fromLatin1(name));
    return values;
}

class DetailsTest : public MainDialogTest {
protected:
    void LoadSample(const std::string& spellClass) {
        ASSERT_NO_FATAL_FAILURE(BuildSample(spellClass));
        Click(spellClass == "wizard" ? "IDC_WIZARD" : "IDC_PRIEST");
        ASSERT_GT(model->rowCount(), 2);
        ASSERT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
    }
    DetailsView ByDetailsButton() {
        return CaptureDetails([&] { Click("IDOK"); });
    }
    DetailsView ByEnter() {
        list->setFocus();
        return CaptureDetails([&] { QTest::keyClick(list, Qt::Key_Return); });
    }
};

// ---- Opening a row ---------------------------------------------------------

TEST_F(DetailsTest, DoubleClickOpensTheRowsOwnSpell) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    ASSERT_EQ(model->rowCount(), 29);
    const struct {
        int row;
        const char* name;
    } kRows[] = {{0, "Ashen Hand"}, {14, "Lantern of False Dawn"}, {28, "Whispered Errand"}};
    for (const auto& [row, name] : kRows) {
        const DetailsView view = CaptureDetails([&] { DoubleClickRow(row); });
        EXPECT_EQ(SelectedRows(), QList<int>{row});
        ExpectSampleDetails(view, name);
        EXPECT_EQ(view.name, Text(row, 0));
        EXPECT_FALSE(view.description.isEmpty());
    }
    EXPECT_TRUE(dlg->isVisible()) << "the main dialog closed";
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
}

TEST_F(DetailsTest, DetailsButtonAndEnterOpenTheSelectedSpell) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    const int row = model->rowCount() - 2;
    ClickRow(row);
    ASSERT_EQ(SelectedRows(), QList<int>{row});
    ExpectSampleDetails(ByDetailsButton(), "Veil of the Unremarked");
    ExpectSampleDetails(ByEnter(), "Veil of the Unremarked");
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), 0);

    // Moving the selection with the keyboard, then Enter.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(SelectedRows(), QList<int>{row + 1});
    ExpectSampleDetails(ByEnter(), "Whispered Errand");
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(DetailsTest, TypeAheadThenEnterOpensTheTypedSpell) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    const QStringList names = Column(0);
    const QStringList matching = names.filter(QRegularExpression(QStringLiteral("^ember"),
                                                                 QRegularExpression::CaseInsensitiveOption));
    ASSERT_EQ(matching.size(), 1) << "the sample should hold one spell beginning with \"Ember\"";
    const int row = static_cast<int>(names.indexOf(matching[0]));
    list->setFocus();
    QTest::keyClicks(list, QStringLiteral("emb"));
    ASSERT_EQ(SelectedRows(), QList<int>{row});
    ExpectSampleDetails(ByEnter(), "Ember Mote");
}

TEST_F(DetailsTest, PriestRowShowsItsSphereAndDescription) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("priest"));
    const int row = 1;
    ClickRow(row);
    const DetailsView view = ByDetailsButton();
    ExpectSampleDetails(view, "Call the Flock");
    EXPECT_EQ(view.school, Text(row, 2));
}

TEST_F(DetailsTest, AfterHeaderClickARowStillOpensItsOwnSpell) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    ClickHeader(ColumnCaptioned("Level"));
    ASSERT_EQ(Caption(1), QStringLiteral("Spell"));
    const struct {
        int row;
        const char* name;
    } kRows[] = {{0, "Quill of Patient Copying"}, {28, "Orrery of Iron Stars"}};
    for (const auto& [row, name] : kRows) {
        ClickRow(row);
        const DetailsView view = ByDetailsButton();
        EXPECT_EQ(view.name, Text(row, 1));
        EXPECT_EQ(view.level, Text(row, 0));
        ExpectSampleDetails(view, name);
    }
}

TEST_F(DetailsTest, DetailsReadTheClassOfTheShownRows) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    CopySample("priest");
    ClickRow(0);

    Click("IDC_PRIEST");  // no priest index: the list stays wizard
    ASSERT_EQ(MessageTexts(), QStringList{kNoIndex});
    messages.clear();
    ClickRow(0);
    ExpectSampleDetails(ByDetailsButton(), "Ashen Hand");

    answer = QMessageBox::No;  // Create Index builds priest
    Click("IDC_CREATE_INDEX");
    ASSERT_EQ(messages.size(), 1u) << MessageTexts().join('|').toStdString();
    ASSERT_TRUE(std::filesystem::exists(Idx("priest")));
    messages.clear();
    ClickRow(0);
    ExpectSampleDetails(ByDetailsButton(), "Ashen Hand");
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
}

TEST_F(DetailsTest, NothingOpensWithoutASelection) {
    // Empty list.
    EXPECT_EQ(ByDetailsButton().opened, 0);
    EXPECT_EQ(ByEnter().opened, 0);
    // Loaded, but no row selected.
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    list->selectionModel()->clear();
    ASSERT_TRUE(SelectedRows().isEmpty());
    EXPECT_EQ(ByDetailsButton().opened, 0);
    EXPECT_EQ(ByEnter().opened, 0);
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(DetailsTest, TypedAreaTextIsGoneWhenTheSpellIsOpenedAgain) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    ClickRow(0);
    const std::string indexBefore = ReadFile(Idx("wizard"));
    const std::string textBefore = ReadFile(Txt("wizard"));
    const DetailsView typed = CaptureDetails([&] { Click("IDOK"); }, [](CSpellInfoDlg* info) {
        auto* area = info->findChild<QTextEdit*>(QStringLiteral("IDC_AREA"));
        ASSERT_NE(area, nullptr);
        area->selectAll();
        QTest::keyClicks(area, QStringLiteral("typed by the user"));
    });
    EXPECT_EQ(typed.area, QStringLiteral("typed by the user"));
    const DetailsView again = ByDetailsButton();
    ExpectSampleDetails(again, "Ashen Hand");
    EXPECT_EQ(ReadFile(Idx("wizard")), indexBefore);
    EXPECT_EQ(ReadFile(Txt("wizard")), textBefore);
}

// ---- Files gone or changed -------------------------------------------------

// ---- The dialog on its own -------------------------------------------------

class InfoDialogTest : public UiTest {
protected:
    DetailsView Open(int64_t offset, const std::string& spellClass = "wizard") {
        return OpenDetails(dir.prefix() + spellClass, offset);
    }
};

// What the description box shows, built and opened as the user would.
TEST_F(InfoDialogTest, DescriptionBoxShowsTheJoinedDescription) {
    const std::string text = Entry("Joined", "abc\ndef\nghi\n\n") +
                             Entry("Inner", "First part.\n\n\tSecond part.\n\n\n") +
                             Entry("Last", "Runs to the end.\nNo separator after it.");
    for (const bool crlf : {false, true}) {
        SCOPED_TRACE(crlf ? "CR LF" : "LF");
        WriteFile(Txt("wizard"), crlf ? ToCrlf(text) : text);
        ASSERT_TRUE(BuildIndexIn(dir.prefix(), "wizard", 1).ok());
        const QStringList expected = {"abcdefghi", "First part.\tSecond part.",
                                      "Runs to the end.No separator after it."};
        for (int i = 0; i < expected.size(); ++i)
            EXPECT_EQ(Open(i * static_cast<int64_t>(kRecordSize)).description, expected[i]) << i;
        EXPECT_TRUE(messages.empty());
    }
}

// A read that fails part way shows no part of the description as if it
// were all of it: the fields, an empty box and why.
TEST_F(InfoDialogTest, ReadFailingPartWayIsReported) {
    WriteFile(Txt("wizard"), Entry("Halting", "Words.\n\n"));
    ASSERT_TRUE(BuildIndexIn(dir.prefix(), "wizard", 1).ok());
    CSpellInfoDlg::SetDescriptionSource([](const std::string&, int64_t) {
        return DescriptionResult{{StatusCode::kCannotReadText, EIO}, {}};
    });
    const DetailsView view = Open(0);
    CSpellInfoDlg::SetDescriptionSource({});
    EXPECT_EQ(view.name, QStringLiteral("Halting"));
    EXPECT_EQ(view.description, QString());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("can't read file wizard.txt: Input/output error"));
}

TEST_F(InfoDialogTest, NoWholeRecordAtTheOffsetGivesEmptyFields) {
    WriteFile(Txt("wizard"), "Text that must not show\n");
    WriteFile(Idx("wizard"), EncodeAll({MakeRecord("Only")}));
    for (const int64_t offset : {int64_t{1}, int64_t{432}, int64_t{5000}}) {
        messages.clear();
        const DetailsView view = Open(offset);
        EXPECT_EQ(view.name, QString()) << offset;
        EXPECT_EQ(view.level, QString()) << offset;
        EXPECT_EQ(view.area, QString()) << offset;
        EXPECT_EQ(view.description, QString()) << offset;
        EXPECT_EQ(MessageTexts(), QStringList{kNoIndex}) << offset;
    }
    messages.clear();
    const DetailsView view = Open(0, "priest");  // no priest files at all
    EXPECT_EQ(view.name, QString());
    EXPECT_EQ(view.description, QString());
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
}

TEST_F(InfoDialogTest, OkButtonAndEscapeCloseTheDialog) {
    WriteFile(Txt("wizard"), "d\n");
    WriteFile(Idx("wizard"), EncodeAll({MakeRecord("Only")}));
    for (const bool viaEscape : {false, true}) {
        CSpellInfoDlg info;
        // Empty fields before anything is read: no template sample text.
        EXPECT_EQ(ReadDetails(&info).name, QString());
        EXPECT_EQ(ReadDetails(&info).level, QString());
        info.m_strPath = dir.prefix() + "wizard";
        info.OnInitDialog();
        info.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
        auto* ok = info.findChild<QPushButton*>(QStringLiteral("IDCANCEL"));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), QStringLiteral("OK"));
        if (viaEscape)
            QTest::keyClick(&info, Qt::Key_Escape);
        else
            QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_FALSE(info.isVisible());
        EXPECT_EQ(info.result(), QDialog::Rejected);
    }
}

// ---- What the description box shows ------------------------------------------

// "Orrery of Iron Stars" lost the end of a word on a line with a tab; with
// characters beyond the Basic Multilingual Plane (two UTF-16 units each)
// in every run between tabs, tabs show as spaces. At any font size and box
// width no glyph may pass the right edge, and the box opens at the start.
TEST_F(InfoDialogTest, NoCharacterOfADescriptionIsHidden) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    std::string beyond;
    for (int i = 0; i < 90; ++i)
        beyond += i % 5 == 4 ? " gap\tafter" : " ordinary \xF0\x9D\x90\x80\xF0\x9D\x90\x81word";
    WriteFile(Txt("beyond"), Entry("Wide", beyond + "\n"));
    g_nLevel = 1;
    ASSERT_TRUE(BuildIndex("beyond").ok());
    const std::vector<SpellRecord> records = ReadIndex(Idx());
    const auto place = std::find_if(records.begin(), records.end(), [](const SpellRecord& r) {
        return FieldText(r.szName) == "Orrery of Iron Stars";
    });
    ASSERT_NE(place, records.end());
    const int64_t orrery = (place - records.begin()) * static_cast<int64_t>(kRecordSize);
    const struct {
        std::string spellClass;
        int64_t offset;
        bool tabsShown;
    } kCases[] = {{"wizard", orrery, true}, {"beyond", 0, false}};
    for (const auto& c : kCases)
        for (const int pixelSize : {10, 13, 16, 20}) {
            const ScopedAppFont font(TestFont(pixelSize));
            CSpellInfoDlg info;
            info.m_strPath = dir.prefix() + c.spellClass;
            info.m_nOffset = c.offset;
            info.OnInitDialog();
            info.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
            QPlainTextEdit* box = info.m_ctlDescription;
            ASSERT_GT(box->toPlainText().size(), 1000);
            EXPECT_EQ(box->toPlainText().contains(QLatin1Char('\t')), c.tabsShown);
            EXPECT_EQ(box->textCursor().position(), 0);
            EXPECT_EQ(box->horizontalScrollBar()->value(), 0);
            const QSize smallest = info.size();
            for (int extra = 0; extra <= 300; extra += 3) {
                info.resize(smallest.width() + extra, smallest.height());
                EXPECT_LE(Overhang(box), 0.0) << c.spellClass << ", " << pixelSize
                                              << " pixel font, " << extra << " pixels wider";
            }
        }
    EXPECT_TRUE(messages.empty());
}

// ---- The dialog's window -------------------------------------------------------

TEST_F(InfoDialogTest, DialogGrowsButNeverBelowItsTemplate) {
    CSpellInfoDlg info;
    info.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
    auto* box = info.m_ctlDescription;
    auto* ok = info.findChild<QPushButton*>(QStringLiteral("IDCANCEL"));
    const QList<QLabel*> labels = Labels(info);
    const QList<QWidget*> values = Values(info);
    ASSERT_EQ(labels.size(), 9);
    const auto placesOf = [](const auto& widgets) {
        QList<QRect> places;
        for (QWidget* w : widgets)
            places << w->geometry();
        return places;
    };
    const QList<QRect> labelsBefore = placesOf(labels);
    const QList<QRect> valuesBefore = placesOf(values);
    const QRect boxBefore = box->geometry();
    const QRect okBefore = ok->geometry();
    const QSize smallest = info.size();
    EXPECT_EQ(info.minimumSize(), smallest);

    // Wider: the values share the room in proportion to their template
    // widths (name 114, school 73, level 18; 50, 54 and 73 below), give
    // or take a pixel of rounding; the labels keep their sizes.
    info.resize(smallest + QSize(200, 120));
    EXPECT_EQ(box->geometry(), boxBefore.adjusted(0, 0, 200, 120));
    EXPECT_EQ(ok->geometry(), okBefore.translated(100, 120));
    const int grown[] = {111, 71, 18, 56, 61, 83, 56, 61, 83};
    for (int i = 0; i < values.size(); ++i) {
        EXPECT_NEAR(values[i]->width(), valuesBefore[i].width() + grown[i], 1) << values[i]->objectName().toStdString();
        EXPECT_EQ(values[i]->height(), valuesBefore[i].height()) << values[i]->objectName().toStdString();
    }
    for (int i = 0; i < labels.size(); ++i)
        EXPECT_EQ(labels[i]->size(), labelsBefore[i].size()) << labels[i]->text().toStdString();
    info.resize(100, 60);
    EXPECT_EQ(info.size(), smallest);
    EXPECT_EQ(box->geometry(), boxBefore);
    EXPECT_EQ(placesOf(values), valuesBefore);
}

// Values too long for their template boxes wrap, or widen the dialog when
// one word is longer than its box, and show whole without a tooltip; no
// label is cut or touches a value, at the test font and at twice its size.
TEST_F(InfoDialogTest, LongValuesShowWholeAndLabelsKeepClear) {
    SpellRecord record = MakeRecord(std::string(60, 'N'), 3);
    SetField(record.szSchool, "Conjuration/Summoning");
    SetField(record.szArea, "One creature and all its friends nearby");
    SetField(record.szComponents, "V, S, M (a tin whistle and a pinch of soot)");
    SetField(record.szDuration, "Up to 1 minute per level");
    WriteFile(Txt(), "Words.\n");
    WriteFile(Idx(), EncodeAll({record}));
    for (const int pixelSize : {13, 26}) {
        SCOPED_TRACE(pixelSize);
        const ScopedAppFont font(TestFont(pixelSize));
        CSpellInfoDlg empty;
        CSpellInfoDlg info;
        info.m_strPath = dir.prefix() + "wizard";
        info.OnInitDialog();
        info.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
        EXPECT_GT(info.width(), empty.width()) << "sixty N are one word, wider than the template";
        EXPECT_EQ(info.height(), empty.height());
        auto* components = info.findChild<QLabel*>(QStringLiteral("IDC_COMPONENTS"));
        EXPECT_EQ(components->text(), QStringLiteral("V, S, M (a tin whistle and a pinch of soot)"));
        EXPECT_GE(components->height(), 2 * QFontMetrics(components->font()).height()) << "wrapped";
        for (QWidget* value : Values(info)) {
            const std::string name = value->objectName().toStdString();
            EXPECT_EQ(value->toolTip(), QString()) << name;
            if (auto* label = qobject_cast<QLabel*>(value)) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height()) << name;
                EXPECT_LE(label->minimumSizeHint().width(), label->width()) << name;
            } else {
                auto* area = qobject_cast<QTextEdit*>(value);
                EXPECT_LE(area->document()->size().height(), area->viewport()->height()) << name;
            }
            EXPECT_TRUE(info.rect().contains(value->geometry())) << name;
        }
        for (QLabel* label : Labels(info)) {
            const std::string text = label->text().toStdString();
            EXPECT_LE(label->sizeHint().width(), label->width()) << text;
            EXPECT_GE(label->buddy()->x() - label->geometry().right(), 2) << text << " touches its value";
            for (QWidget* value : Values(info))
                EXPECT_FALSE(label->geometry().intersects(value->geometry()))
                    << text << " over " << value->objectName().toStdString();
        }
        EXPECT_FALSE(info.m_ctlDescription->geometry().intersects(components->geometry()));
        EXPECT_GE(info.m_ctlDescription->height(), 3 * QFontMetrics(info.font()).height());
    }
    EXPECT_TRUE(messages.empty());
}

// Keyboard and screen reader: every value takes the focus in reading
// order and is labelled by its label.
TEST_F(InfoDialogTest, ValuesTakeTheFocusInOrderAndAreLabelled) {
    WriteFile(Txt(), "Words.\n");
    WriteFile(Idx(), EncodeAll({MakeRecord("Only", 3)}));
    CSpellInfoDlg info;
    info.m_strPath = dir.prefix() + "wizard";
    info.OnInitDialog();
    info.show();
    info.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&info));
    ASSERT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("IDCANCEL"));
    QStringList order;
    for (int i = 0; i < 11; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order, (QStringList{"IDC_NAME", "IDC_SCHOOL", "IDC_LEVEL", "IDC_DURATION", "IDC_RANGE", "IDC_AREA",
                                  "IDC_COMPONENTS", "IDC_CASTING_TIME", "IDC_SAVING_THROW", "IDC_DESCRIPTION",
                                  "IDCANCEL"}));

    const struct {
        const char* value;
        const char* label;
    } kLabels[] = {{"IDC_NAME", "Name"},
                   {"IDC_SCHOOL", "School"},
                   {"IDC_LEVEL", "Level"},
                   {"IDC_DURATION", "Duration"},
                   {"IDC_RANGE", "Range"},
                   {"IDC_AREA", "Area of effect"},
                   {"IDC_COMPONENTS", "Components"},
                   {"IDC_CASTING_TIME", "Casting Time"},
                   {"IDC_SAVING_THROW", "Saving Throw"}};
    for (const auto& [value, label] : kLabels) {
        QAccessibleInterface* face =
            QAccessible::queryAccessibleInterface(info.findChild<QWidget*>(QString::fromLatin1(value)));
        const auto relations = face->relations(QAccessible::Label);
        ASSERT_EQ(relations.size(), 1) << value;
        EXPECT_EQ(relations[0].first->text(QAccessible::Name), QString::fromLatin1(label)) << value;
    }
    const auto accessibleName = [&](const char* value) {
        return QAccessible::queryAccessibleInterface(info.findChild<QWidget*>(QString::fromLatin1(value)))
            ->text(QAccessible::Name);
    };
    EXPECT_EQ(accessibleName("IDC_NAME"), QStringLiteral("Name"));
    EXPECT_EQ(accessibleName("IDC_SCHOOL"), QStringLiteral("School"));
    // Named by their labels, the name and the school tell their values in
    // the description (a label offers no text of its own to a screen reader).
    const auto accessibleDescription = [&](const char* value) {
        return QAccessible::queryAccessibleInterface(info.findChild<QWidget*>(QString::fromLatin1(value)))
            ->text(QAccessible::Description);
    };
    EXPECT_EQ(accessibleDescription("IDC_NAME"), QStringLiteral("Only"));
    EXPECT_EQ(accessibleDescription("IDC_SCHOOL"), QStringLiteral("Alteration"));
    EXPECT_EQ(accessibleName("IDC_DURATION"), QStringLiteral("1 rd."));

    // A value copies what is selected in it by keyboard; with nothing
    // selected, Ctrl+C copies the whole spell.
    auto* level = info.findChild<QLabel*>(QStringLiteral("IDC_LEVEL"));
    level->setFocus();
    QApplication::clipboard()->clear();
    QTest::keyClick(level, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(QStringLiteral("Only\n")))
        << QApplication::clipboard()->text().toStdString();
    QTest::keyClick(level, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(level->selectedText(), QStringLiteral("3"));
    QTest::keyClick(level, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("3"));

    // Enter in the area, several lines high or not, ends the dialog as
    // Enter in a one-line field does.
    auto* area = info.findChild<QTextEdit*>(QStringLiteral("IDC_AREA"));
    area->setFocus();
    QTest::keyClick(area, Qt::Key_Return);
    EXPECT_EQ(area->toPlainText(), QStringLiteral("One creature"));
    EXPECT_FALSE(info.isVisible());
}

// A box raised while the details dialog is set up, before it shows, stands
// by the main window.
TEST_F(DetailsTest, BoxesWhileTheDetailsOpenAreCentredOnTheMainWindow) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    dlg->setGeometry(150, 120, 760, 420);
    ClickRow(1);
    std::filesystem::remove(Txt());
    SetMessageBoxHook(nullptr);  // real boxes
    QString shown;
    QPoint centre;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            centre = box->frameGeometry().center();
            box->accept();
        } else if (auto* info = qobject_cast<CSpellInfoDlg*>(QApplication::activeModalWidget())) {
            info->reject();
        }
    });
    poll.start();
    Click("IDOK");
    poll.stop();
    EXPECT_EQ(shown, QStringLiteral("can't open file wizard.txt"));
    EXPECT_LE((centre - dlg->frameGeometry().center()).manhattanLength(), 2);
}

// The details join a description's lines with nothing between them: in the
// samples, every line end within a description has a space on one side.
TEST_F(InfoDialogTest, SampleDescriptionsGlueNoWordsAcrossLines) {
    for (const std::string spellClass : {"wizard", "priest"}) {
        ASSERT_NO_FATAL_FAILURE(BuildSample(spellClass));
        const std::string text = ReadFile(Txt(spellClass));
        int joins = 0;
        for (const SpellRecord& record : ReadIndex(Idx(spellClass))) {
            // The description's lines as stored, up to the length of its joined text.
            const std::size_t length = ReadDescriptionFromPath(Txt(spellClass), record.nTextOffset).strText.size();
            std::string previous;
            for (std::size_t at = static_cast<std::size_t>(record.nTextOffset), joined = 0;
                 joined < length && at < text.size();) {
                const std::size_t end = std::min(text.find('\n', at), text.size());
                std::string line = text.substr(at, end - at);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (!previous.empty() && !line.empty()) {
                    ++joins;
                    EXPECT_TRUE(previous.back() == ' ' || line.front() == ' ' || line.front() == '\t')
                        << spellClass << ": \"" << previous << "\" runs into \"" << line << "\"";
                }
                joined += line.size();
                previous = line;
                at = end + 1;
            }
        }
        EXPECT_GE(joins, 5) << spellClass << ": too few line ends to check";
    }
}

}  // namespace

namespace {

// Windows of their own: non-modal, titled with the spell, closed by Escape.
TEST_F(DetailsTest, CtrlEnterAndMiddleClickOpenSpellsSideBySide) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    const auto windows = [this] { return dlg->findChildren<CSpellInfoDlg*>(); };
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(windows().size(), 1);
    CSpellInfoDlg* first = windows()[0];
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Ashen Hand"));
    EXPECT_EQ(first->m_strComponents, QStringLiteral("V, S, M"));

    const QRect row2 = list->visualRect(model->index(2, 0));
    QTest::mouseClick(list->viewport(), Qt::MiddleButton, {}, row2.center());
    ASSERT_EQ(windows().size(), 2);
    EXPECT_EQ(windows()[1]->windowTitle(), Text(2, 0));
    EXPECT_TRUE(dlg->isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    QTest::keyClick(first, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(windows().size(), 1);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
}

}  // namespace

namespace {

// In the details, Ctrl+C copies the selected text, or the whole spell when
// nothing is selected.
TEST_F(DetailsTest, CtrlCInTheDetailsCopiesTheSelectionOrTheWholeSpell) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    CSpellInfoDlg info;
    info.m_nOffset = Offset(0);
    info.m_strPath = g_strDataDir + "wizard";
    info.OnInitDialog();
    auto* description = info.findChild<QPlainTextEdit*>(QStringLiteral("IDC_DESCRIPTION"));
    ASSERT_NE(description, nullptr);
    // Named for a screen reader, as the area box is.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(description)->text(QAccessible::Name),
              QStringLiteral("Description"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(info.findChild<QTextEdit*>(QStringLiteral("IDC_AREA")))
                  ->text(QAccessible::Name),
              QStringLiteral("Area of effect"));
    QApplication::clipboard()->clear();
    QTest::keyClick(description, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(
        QStringLiteral("Ashen Hand\nNecromancy, level 1\nDuration: 1 rd./level\n")))
        << QApplication::clipboard()->text().toStdString();
    QTextCursor cursor = description->textCursor();
    cursor.setPosition(4);
    cursor.setPosition(13, QTextCursor::KeepAnchor);
    description->setTextCursor(cursor);
    QTest::keyClick(description, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("caster's "));
    QApplication::clipboard()->clear();
    QTest::keyClick(&info, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(QStringLiteral("Ashen Hand\n")));
}

TEST_F(DetailsTest, CtrlCCopiesTheSelectedSpellAsTextAndHtml) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    QApplication::clipboard()->clear();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QString text = data->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral(
        "Ashen Hand\nNecromancy, level 1\nDuration: 1 rd./level\nRange: Touch\n"
        "Area of effect: Creature touched\nComponents: V, S, M\nCasting Time: 1\nSaving Throw: None\n\n"
        "The caster's hand turns the grey of cold")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral(" pyre, scattered over the caster's palm.\n"))) << text.toStdString();
    EXPECT_TRUE(data->hasHtml());
    EXPECT_TRUE(data->html().startsWith(QStringLiteral(
        "<h3>Ashen Hand</h3>\n<p><i>Necromancy, level 1</i></p>\n<table>\n"
        "<tr><th align=\"left\">Duration</th><td>1 rd./level</td></tr>\n")))
        << data->html().toStdString();
    EXPECT_TRUE(data->html().contains(QStringLiteral("</table>\n<p>The caster's hand turns")))
        << data->html().toStdString();
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
}

}  // namespace

namespace {

// Ctrl++, Ctrl+-, Ctrl+0 and Ctrl+wheel size the values as well as the
// description, one step for all windows, remembered by the main window.
TEST_F(DetailsTest, TextSizeKeysAndWheelSizeTheValues) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return, Qt::ControlModifier);
    auto* info = dlg->findChild<CSpellInfoDlg*>();
    ASSERT_NE(info, nullptr);
    QApplication::setActiveWindow(info);  // the offscreen platform activates no window of its own
    ASSERT_TRUE(QTest::qWaitForWindowActive(info));
    auto* components = info->findChild<QLabel*>(QStringLiteral("IDC_COMPONENTS"));
    auto* area = info->findChild<QTextEdit*>(QStringLiteral("IDC_AREA"));
    ASSERT_EQ(components->font().pixelSize(), 13);
    const int before = components->height();
    QTest::keyClick(info, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(info, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(info, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(dlg->TextStep(), 3);
    EXPECT_EQ(components->font().pixelSize(), 17);  // 3 points are 4 pixels
    EXPECT_EQ(area->font().pixelSize(), 17);
    EXPECT_EQ(info->m_ctlDescription->font().pixelSize(), 17);
    EXPECT_EQ(info->m_ctlDescription->font().styleStrategy() & QFont::PreferNoShaping, QFont::PreferNoShaping);
    EXPECT_LE(components->heightForWidth(components->width()), components->height());

    // The wheel over the description is one step, not the box's own zoom.
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), {}, QPoint(0, -120), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(info->m_ctlDescription->viewport(), &wheel);
    EXPECT_EQ(dlg->TextStep(), 2);
    EXPECT_EQ(components->font().pixelSize(), 15);
    EXPECT_EQ(info->m_ctlDescription->font().pixelSize(), 15);
    // Over a value the wheel passes on to the dialog (Qt passes on only
    // the wheel events of the window system).
    QApplication::sendEvent(info, &wheel);
    EXPECT_EQ(dlg->TextStep(), 1);
    EXPECT_EQ(components->font().pixelSize(), 14);

    QTest::keyClick(info, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(dlg->TextStep(), 0);
    EXPECT_EQ(components->font().pixelSize(), 13);
    EXPECT_EQ(components->height(), before);
    info->close();
}

// Room shared in proportion, none below its minimum.
TEST(ShareRoomTest, SharesInProportionAboveTheMinimums) {
    const struct {
        int room;
        std::vector<int> weights;
        std::vector<int> minimums;
        std::vector<int> widths;
    } kCases[] = {
        {177, {50, 54, 73}, {0, 0, 0}, {50, 54, 73}},
        {200, {114, 73, 18}, {0, 0, 0}, {111, 71, 18}},
        {100, {1, 1}, {80, 0}, {80, 20}},
        {100, {1, 1, 2}, {0, 70, 0}, {10, 70, 20}},
        {50, {1, 1}, {40, 40}, {40, 40}},  // the minimums need more
        {-10, {1, 2}, {0, 0}, {0, 0}},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(ShareRoom(c.room, c.weights, c.minimums), c.widths) << c.room;
}

}  // namespace
