// SPDX-License-Identifier: MIT
// The details dialog: opened from the list by double-click, "Details..."
// and Enter, and on its own.

#include <algorithm>
#include <filesystem>

#include <QAccessible>
#include <QClipboard>
#include <QMimeData>
#include <QGlyphRun>
#include <QRawFont>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

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
        auto* area = info->findChild<QLineEdit*>(QStringLiteral("IDC_AREA"));
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
        return DescriptionResult{DescriptionStatus::kReadError, {}, "Input/output error"};
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
    const auto fieldPlaces = [&] {
        QList<QRect> places;
        for (QWidget* w : info.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w != box && w != ok)
                places << w->geometry();
        return places;
    };
    const QList<QRect> fields = fieldPlaces();
    const QRect boxBefore = box->geometry();
    const QRect okBefore = ok->geometry();
    const QSize smallest = info.size();
    EXPECT_EQ(info.minimumSize(), smallest);

    info.resize(smallest + QSize(200, 120));
    EXPECT_EQ(box->geometry(), boxBefore.adjusted(0, 0, 200, 120));
    EXPECT_EQ(ok->geometry(), okBefore.translated(100, 120));
    EXPECT_EQ(fieldPlaces(), fields);
    info.resize(100, 60);
    EXPECT_EQ(info.size(), smallest);
    EXPECT_EQ(box->geometry(), boxBefore);
}

TEST_F(InfoDialogTest, CutValuesShowTheirWholeTextInATooltip) {
    SpellRecord cut = MakeRecord(std::string(60, 'N'), 3);
    SetField(cut.szSchool, "Conjuration/Summoning");
    SetField(cut.szArea, "One creature and all its friends nearby");
    WriteFile(Txt(), "Words.\n");
    WriteFile(Idx(), EncodeAll({cut}));
    CSpellInfoDlg info;
    info.m_strPath = dir.prefix() + "wizard";
    info.OnInitDialog();
    const auto tip = [&](const char* name) { return info.findChild<QWidget*>(QString::fromLatin1(name))->toolTip(); };
    EXPECT_EQ(tip("IDC_NAME"), QString(60, QLatin1Char('N')));
    EXPECT_EQ(tip("IDC_SCHOOL"), QStringLiteral("Conjuration/Summoning"));
    EXPECT_EQ(tip("IDC_AREA"), QStringLiteral("One creature and all its friends nearby"));
    EXPECT_EQ(tip("IDC_LEVEL"), QString());  // "3" is not cut
    EXPECT_EQ(tip("IDC_RANGE"), QString());  // nor "Touch"
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
            const std::size_t length = ReadDescriptionText(Txt(spellClass), record.nTextOffset).strText.size();
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
    EXPECT_EQ(QAccessible::queryAccessibleInterface(info.findChild<QLineEdit*>(QStringLiteral("IDC_AREA")))
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
