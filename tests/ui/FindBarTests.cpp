// SPDX-License-Identifier: MIT
// The find bar of the main dialog, driven through its real widgets.

#include <atomic>
#include <chrono>
#include <new>
#include <semaphore>
#include <thread>

#include <QAccessible>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>

#include "CBookBar.h"
#include "CFindBar.h"
#include "MatchHighlight.h"
#include "SearchRunner.h"
#include "SpellListModel.h"
#include "SpellSearch.h"
#include "UiTestSupport.h"

namespace {

// A priest list of one level-1 spell with the sphere "All".
const std::string kPriestText =
    "Bless the Road\nAbjuration\nSphere: All\nRange: Touch\tComponents: V\n"
    "Duration: 1 day\tCasting Time: 1\nArea of Effect: Any road\tSaving Throw: None\n"
    "Source.\nA safe road.\n\nEnd\n";

// kPriestText and a spell of several spheres.
const std::string kTwoPriestSpells =
    kPriestText.substr(0, kPriestText.size() - 4) +
    "Root Call\nAlteration\nSphere: Plant, Animal/Elemental (Earth, Water)\nRange: Touch\tComponents: V\n"
    "Duration: 1 day\tCasting Time: 1\nArea of Effect: Any road\tSaving Throw: None\n"
    "Source.\nRoots.\n\nEnd\n";

class FindBarTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        bar = dlg->FindBar();  // made closed, as at its first opening
        ASSERT_NE(bar, nullptr);
        field = bar->findChild<QLineEdit*>(QStringLiteral("IDC_FIND_TEXT"));
        level = bar->findChild<QComboBox*>(QStringLiteral("IDC_FIND_LEVEL"));
        school = bar->findChild<QComboBox*>(QStringLiteral("IDC_FIND_SCHOOL"));
        descriptions = bar->findChild<QCheckBox*>(QStringLiteral("IDC_FIND_DESCRIPTIONS"));
        count = bar->findChild<QLabel*>(QStringLiteral("IDC_FIND_COUNT"));
        close = bar->findChild<QToolButton*>(QStringLiteral("IDC_FIND_CLOSE"));
        ASSERT_TRUE(field && level && school && descriptions && count && close);
    }
    void TearDown() override {
        SearchRunner::SetWorkerStartHook({});
        MainDialogTest::TearDown();
    }
    void LoadWizard() {
        BuildSample("wizard");
        Click("IDC_WIZARD");
        ASSERT_EQ(model->rowCount(), 29);
    }
    void Find(QWidget* from) { QTest::keyClick(from, Qt::Key_F, Qt::ControlModifier); }
    QStringList Items(const QComboBox* box) const {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }

    CFindBar* bar = nullptr;
    QLineEdit* field = nullptr;
    QComboBox* level = nullptr;
    QComboBox* school = nullptr;
    QCheckBox* descriptions = nullptr;
    QLabel* count = nullptr;
    QToolButton* close = nullptr;
};

TEST_F(FindBarTest, OpensShortensTheListAndClosesWithEscape) {
    LoadWizard();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(list->size(), QSize(990, 555));

    list->setFocus();
    Find(list);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Find spells"));
    EXPECT_EQ(list->size(), QSize(990, 555 - bar->height()));
    EXPECT_GT(bar->y(), list->geometry().bottom());
    EXPECT_LT(bar->geometry().bottom(), 600);
    EXPECT_EQ(bar->x(), list->x());
    EXPECT_EQ(bar->width(), 990);
    EXPECT_EQ(count->text(), QStringLiteral("29 of 29"));

    // A second Find selects what was typed.
    QTest::keyClicks(field, "mote");
    field->deselect();
    Find(field);
    EXPECT_EQ(field->selectedText(), QStringLiteral("mote"));

    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible()) << "Escape in the bar must not end the program";
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(list->hasFocus());
    EXPECT_EQ(list->size(), QSize(990, 555));
    EXPECT_EQ(model->rowCount(), 29);
    EXPECT_EQ(field->text(), QStringLiteral("mote"));

    // Open again, filtered at once; the close button closes as Escape does.
    Find(list);
    EXPECT_EQ(model->rowCount(), 1);
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(model->rowCount(), 29);
    EXPECT_EQ(list->size(), QSize(990, 555));
    EXPECT_TRUE(messages.empty());
}

