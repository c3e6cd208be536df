// The details dialog: opened from the list by double-click, "Details..."
// and Enter, and on its own.

#include <algorithm>
#include <cctype>
#include <filesystem>

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
    QTextDocument* doc = box->document();
    for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next()) {
        doc->documentLayout()->blockBoundingRect(block);  // lays the block out
        const QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            int length = line.textLength();
            while (length > 0 && block.text().at(line.textStart() + length - 1).isSpace())
                --length;
            if (length == 0)
                continue;
            for (const QGlyphRun& run : line.glyphRuns(line.textStart(), length)) {
                const QList<QPointF> at = run.positions();
                const QList<QPointF> advance = run.rawFont().advancesForGlyphIndexes(run.glyphIndexes());
                for (qsizetype g = 0; g < at.size(); ++g)
                    worst = std::max(worst, layout->position().x() + at[g].x() + advance[g].x() -
                                                box->viewport()->width());
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
    SpellRecord RecordOfRow(const std::string& spellClass, int row) {
        const std::optional<SpellRecord> record = ReadRecordAt(Idx(spellClass), Offset(row));
        EXPECT_TRUE(record.has_value()) << "row " << row;
        return record.value_or(SpellRecord{});
    }
    DetailsView Expected(const std::string& spellClass, int row) {
        return ExpectedDetails(RecordOfRow(spellClass, row), Txt(spellClass));
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
    for (const int row : {0, model->rowCount() / 2, model->rowCount() - 1}) {
        const DetailsView view = CaptureDetails([&] { DoubleClickRow(row); });
        EXPECT_EQ(SelectedRows(), QList<int>{row});
        ExpectSameDetails(view, Expected("wizard", row));
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
    ExpectSameDetails(ByDetailsButton(), Expected("wizard", row));
    ExpectSameDetails(ByEnter(), Expected("wizard", row));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), 0);

    // Moving the selection with the keyboard, then Enter.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(SelectedRows(), QList<int>{row + 1});
    ExpectSameDetails(ByEnter(), Expected("wizard", row + 1));
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
    ExpectSameDetails(ByEnter(), Expected("wizard", row));
}

TEST_F(DetailsTest, PriestRowShowsItsSphereAndDescription) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("priest"));
    const int row = 1;
    ClickRow(row);
    const DetailsView view = ByDetailsButton();
    ExpectSameDetails(view, Expected("priest", row));
    EXPECT_EQ(view.school, Text(row, 2));
}

TEST_F(DetailsTest, AfterHeaderClickARowStillOpensItsOwnSpell) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    ClickHeader(ColumnCaptioned("Level"));
    ASSERT_EQ(Caption(1), QStringLiteral("Spell"));
    for (const int row : {0, model->rowCount() - 1}) {
        ClickRow(row);
        const DetailsView view = ByDetailsButton();
        EXPECT_EQ(view.name, Text(row, 1));
        EXPECT_EQ(view.level, Text(row, 0));
        ExpectSameDetails(view, Expected("wizard", row));
    }
}

TEST_F(DetailsTest, DetailsReadTheClassOfTheShownRows) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    CopySample("priest");
    ClickRow(0);
    const DetailsView wizardSpell = Expected("wizard", 0);

    Click("IDC_PRIEST");  // no priest index: the list stays wizard
    ASSERT_EQ(MessageTexts(), QStringList{kNoIndex});
    messages.clear();
    ClickRow(0);
    ExpectSameDetails(ByDetailsButton(), wizardSpell);

    answer = QMessageBox::No;  // Create Index builds priest
    Click("IDC_CREATE_INDEX");
    ASSERT_EQ(messages.size(), 1u) << MessageTexts().join('|').toStdString();
    ASSERT_TRUE(std::filesystem::exists(Idx("priest")));
    messages.clear();
    ClickRow(0);
    ExpectSameDetails(ByDetailsButton(), wizardSpell);
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
}