// Closing the bar keeps the spell found selected and in view; the count
// keeps its room while the number of rows shown changes.
TEST_F(FindBarTest, ClosingKeepsTheFoundSpellAndTheCountKeepsItsRoom) {
    LoadWizard();
    Find(list);
    QCoreApplication::processEvents();  // lays the bar out
    const QRect countAt = count->geometry();
    const QPoint descriptionsAt = descriptions->pos();
    QTest::keyClicks(field, "whispered");
    QCoreApplication::processEvents();
    EXPECT_EQ(count->text(), QStringLiteral("1 of 29"));
    EXPECT_EQ(count->geometry(), countAt);
    EXPECT_EQ(descriptions->pos(), descriptionsAt);
    QTest::keyClick(field, Qt::Key_Escape);
    ASSERT_EQ(model->rowCount(), 29);
    EXPECT_EQ(SelectedRows(), QList<int>{28});
    EXPECT_EQ(list->currentIndex().row(), 28);
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(model->index(28, 0)).center()));
}

// Escape from the list closes an open find bar first; only then does it
// end the program.
TEST_F(FindBarTest, EscapeInTheListClosesTheBarBeforeTheProgram) {
    LoadWizard();
    Find(list);
    QTest::keyClicks(field, "mote");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(model->rowCount(), 29);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

// What a screen reader calls the controls of the window and the bar.
TEST_F(FindBarTest, ControlsHaveAccessibleNames) {
    const auto name = [](QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return a ? a->text(QAccessible::Name) : QStringLiteral("(none)");
    };
    LoadWizard();
    Find(list);
    EXPECT_EQ(name(list), QStringLiteral("Spell list"));
    EXPECT_EQ(name(progress), QStringLiteral("Progress"));
    EXPECT_EQ(name(field), QStringLiteral("Find"));
    EXPECT_EQ(name(descriptions), QStringLiteral("Descriptions too"));
    EXPECT_EQ(name(close), QStringLiteral("Close find bar"));
}

TEST_F(FindBarTest, FiltersLiveAndCounts) {
    LoadWizard();
    Find(list);
    EXPECT_EQ(Items(level), (QStringList{"All levels", "1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(Items(school),
              (QStringList{"All schools", "Alteration", "Abjuration", "Conjuration/Summoning",
                           "Enchantment/Charm", "Illusion/Phantasm", "Evokation/Invokation", "Divination",
                           "Necromancy", "All schools (no school recognised)"}));
    EXPECT_EQ(descriptions->text(), QStringLiteral("Descriptions too"));

    QTest::keyClicks(field, "LANT");
    EXPECT_EQ(Column(0), (QStringList{"Grave Lantern", "Lantern of False Dawn"}));
    EXPECT_EQ(count->text(), QStringLiteral("2 of 29"));
    EXPECT_EQ(SelectedRows(), QList<int>{0});
    QTest::keyClicks(field, "ern 2");  // "lantern" and "2": the level of one, not the other
    EXPECT_EQ(Column(0), QStringList{"Lantern of False Dawn"});
    field->clear();
    level->setCurrentIndex(level->findText("4"));
    EXPECT_EQ(count->text(), QStringLiteral("5 of 29"));
    school->setCurrentIndex(school->findText("Necromancy"));
    EXPECT_EQ(Column(0), QStringList{"Grave Lantern"});
    level->setCurrentIndex(0);
    EXPECT_EQ(Column(0), (QStringList{"Ashen Hand", "Bleak Chorus", "Grave Lantern", "Harvester's Bargain"}));
    school->setCurrentIndex(0);
    EXPECT_EQ(count->text(), QStringLiteral("29 of 29"));

    QTest::keyClicks(field, "fire");
    EXPECT_EQ(count->text(), QStringLiteral("0 of 29"));
    QTest::mouseClick(descriptions, Qt::LeftButton);  // searched on the worker
    EXPECT_TRUE(QTest::qWaitFor([&] { return count->text() == QStringLiteral("2 of 29"); }));
    EXPECT_EQ(Column(0), (QStringList{"Ember Mote", "Orrery of Iron Stars"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(FindBarTest, FieldTermsSchoolClassesAndQueryErrors) {
    LoadWizard();
    Find(list);
    QTest::keyClicks(field, "range:touch -comp:m");
    EXPECT_EQ(Column(0), (QStringList{"Harvester's Bargain", "Tidewalker's Step"}));
    EXPECT_EQ(field->toolTip(), QString());
    field->clear();

    // "(Evocation)", "Invocation/Evocation", "Evocation (Wild Magic)", ...
    school->setCurrentIndex(school->findText("Evokation/Invokation"));
    EXPECT_EQ(Column(0), (QStringList{"Ember Mote", "Glasswind", "Lantern of False Dawn", "Storm Crown",
                                      "Tempest in a Teacup"}));
    EXPECT_FALSE(school->itemIcon(school->currentIndex()).isNull());
    // The drop-down is wide enough for its longest entry, whole.
    const QString longest = QStringLiteral("All schools (no school recognised)");
    EXPECT_EQ(school->itemText(9), longest);
    EXPECT_GT(school->view()->minimumWidth(), school->view()->fontMetrics().horizontalAdvance(longest) +
                                                  school->iconSize().width());
    QTest::keyClicks(field, "-name:storm");
    EXPECT_EQ(count->text(), QStringLiteral("4 of 29"));

    // A mistake filters nothing and says why until it is mended.
    field->clear();
    QTest::keyClicks(field, "colour:red");
    EXPECT_EQ(count->text(), QStringLiteral("29 of 29"));
    EXPECT_EQ(field->toolTip(), QStringLiteral("unknown field 'colour:': name, level, school, sphere, range, "
                                               "duration, area, comp, time, save or desc"));
    EXPECT_TRUE(field->styleSheet().contains(QStringLiteral("red")));
    field->clear();
    EXPECT_EQ(count->text(), QStringLiteral("5 of 29"));
    EXPECT_EQ(field->toolTip(), QString());
    EXPECT_EQ(field->styleSheet(), QString());
    QTest::keyClicks(field, "\"glass");
    EXPECT_EQ(field->toolTip(), QStringLiteral("a quote is not closed"));
    EXPECT_EQ(count->text(), QStringLiteral("29 of 29"));
    QTest::keyClicks(field, "wind\"");
    EXPECT_EQ(Column(0), QStringList{"Glasswind"});

    // desc: reads the descriptions though the box is not checked, and the
    // rows say where they matched.
    field->clear();
    school->setCurrentIndex(0);
    QTest::keyClicks(field, "desc:fire");
    EXPECT_TRUE(QTest::qWaitFor([&] { return count->text() == QStringLiteral("2 of 29"); }));
    EXPECT_EQ(Column(0), (QStringList{"Ember Mote", "Orrery of Iron Stars"}));
    EXPECT_FALSE(descriptions->isChecked());
    EXPECT_EQ(model->index(1, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("matched in the description"));
    field->clear();
    QTest::keyClicks(field, "orrery");
    EXPECT_EQ(model->index(0, 0).data(Qt::ToolTipRole), QVariant());
    EXPECT_TRUE(messages.empty());
}

TEST_F(FindBarTest, PriestSphereBoxOffersSingleSpheres) {
    WriteFile(Txt("priest"), kTwoPriestSpells);
    g_nLevel = 1;
    ASSERT_TRUE(BuildIndex("priest").ok());
    Click("IDC_PRIEST");
    ASSERT_EQ(model->rowCount(), 2);
    Find(list);
    EXPECT_EQ(Items(school), (QStringList{"All spheres", "All", "Animal", "Elemental (Earth, Water)", "Plant"}));
    school->setCurrentIndex(school->findText("Animal"));
    EXPECT_EQ(Column(0), QStringList{"Root Call"});
}

TEST_F(FindBarTest, ALargePriestListsSpheresArriveWithoutHoldingTheBar) {
    WriteFile(Txt("priest"), kTwoPriestSpells);
    g_nLevel = 1;
    ASSERT_TRUE(BuildIndex("priest").ok());
    bar->SetInPlaceLimit(0);  // the index is built on the worker
    std::binary_semaphore release(0);
    SearchRunner::SetWorkerStartHook([&] { release.acquire(); });
    Click("IDC_PRIEST");
    Find(list);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(Items(school), QStringList{"All spheres"}) << "the bar is open before the index is built";
    EXPECT_EQ(dlg->Model()->IndexSlot()->Built(), nullptr);
    release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return school->count() > 1; }));
    EXPECT_EQ(Items(school), (QStringList{"All spheres", "All", "Animal", "Elemental (Earth, Water)", "Plant"}));

    // A reload while the spheres are built: the old list's answer is not used.
    SearchRunner::SetWorkerStartHook([&] { release.acquire(); });
    Click("IDC_PRIEST");
    EXPECT_EQ(Items(school), QStringList{"All spheres"});
    release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return school->count() > 1; }));
    SearchRunner::SetWorkerStartHook({});
    EXPECT_EQ(Items(school), (QStringList{"All spheres", "All", "Animal", "Elemental (Earth, Water)", "Plant"}));

    // Memory runs out while the index is built: the box keeps "All" and
    // the build is not tried over and over.
    std::atomic<int> builds{0};
    SearchRunner::SetWorkerStartHook([&] {
        ++builds;
        throw std::bad_alloc();
    });
    Click("IDC_PRIEST");
    ASSERT_TRUE(QTest::qWaitFor([&] { return builds.load() > 0; }));
    QTest::qWait(200);
    SearchRunner::SetWorkerStartHook({});
    EXPECT_EQ(builds.load(), 1);
    EXPECT_EQ(Items(school), QStringList{"All spheres"});
}

TEST_F(FindBarTest, HeaderClickKeepsTheQueryAndClassSwitchResetsMissingFilters) {
    LoadWizard();
    Find(list);
    QTest::keyClicks(field, "an");
    level->setCurrentIndex(level->findText("4"));
    ASSERT_EQ(Column(0), (QStringList{"Grave Lantern", "Silver Tongue of Ages"}));

    ClickHeader(ColumnCaptioned("Level"));
    EXPECT_EQ(Caption(0), QStringLiteral("Level"));
    EXPECT_EQ(field->text(), QStringLiteral("an"));
    EXPECT_EQ(level->currentText(), QStringLiteral("4"));
    // Equal keys, in file order.
    EXPECT_EQ(Column(1), (QStringList{"Silver Tongue of Ages", "Grave Lantern"}));
    EXPECT_EQ(count->text(), QStringLiteral("2 of 29"));

    school->setCurrentIndex(school->findText("Necromancy"));
    EXPECT_EQ(Column(1), QStringList{"Grave Lantern"});
    WriteFile(Txt("priest"), kPriestText);
    g_nLevel = 1;
    ASSERT_TRUE(BuildIndex("priest").ok());
    Click("IDC_PRIEST");
    EXPECT_EQ(field->text(), QStringLiteral("an"));
    EXPECT_EQ(Items(level), (QStringList{"All levels", "1"}));
    EXPECT_EQ(level->currentIndex(), 0);
    EXPECT_EQ(Items(school), (QStringList{"All spheres", "All"}));
    EXPECT_EQ(school->currentIndex(), 0);
    EXPECT_EQ(Column(0), QStringList{"Bless the Road"});
    EXPECT_EQ(count->text(), QStringLiteral("1 of 1"));
}

// Loads while the bar is closed change its filters as they would with the
// bar open, whether or not a filter was chosen.
TEST_F(FindBarTest, ClosedBarOffersTheShownListsFilters) {
    LoadWizard();
    WriteFile(Txt("priest"), kPriestText);
    g_nLevel = 1;
    ASSERT_TRUE(BuildIndex("priest").ok());
    Click("IDC_PRIEST");
    Find(list);
    EXPECT_EQ(Items(level), (QStringList{"All levels", "1"}));
    EXPECT_EQ(Items(school), (QStringList{"All spheres", "All"}));
    EXPECT_EQ(count->text(), QStringLiteral("1 of 1"));
    QTest::keyClick(field, Qt::Key_Escape);

    Click("IDC_WIZARD");
    Find(list);
    level->setCurrentIndex(level->findText("4"));
    QTest::keyClick(field, Qt::Key_Escape);
    ClickHeader(ColumnCaptioned("Level"));
    Find(list);
    EXPECT_EQ(level->currentText(), QStringLiteral("4"));
    EXPECT_EQ(count->text(), QStringLiteral("5 of 29"));
    QTest::keyClick(field, Qt::Key_Escape);

    // The priest list has no level 4: gone for good, though wizard has it.
    Click("IDC_PRIEST");
    Click("IDC_WIZARD");
    Find(list);
    EXPECT_EQ(level->currentIndex(), 0);
    EXPECT_EQ(Items(level), (QStringList{"All levels", "1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(count->text(), QStringLiteral("29 of 29"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(FindBarTest, EnterAndDoubleClickOpenTheFilteredRowsSpell) {
    LoadWizard();
    Find(list);
    QTest::keyClicks(field, "lantern");
    ASSERT_EQ(Column(0), (QStringList{"Grave Lantern", "Lantern of False Dawn"}));

    ExpectSampleDetails(CaptureDetails([&] { QTest::keyClick(field, Qt::Key_Return); }), "Grave Lantern");
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(dlg->focusWidget(), list);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(SelectedRows(), QList<int>{1});
    ExpectSampleDetails(CaptureDetails([&] { QTest::keyClick(list, Qt::Key_Return); }), "Lantern of False Dawn");
    ExpectSampleDetails(CaptureDetails([&] { DoubleClickRow(0); }), "Grave Lantern");
    ExpectSampleDetails(CaptureDetails([&] { Click("IDOK"); }), "Grave Lantern");
}

// Byte spans become QString positions: UTF-16 units, two for a character
// beyond the Basic Multilingual Plane.
TEST(MatchRanges, CountUtf16Units) {
    const struct {
        QString text;
        const char* typed;
        TextRanges ranges;
    } cases[] = {
        {QStringLiteral("\U0001D538 ice Ice"), "ice", {{3, 3}, {7, 3}}},
        {QStringLiteral("\u041B\u0435\u0434 \u0448\u0442\u043E\u0440\u043C"), "\u0428\u0422\u041E", {{4, 3}}},
        {QStringLiteral("Touch"), "-touch", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchRanges(c.text, MakeQuery(c.typed, {}, {}, false), kFieldName), c.ranges) << c.typed;
}

TEST_F(FindBarTest, MatchesAreMarkedInTheirCellsAndInTheDetails) {
    LoadWizard();
    Find(list);
    QTest::keyClicks(field, "range:touch comp:s level:2-4 tide -name:xyz");
    ASSERT_EQ(Column(0), QStringList{"Tidewalker's Step"});
    const auto marks = [&](int column) { return model->index(0, column).data(SpellListModel::MatchRangesRole).value<TextRanges>(); };
    EXPECT_EQ(marks(0), (TextRanges{{0, 4}}));   // "Tide"walker's Step
    EXPECT_EQ(marks(1), (TextRanges{{0, 1}}));   // 3
    EXPECT_EQ(marks(3), (TextRanges{{0, 5}}));   // Touch
    EXPECT_EQ(marks(6), (TextRanges{{3, 1}}));   // V, "S"
    EXPECT_EQ(marks(4), TextRanges{});           // 1 turn/level
    // Painted: the range cell holds the mark's colour, the duration's not.
    const auto marked = [&](int column) {
        const QImage shot = list->viewport()->grab().toImage();
        const QRect cell = list->visualRect(model->index(0, column));
        int pixels = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                pixels += shot.pixelColor(x, y) == MatchBackground();
        return pixels;
    };
    EXPECT_GT(marked(3), 20);
    EXPECT_EQ(marked(4), 0);
    // A query that keeps every row, so no reset, tells the view to repaint.
    field->clear();
    ASSERT_EQ(marked(1), 0);
    QSignalSpy repaints(qobject_cast<SpellListModel*>(model), &SpellListModel::MatchesChanged);
    QTest::keyClicks(field, "level:0-99");
    ASSERT_EQ(count->text(), QStringLiteral("29 of 29"));
    EXPECT_GT(repaints.count(), 0);
    EXPECT_GT(marked(1), 5);
    field->clear();
    EXPECT_EQ(marked(1), 0);

    // The details mark the description's matches and show the first.
    field->clear();
    QTest::keyClicks(field, "desc:astrologers -desc:zebra");
    ASSERT_TRUE(QTest::qWaitFor([&] { return count->text() == QStringLiteral("1 of 29"); }));
    EXPECT_EQ(marks(0), TextRanges{});
    const auto inside = [](CSpellInfoDlg* details) {
        QPlainTextEdit* box = details->m_ctlDescription;
        const QList<QTextEdit::ExtraSelection> found = box->extraSelections();
        ASSERT_EQ(found.size(), 2);
        EXPECT_EQ(found[0].cursor.selectedText(), QStringLiteral("Astrologers"));
        EXPECT_EQ(found[1].cursor.selectedText(), QStringLiteral("astrologers"));
        QTextCursor first = found[0].cursor;
        first.setPosition(first.selectionStart());
        EXPECT_TRUE(QTest::qWaitFor([&] { return box->viewport()->rect().contains(box->cursorRect(first)); }));
        EXPECT_GT(box->verticalScrollBar()->value(), 0);
    };
    EXPECT_EQ(CaptureDetails([&] { QTest::keyClick(field, Qt::Key_Return); }, inside).opened, 1);
    // Opened from the whole list, nothing is marked.
    QTest::keyClick(field, Qt::Key_Escape);
    ASSERT_EQ(model->rowCount(), 29);
    EXPECT_EQ(CaptureDetails([&] { Click("IDOK"); }, [](CSpellInfoDlg* details) {
                  EXPECT_TRUE(details->m_ctlDescription->extraSelections().isEmpty());
              }).opened,
              1);
}

TEST_F(FindBarTest, ANewQueryCancelsTheRunningSearch) {
    LoadWizard();
    const int progressValue = progress->value();
    bar->SetInPlaceLimit(0);  // every search on a worker thread
    Find(list);
    // The index, begun on the worker as the bar opened, is ready first.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Model()->IndexSlot()->Built() != nullptr; }));
    std::binary_semaphore release(0);
    std::atomic<int> started{0};
    SearchRunner::SetWorkerStartHook([&] {
        if (started++ == 0)
            release.acquire();  // the first search waits until the query has changed
    });
    field->setText(QStringLiteral("grave"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.load() == 1; }));
    EXPECT_EQ(progress->maximum(), kSearchProgressMax);
    EXPECT_EQ(count->text(), QStringLiteral("29 of 29"));
    field->setText(QStringLiteral("lantern"));
    release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return count->text() == QStringLiteral("2 of 29"); }));
    QTest::qWait(100);
    EXPECT_EQ(Column(0), (QStringList{"Grave Lantern", "Lantern of False Dawn"}));
    EXPECT_EQ(count->text(), QStringLiteral("2 of 29"));
    EXPECT_EQ(started.load(), 2);
    // The progress bar is the load's again.
    EXPECT_EQ(progress->maximum(), 29);
    EXPECT_EQ(progress->value(), progressValue);
}

// Opening the bar offers the levels the load gathered, and the first
// search of a list too large to search at once builds its index on the
// worker while the window answers; a load drops an index not yet built.
// Opening the bar over a list too large to index at once has the worker
// build its index meanwhile, so that the first letters typed find it.
TEST_F(FindBarTest, OpeningTheBarBuildsALargeListsIndexAhead) {
    LoadWizard();
    bar->SetInPlaceLimit(0);
    EXPECT_EQ(dlg->Model()->IndexSlot()->Built(), nullptr);
    Find(list);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Model()->IndexSlot()->Built() != nullptr; }));
    EXPECT_EQ(count->text(), QStringLiteral("29 of 29"));
    const std::shared_ptr<const SpellSearchIndex> built = dlg->Model()->IndexSlot()->Built();
    EXPECT_EQ(built->RowCount(), 29u);
    bar->OnClose();
    Find(list);
    EXPECT_EQ(dlg->Model()->IndexSlot()->Built(), built);
}

TEST_F(FindBarTest, TheFirstSearchOfALargeListBuildsItsIndexOnTheWorker) {
    LoadWizard();
    SpellListModel* spells = dlg->Model();
    bar->SetInPlaceLimit(0);
    // The worker is held twice: for the index, begun as the bar opens,
    // and for the search.
    std::counting_semaphore<2> release(0);
    SearchRunner::SetWorkerStartHook([&] { release.acquire(); });
    Find(list);
    EXPECT_EQ(Items(level), (QStringList{"All levels", "1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(spells->IndexSlot()->Built(), nullptr);
    field->setText(QStringLiteral("lantern"));
    EXPECT_EQ(count->text(), QStringLiteral("29 of 29"));
    EXPECT_EQ(progress->maximum(), kSearchProgressMax);
    EXPECT_EQ(spells->IndexSlot()->Built(), nullptr);
    release.release(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return count->text() == QStringLiteral("2 of 29"); }));
    EXPECT_EQ(Column(0), (QStringList{"Grave Lantern", "Lantern of False Dawn"}));
    ASSERT_NE(spells->IndexSlot()->Built(), nullptr);
    EXPECT_EQ(spells->IndexSlot()->Built()->RowCount(), 29u);

    // The slot of the list shown before a load builds nothing.
    SearchRunner::SetWorkerStartHook({});
    bar->OnClose();
    Click("IDC_WIZARD");
    const std::shared_ptr<SearchIndexSlot> before = spells->IndexSlot();
    Click("IDC_WIZARD");
    EXPECT_EQ(before->Get(), nullptr);
    EXPECT_NE(spells->IndexSlot(), before);
    EXPECT_EQ(spells->IndexSlot()->Get()->RowCount(), 29u);
}

TEST_F(FindBarTest, UnreadableTextDropsDescriptionsWithAMessage) {
    LoadWizard();
    std::filesystem::remove(Txt());
    Find(list);
    QTest::keyClicks(field, "fire");
    QTest::mouseClick(descriptions, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.empty(); }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              QString::fromStdString("can't open file " + Txt() + ": No such file or directory"));
    EXPECT_FALSE(descriptions->isChecked());
    EXPECT_EQ(count->text(), QStringLiteral("0 of 29"));
}