TEST_F(DetailsTest, NothingOpensWithoutASelection) {
    // Empty list.
    EXPECT_EQ(ByDetailsButton().opened, 0);
    EXPECT_EQ(ByEnter().opened, 0);
    // Loaded, but no row selected.
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
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
    ExpectSameDetails(again, Expected("wizard", 0));
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
        g_nLevel = 1;
        ASSERT_TRUE(BuildIndex("wizard").ok());
        const QStringList expected = {"abcdefghi", "First part.\tSecond part.",
                                      "Runs to the end.No separator after it."};
        for (int i = 0; i < expected.size(); ++i)
            EXPECT_EQ(Open(i * static_cast<int64_t>(kRecordSize)).description, expected[i]) << i;
        EXPECT_TRUE(messages.empty());
    }
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

// The line with a tab in "Orrery of Iron Stars" lost the end of a word at
// the right edge: at every font size and box width, no glyph may.
TEST_F(InfoDialogTest, NoCharacterOfADescriptionIsHidden) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    int64_t orrery = -1;
    const std::vector<SpellRecord> records = ReadIndex(Idx());
    for (std::size_t i = 0; i < records.size(); ++i)
        if (FieldText(records[i].szName) == "Orrery of Iron Stars")
            orrery = static_cast<int64_t>(i * kRecordSize);
    ASSERT_GE(orrery, 0);
    for (const int pixelSize : {10, 12, 13, 16, 20}) {
        const ScopedAppFont font(TestFont(pixelSize));
        CSpellInfoDlg info;
        info.m_strPath = dir.prefix() + "wizard";
        info.m_nOffset = orrery;
        info.OnInitDialog();
        info.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
        ASSERT_TRUE(info.m_ctlDescription->toPlainText().contains(QLatin1Char('\t')));
        const QSize smallest = info.size();
        for (int extra = 0; extra <= 400; extra += 7) {
            info.resize(smallest.width() + extra, smallest.height());
            ASSERT_TRUE(QTest::qWaitFor([&] { return info.width() == smallest.width() + extra; }));
            EXPECT_LE(Overhang(info.m_ctlDescription), 0.0)
                << pixelSize << " pixel font, box " << info.m_ctlDescription->viewport()->width()
                << " pixels wide";
        }
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(InfoDialogTest, CharactersBeyondTheBasicPlaneDoNotHideTheLineEnds) {
    // Mathematical bold letters (two UTF-16 units each) in every run of
    // words between tabs: tabs show as spaces here.
    const std::string bold = "\xF0\x9D\x90\x80\xF0\x9D\x90\x81";
    std::string words;
    for (int i = 0; i < 90; ++i)
        words += i % 5 == 4 ? " gap\tafter" : " ordinary " + bold + "word";
    WriteFile(Txt(), Entry("Wide", words + "\n"));
    g_nLevel = 1;
    ASSERT_TRUE(BuildIndex("wizard").ok());
    CSpellInfoDlg info;
    info.m_strPath = dir.prefix() + "wizard";
    info.OnInitDialog();
    info.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
    const QSize smallest = info.size();
    for (int extra = 0; extra <= 300; extra += 3) {
        info.resize(smallest.width() + extra, smallest.height());
        ASSERT_TRUE(QTest::qWaitFor([&] { return info.width() == smallest.width() + extra; }));
        EXPECT_LE(Overhang(info.m_ctlDescription), 0.0) << "box " << extra << " pixels wider";
    }
    EXPECT_FALSE(info.m_ctlDescription->toPlainText().contains(QLatin1Char('\t')));
}

TEST_F(InfoDialogTest, WordsWiderThanTheBoxWrapAnywhere) {
    const std::string longWord(20000, 'w');
    WriteFile(Txt(), Entry("Short", "Words of ordinary length.\n\n") + Entry("Long", longWord + " end\n"));
    g_nLevel = 1;
    ASSERT_TRUE(BuildIndex("wizard").ok());
    const struct {
        int64_t offset;
        QTextOption::WrapMode mode;
    } kCases[] = {
        {0, QTextOption::WrapAtWordBoundaryOrAnywhere},
        {static_cast<int64_t>(kRecordSize), QTextOption::WrapAnywhere},
    };
    for (const auto& c : kCases) {
        CSpellInfoDlg info;
        info.m_strPath = dir.prefix() + "wizard";
        info.m_nOffset = c.offset;
        info.OnInitDialog();
        info.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
        EXPECT_EQ(info.m_ctlDescription->wordWrapMode(), c.mode) << c.offset;
        EXPECT_LE(Overhang(info.m_ctlDescription), 0.0) << c.offset;
    }
    EXPECT_TRUE(messages.empty());
}

// ---- The dialog's window -------------------------------------------------------

TEST_F(InfoDialogTest, DialogGrowsButNeverBelowItsTemplate) {
    WriteFile(Txt(), Entry("Only", "Words.\n"));
    g_nLevel = 1;
    ASSERT_TRUE(BuildIndex("wizard").ok());
    CSpellInfoDlg info;
    info.m_strPath = dir.prefix() + "wizard";
    info.OnInitDialog();
    info.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
    auto* description = info.m_ctlDescription;
    auto* ok = info.findChild<QPushButton*>(QStringLiteral("IDCANCEL"));
    ASSERT_NE(ok, nullptr);
    const QSize smallest = info.size();
    EXPECT_EQ(info.minimumSize(), smallest);
    EXPECT_GT(info.maximumWidth(), smallest.width());
    const auto fieldPlaces = [&] {
        QList<QRect> places;
        for (QWidget* w : info.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w != description && w != ok)
                places << w->geometry();
        return places;
    };
    const QList<QRect> fields = fieldPlaces();
    const QRect box = description->geometry();
    const QRect button = ok->geometry();

    info.resize(smallest + QSize(200, 120));
    ASSERT_TRUE(QTest::qWaitFor([&] { return info.size() == smallest + QSize(200, 120); }));
    EXPECT_EQ(description->geometry(), box.adjusted(0, 0, 200, 120));
    EXPECT_EQ(ok->geometry(), button.translated(100, 120));
    EXPECT_EQ(fieldPlaces(), fields);

    info.resize(100, 60);
    ASSERT_TRUE(QTest::qWaitFor([&] { return info.size() == smallest; }));
    EXPECT_EQ(description->geometry(), box);
    EXPECT_EQ(ok->geometry(), button);
}

TEST_F(InfoDialogTest, CutValuesShowTheirWholeTextInATooltip) {
    SpellRecord cut = MakeRecord(std::string(60, 'N'), 3);
    SetField(cut.szSchool, "Conjuration/Summoning and more");
    SetField(cut.szRange, "10 yds. + 10 yds./level and further");
    SetField(cut.szArea, "One creature and all its friends nearby");
    WriteFile(Txt(), "Words.\n");
    WriteFile(Idx(), EncodeAll({cut}));
    CSpellInfoDlg info;
    info.m_strPath = dir.prefix() + "wizard";
    info.OnInitDialog();
    const auto tip = [&](const char* name) { return info.findChild<QWidget*>(QString::fromLatin1(name))->toolTip(); };
    EXPECT_EQ(tip("IDC_NAME"), QString(60, QLatin1Char('N')));
    EXPECT_EQ(tip("IDC_SCHOOL"), QStringLiteral("Conjuration/Summoning and more"));
    EXPECT_EQ(tip("IDC_RANGE"), QStringLiteral("10 yds. + 10 yds./level and further"));
    EXPECT_EQ(tip("IDC_AREA"), QStringLiteral("One creature and all its friends nearby"));
    for (const char* shown : {"IDC_LEVEL", "IDC_DURATION", "IDC_COMPONENTS", "IDC_CASTING_TIME",
                              "IDC_SAVING_THROW"})
        EXPECT_EQ(tip(shown), QString()) << shown << " is not cut";
}

// ---- Message boxes stand by the window the user sees ---------------------------

TEST_F(DetailsTest, BoxesRaisedWhileTheDetailsOpenAreCentredOnTheMainWindow) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    dlg->setGeometry(150, 120, 760, 420);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->geometry() == QRect(150, 120, 760, 420); }));
    ClickRow(1);
    SetMessageBoxHook(nullptr);  // real boxes
    const struct {
        std::function<void()> damage;
        QString text;
    } kCases[] = {
        {[&] { std::filesystem::remove(Txt()); }, QStringLiteral("can't open file wizard.txt")},
        {[&] { std::filesystem::remove(Idx()); }, kNoIndex},
    };
    for (const auto& c : kCases) {
        c.damage();
        QString shownText;
        QPoint boxCentre;
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                shownText = box->text();
                boxCentre = box->frameGeometry().center();
                box->accept();
            } else if (auto* info = qobject_cast<CSpellInfoDlg*>(modal)) {
                info->reject();
            }
        });
        poll.start();
        Click("IDOK");
        poll.stop();
        EXPECT_EQ(shownText, c.text);
        const QPoint mainCentre = dlg->frameGeometry().center();
        EXPECT_LE((boxCentre - mainCentre).manhattanLength(), 2)
            << "box centred at " << boxCentre.x() << "," << boxCentre.y() << ", the window at "
            << mainCentre.x() << "," << mainCentre.y();
    }
}