// A search still on the worker when a list loads neither reaches the
// load's progress bar nor reports into the new list.
TEST_F(FindBarTest, ALoadCancelsTheRunningSearch) {
    WriteFile(Txt("priest"), kPriestText);  // one row, the wizard list 29
    g_nLevel = 1;
    ASSERT_TRUE(BuildIndex("priest").ok());
    LoadWizard();
    dlg->SetRepaintInterval(0);  // the load takes events at every chance
    bar->SetInPlaceLimit(0);
    Find(list);
    // The index, begun on the worker as the bar opened, is ready first.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Model()->IndexSlot()->Built() != nullptr; }));
    std::binary_semaphore release(0);
    std::atomic<bool> started{false};
    SearchRunner::SetWorkerStartHook([&] {
        started = true;
        release.acquire();
    });
    field->setText(QStringLiteral("lantern"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.load(); }));
    SearchRunner::SetWorkerStartHook({});  // the searches after this one run through
    ASSERT_EQ(progress->maximum(), kSearchProgressMax);
    progress->setValue(500);  // as the search's progress would show it half way
    // Once the load has set its range, the search ends and posts its
    // report, which only the load's repaints could then take.
    bool released = false;
    QObject::connect(progress, &QProgressBar::valueChanged, progress, [&] {
        if (released || progress->maximum() == 29 || progress->maximum() == kSearchProgressMax)
            return;
        released = true;
        release.release();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    Click("IDC_PRIEST");
    if (!released)
        release.release();  // the search must not hold the test's end
    EXPECT_TRUE(released);
    // The new list's search, which gives the bar back as the load left
    // it: "lantern" is in none of its rows.
    EXPECT_TRUE(QTest::qWaitFor([&] { return count->text() == QStringLiteral("0 of 1"); }));
    QTest::qWait(50);
    EXPECT_EQ(progress->maximum(), 1);
}

// Memory running out in a search on the worker: the whole list, the
// progress bar as the load left it, and why.
TEST_F(FindBarTest, ASearchOutOfMemoryShowsTheWholeListAndWhy) {
    LoadWizard();
    const int progressValue = progress->value();
    SearchRunner::SetWorkerStartHook([] { throw std::bad_alloc(); });
    Find(list);
    QTest::keyClicks(field, "grave");
    EXPECT_EQ(count->text(), QStringLiteral("1 of 29"));
    QTest::mouseClick(descriptions, Qt::LeftButton);  // descriptions: always on the worker
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.empty(); }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("can't search the list: not enough memory"));
    EXPECT_EQ(count->text(), QStringLiteral("29 of 29"));
    EXPECT_EQ(progress->maximum(), 29);
    EXPECT_EQ(progress->value(), progressValue);
}

// The bar is made when it is first opened, for the list shown by then, and
// stands in the tab order where it would had the window made it at once:
// after the buttons, its book row after it, the notice's controls last.
class FindBarFirstOpenTest : public MainDialogTest {
protected:
    CFindBar* MadeBar() const { return dlg->findChild<CFindBar*>(QStringLiteral("IDC_FIND_BAR")); }
    template <typename T>
    T* Child(const char* name) const {
        return dlg->findChild<T*>(QString::fromLatin1(name));
    }
    static QStringList Items(const QComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }
};

TEST_F(FindBarFirstOpenTest, MadeAtTheFirstCtrlFForTheListShownAndTabbedInPlace) {
    BuildSample("wizard");
    Click("IDC_WIZARD");
    ASSERT_EQ(model->rowCount(), 29);
    EXPECT_EQ(MadeBar(), nullptr) << "made before it was opened";
    EXPECT_FALSE(dlg->BookBar()->isVisible());
    EXPECT_EQ(list->size(), QSize(990, 555));

    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    CFindBar* bar = MadeBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(dlg->FindBar(), bar);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(Child<QLineEdit>("IDC_FIND_TEXT")->hasFocus());
    EXPECT_EQ(Child<QLabel>("IDC_FIND_COUNT")->text(), QStringLiteral("29 of 29"));
    EXPECT_EQ(Items(Child<QComboBox>("IDC_FIND_LEVEL")), (QStringList{"All levels", "1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(Child<QComboBox>("IDC_FIND_SCHOOL")->count(), 10);
    EXPECT_EQ(list->size(), QSize(990, 555 - bar->height()));
    EXPECT_EQ(bar->x(), list->x());
    EXPECT_GT(bar->y(), list->geometry().bottom());
    EXPECT_TRUE(bar->isAncestorOf(dlg->BookBar()));
    EXPECT_TRUE(dlg->BookBar()->isVisible());

    QStringList tabOrder;
    for (QWidget* w = dlg->nextInFocusChain(); w != dlg.get(); w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            tabOrder << w->objectName();
    EXPECT_EQ(tabOrder, (QStringList{"IDC_SPELL_LIST", "IDC_WIZARD", "IDC_PRIEST", "IDOK", "IDC_CREATE_INDEX",
                                     "IDCANCEL", "IDC_FIND_TEXT", "IDC_FIND_LEVEL", "IDC_FIND_SCHOOL",
                                     "IDC_FIND_DESCRIPTIONS", "IDC_FIND_CLOSE", "IDC_BOOK", "IDC_BOOK_NEW",
                                     "IDC_BOOK_RENAME", "IDC_BOOK_DELETE", "IDC_BOOK_MARKED_ONLY",
                                     "IDC_NOTICE_ACTION", "IDC_NOTICE_CLOSE"}));

    // Typing filters at once; Escape closes it as ever.
    QTest::keyClicks(Child<QLineEdit>("IDC_FIND_TEXT"), "LANT");
    EXPECT_EQ(Child<QLabel>("IDC_FIND_COUNT")->text(), QStringLiteral("2 of 29"));
    QTest::keyClick(Child<QLineEdit>("IDC_FIND_TEXT"), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(model->rowCount(), 29);
    EXPECT_EQ(list->size(), QSize(990, 555));
}

TEST_F(FindBarFirstOpenTest, MadeAfterAPriestLoadOffersItsSpheres) {
    WriteFile(Txt("priest"), kTwoPriestSpells);
    g_nLevel = 1;
    ASSERT_TRUE(BuildIndex("priest").ok());
    Click("IDC_PRIEST");
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(MadeBar(), nullptr);
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(MadeBar(), nullptr);
    EXPECT_EQ(Child<QLabel>("IDC_FIND_SCHOOL_LABEL")->text(), QStringLiteral("Sphere"));
    EXPECT_EQ(Items(Child<QComboBox>("IDC_FIND_SCHOOL")),
              (QStringList{"All spheres", "All", "Animal", "Elemental (Earth, Water)", "Plant"}));
    EXPECT_EQ(Child<QLabel>("IDC_FIND_COUNT")->text(), QStringLiteral("2 of 2"));
}

// Until the find bar is made the book bar has no controls, yet Space marks
// the selected spell in the book; the book's row then shows the book.
TEST_F(FindBarFirstOpenTest, MarksWorkBeforeTheBookRowIsMade) {
    WriteFile(dir.file("wizard.book"), "Spellbook\nGrave Lantern\n");
    BuildSample("wizard");
    Click("IDC_WIZARD");
    ASSERT_EQ(model->rowCount(), 29);
    EXPECT_EQ(Child<QComboBox>("IDC_BOOK"), nullptr) << "made before the find bar";
    list->setCurrentIndex(model->index(0, 3));
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(ReadFile(dir.file("wizard.book")), "Spellbook\nGrave Lantern\nAshen Hand\n");

    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(Child<QComboBox>("IDC_BOOK"), nullptr);
    EXPECT_EQ(Items(Child<QComboBox>("IDC_BOOK")), QStringList{"Spellbook"});
    EXPECT_EQ(Child<QLabel>("IDC_BOOK_COUNT")->text(), QStringLiteral("2 marked"));
    EXPECT_TRUE(dlg->BookBar()->isEnabled());
}

}  // namespace