// The details join a description's lines with nothing between them: in the
// samples, every line end within a description has a space on one side.
TEST_F(InfoDialogTest, SampleDescriptionsGlueNoWordsAcrossLines) {
    for (const std::string spellClass : {"wizard", "priest"}) {
        ASSERT_NO_FATAL_FAILURE(BuildSample(spellClass));
        const std::string text = ReadFile(Txt(spellClass));
        int joins = 0;
        for (const SpellRecord& record : ReadIndex(Idx(spellClass))) {
            const DescriptionResult description = ReadDescriptionText(Txt(spellClass), record.nTextOffset);
            ASSERT_TRUE(description.ok());
            // Its lines, as stored, up to the length of the joined text.
            std::size_t at = static_cast<std::size_t>(record.nTextOffset);
            std::size_t joined = 0;
            std::string previous;
            while (joined < description.strText.size() && at < text.size()) {
                std::size_t end = text.find('\n', at);
                end = end == std::string::npos ? text.size() : end;
                std::string line = text.substr(at, end - at);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                at = end + 1;
                if (!previous.empty() && !line.empty()) {
                    ++joins;
                    EXPECT_TRUE(std::isspace(static_cast<unsigned char>(previous.back())) ||
                                std::isspace(static_cast<unsigned char>(line.front())))
                        << spellClass << ": \"" << previous.substr(previous.size() - std::min<std::size_t>(20, previous.size()))
                        << "\" runs into \"" << line.substr(0, 20) << "\"";
                }
                joined += line.size();
                previous = line;
            }
        }
        EXPECT_GE(joins, 5) << spellClass << ": too few line ends to check";
    }
}

TEST_F(InfoDialogTest, DescriptionShowsFromItsFirstCharacter) {
    std::string words;
    for (int i = 0; i < 400; ++i)
        words += "word\tof a long description ";
    WriteFile(Txt(), Entry("Long", words + "\n"));
    g_nLevel = 1;
    ASSERT_TRUE(BuildIndex("wizard").ok());
    CSpellInfoDlg info;
    info.m_strPath = dir.prefix() + "wizard";
    info.OnInitDialog();
    info.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
    QPlainTextEdit* box = info.m_ctlDescription;
    EXPECT_EQ(box->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(box->verticalScrollBar()->value(), 0);
    EXPECT_EQ(box->textCursor().position(), 0);
    EXPECT_EQ(box->cursorForPosition(QPoint(5, 5)).position(), 0);
}

}  // namespace
