// SPDX-License-Identifier: MIT
// The notice below the list: an index older than its text, with Rebuild,
// and the problems a build from the window found, with their dialog.

#include <algorithm>
#include <chrono>
#include <cmath>

#include <QCheckBox>
#include <QHeaderView>
#include <QImage>
#include <QStyle>
#include <QStyleOptionButton>
#include <QLabel>
#include <QTreeView>
#include <QToolButton>

#include "CNoticeBar.h"
#include "CProblemsDlg.h"
#include "Contrast.h"
#include "UiTestSupport.h"

namespace {

namespace fs = std::filesystem;

// Two spells: the first's range line lacks its tab; a paragraph of the
// second's description begins with a capital after a blank line and is
// read as a third spell.
const std::string kFaultyText =
    "Alpha\n"
    "Alteration\n"
    "Range: Touch Components: V\n"
    "Duration: 1 rd.\tCasting Time: 1\n"
    "Area of Effect: One\tSaving Throw: None\n"
    "Notes.\n"
    "Words.\n"
    "\n"
    "Beta\n"
    "Abjuration\n"
    "Range: 0\tComponents: V\n"
    "Duration: 1 rd.\tCasting Time: 1\n"
    "Area of Effect: One\tSaving Throw: None\n"
    "Notes.\n"
    "Words.\n"
    "\n"
    "Then the ward fades.\n"
    "slowly\n"
    "and quietly\n"
    "until\n"
    "it is gone\n"
    "for good.\n";

// A table row of the problems dialog: line, message, spell.
using Row = QStringList;

class NoticeTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        bar = dlg->findChild<CNoticeBar*>(QStringLiteral("IDC_NOTICE_BAR"));
        ASSERT_NE(bar, nullptr);
        text = bar->findChild<QLabel*>(QStringLiteral("IDC_NOTICE_TEXT"));
        action = bar->findChild<QPushButton*>(QStringLiteral("IDC_NOTICE_ACTION"));
        close = bar->findChild<QToolButton*>(QStringLiteral("IDC_NOTICE_CLOSE"));
        ASSERT_NE(text, nullptr);
        ASSERT_NE(action, nullptr);
        ASSERT_NE(close, nullptr);
    }

    // Sets the file's modification time `seconds` from now.
    static void SetTime(const std::string& path, int seconds) {
        fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(seconds));
    }

    bool Shown() const { return bar->isVisible(); }
    QString Shows() const { return Shown() ? text->text() : QString(); }

    // The list ends 45 pixels above the client area's bottom, the notice
    // bar, when shown, taking its place at the bottom of that.
    void ExpectLayout() const {
        const int listArea = dlg->height() - 45;
        if (!Shown()) {
            EXPECT_EQ(list->height(), listArea);
            return;
        }
        EXPECT_GT(bar->height(), 0);
        EXPECT_EQ(list->height(), listArea - bar->height());
        EXPECT_EQ(bar->geometry().top(), list->geometry().bottom() + 1);
        EXPECT_EQ(bar->x(), list->x());
        EXPECT_EQ(bar->width(), list->width());
    }

    // Presses the notice's button; a problems dialog that opens is read
    // and closed.
    std::vector<Row> PressActionAndReadProblems(QString* title = nullptr, QString* notListed = nullptr) {
        std::vector<Row> rows;
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            CProblemsDlg* problems = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = qobject_cast<CProblemsDlg*>(w); p && p->isVisible())
                    problems = p;
            if (!problems)
                return;
            EXPECT_EQ(problems, QApplication::activeModalWidget());
            if (title)
                *title = problems->windowTitle();
            auto* table = problems->findChild<QTreeView*>(QStringLiteral("IDC_PROBLEM_LIST"));
            EXPECT_NE(table, nullptr);
            const QAbstractItemModel* m = table ? table->model() : nullptr;
            for (int r = 0; m && r < m->rowCount(); ++r)
                rows.push_back({m->index(r, 0).data().toString(), m->index(r, 1).data().toString(),
                                m->index(r, 2).data().toString()});
            if (notListed)
                *notListed = problems->findChild<QLabel*>(QStringLiteral("IDC_PROBLEMS_NOT_LISTED"))->text();
            problems->reject();
        });
        poll.start();
        QTest::mouseClick(action, Qt::LeftButton);
        poll.stop();
        return rows;
    }

    CNoticeBar* bar = nullptr;
    QLabel* text = nullptr;
    QPushButton* action = nullptr;
    QToolButton* close = nullptr;
};

const QString kStale = QStringLiteral("wizard.txt changed after its index was built: descriptions may be wrong");

}  // namespace

TEST_F(NoticeTest, CurrentIndexShowsNothing) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    SetTime(Txt(), -60);
    Click("IDC_WIZARD");
    EXPECT_EQ(model->rowCount(), 29);
    EXPECT_FALSE(Shown());
    ExpectLayout();
    EXPECT_TRUE(messages.empty());
}

TEST_F(NoticeTest, TextChangedAfterTheIndexAndRebuild) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    SetTime(Idx(), -60);
    Click("IDC_WIZARD");
    EXPECT_EQ(Shows(), kStale);
    EXPECT_TRUE(action->isVisible());
    EXPECT_EQ(action->text(), QStringLiteral("Rebuild"));
    ExpectLayout();

    // The notice stays through other loads of the same index.
    ClickHeader(ColumnCaptioned(QStringLiteral("Level")));
    ASSERT_EQ(Caption(0), QStringLiteral("Level"));
    EXPECT_EQ(Shows(), kStale);

    // The text gains a spell; Rebuild indexes it and reloads by level.
    WriteFile(Txt(), ReadFile(Txt()) + "\n\nZephyr's Last Word\nAlteration\n"
                                       "Range: 0\tComponents: V\nDuration: 1 rd.\tCasting Time: 1\n"
                                       "Area of Effect: One\tSaving Throw: None\nNotes.\nWords.\n");
    SetTime(Idx(), -60);
    g_nLevel = 5;  // a rebuild counts levels from 1, as Create Index does
    QTest::mouseClick(action, Qt::LeftButton);
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
    EXPECT_EQ(ReadIndex(Idx()).size(), 30u);
    EXPECT_EQ(model->rowCount(), 30);
    EXPECT_EQ(Caption(0), QStringLiteral("Level")) << "reloaded with the key field it had";
    EXPECT_TRUE(Column(1).contains(QStringLiteral("Zephyr's Last Word")));
    EXPECT_FALSE(Shown()) << Shows().toStdString();
    ExpectLayout();
}

TEST_F(NoticeTest, RebuiltIndexOfATextFromTheFutureIsCurrent) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    SetTime(Txt(), 24 * 3600);
    Click("IDC_WIZARD");
    ASSERT_EQ(Shows(), kStale);
    QTest::mouseClick(action, Qt::LeftButton);
    EXPECT_FALSE(Shown());
    ClickHeader(ColumnCaptioned(QStringLiteral("Level")));
    EXPECT_FALSE(Shown()) << Shows().toStdString();
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
}

TEST_F(NoticeTest, NoSpellListsSaysWhatToDoUntilAnIndexIsBuilt) {
    g_strDataDir = "/home/u/.local/share/spells/";
    dlg->ShowNoSpellListsNotice();
    EXPECT_EQ(Shows(), QStringLiteral("No spell lists yet: put wizard.txt or priest.txt into "
                                      "/home/u/.local/share/spells/ and press Create Index"));
    EXPECT_FALSE(action->isVisible());
    ExpectLayout();
    g_strDataDir = dir.prefix();
    // A build that fails leaves the notice.
    answer = QMessageBox::Yes;
    Click("IDC_CREATE_INDEX");
    EXPECT_TRUE(Shown());
    CopySample("wizard");
    Click("IDC_CREATE_INDEX");
    EXPECT_FALSE(Shown()) << Shows().toStdString();
    ExpectLayout();
}

TEST_F(NoticeTest, MissingTextHasNoRebuild) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    fs::remove(Txt());
    Click("IDC_WIZARD");
    EXPECT_EQ(Shows(), QStringLiteral("wizard.txt is missing: descriptions cannot be shown"));
    EXPECT_FALSE(action->isVisible());
    ExpectLayout();
}

TEST_F(NoticeTest, GoesAwayWhenTheIndexIsCurrentOrClosed) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    ASSERT_NO_FATAL_FAILURE(BuildSample("priest"));
    SetTime(Idx("wizard"), -60);
    Click("IDC_WIZARD");
    ASSERT_EQ(Shows(), kStale);
    // Another class whose index is current.
    Click("IDC_PRIEST");
    EXPECT_FALSE(Shown());
    ExpectLayout();
    Click("IDC_WIZARD");
    ASSERT_EQ(Shows(), kStale);
    // The index made current elsewhere.
    SetTime(Idx("wizard"), 60);
    ClickHeader(0);
    EXPECT_FALSE(Shown());
    // Closed by the user: the list takes the room back.
    SetTime(Idx("wizard"), -60);
    Click("IDC_WIZARD");
    ASSERT_TRUE(Shown());
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(Shown());
    ExpectLayout();
    // A failed load says nothing about the index it did not load.
    Click("IDC_WIZARD");
    ASSERT_TRUE(Shown());
    fs::remove(Idx("wizard"));
    ClickHeader(0);
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
    EXPECT_EQ(Shows(), kStale);
}

TEST_F(NoticeTest, CreateIndexWithWarningsOffersTheProblems) {
    WriteFile(Txt(), kFaultyText);
    answer = QMessageBox::Yes;
    Click("IDC_CREATE_INDEX");
    ASSERT_EQ(messages.size(), 1u) << "only the question";
    EXPECT_EQ(Shows(), QStringLiteral("wizard.txt: indexed 3 spells; 2 lines look wrong"));
    EXPECT_EQ(action->text(), QStringLiteral("Show Problems..."));
    ExpectLayout();
    EXPECT_EQ(model->rowCount(), 0) << "Create Index does not load the list";

    QString title;
    const std::vector<Row> rows = PressActionAndReadProblems(&title);
    EXPECT_EQ(title, QStringLiteral("Problems in wizard.txt"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Row{"3", "no tab on the range line: the range field comes out empty", "Alpha"}));
    EXPECT_EQ(rows[1][0], QStringLiteral("17"));
    EXPECT_TRUE(rows[1][1].startsWith(QStringLiteral(
        "this line begins with a capital letter after a blank line in the description of \"Beta\"")))
        << rows[1][1].toStdString();
    EXPECT_EQ(rows[1][2], QStringLiteral("Then the ward fades."));
    // The notice stays for another look.
    EXPECT_TRUE(Shown());
    EXPECT_EQ(PressActionAndReadProblems().size(), 2u);
}

TEST_F(NoticeTest, ManyWarningsKeepTheFirstAndCountTheRest) {
    // 6,000 seven-line entries without markers: a warning each.
    std::string many;
    for (int i = 0; i < 6000; ++i)
        many += "A\nb\nc\nd\ne\nf\ng\n\n";
    WriteFile(Txt(), many);
    answer = QMessageBox::Yes;
    Click("IDC_CREATE_INDEX");
    EXPECT_EQ(Shows(), QStringLiteral("wizard.txt: indexed 6000 spells; 6000 lines look wrong"));
    QString notListed;
    const std::vector<Row> rows = PressActionAndReadProblems(nullptr, &notListed);
    ASSERT_EQ(rows.size(), 5000u);
    EXPECT_EQ(rows.front()[0], QStringLiteral("1"));
    EXPECT_EQ(rows.back()[0], QStringLiteral("39993"));
    EXPECT_EQ(notListed, QStringLiteral("1000 more warnings are not listed"));
}

TEST_F(NoticeTest, CleanBuildsAreSilentAndClearTheirNotice) {
    WriteFile(Txt(), kFaultyText);
    answer = QMessageBox::Yes;
    Click("IDC_CREATE_INDEX");
    ASSERT_TRUE(Shown());
    // A clean build of the other class leaves the wizard's notice.
    CopySample("priest");
    answer = QMessageBox::No;
    Click("IDC_CREATE_INDEX");
    EXPECT_TRUE(Shown());
    // A clean build of the wizard class clears it.
    CopySample("wizard");
    answer = QMessageBox::Yes;
    Click("IDC_CREATE_INDEX");
    EXPECT_FALSE(Shown());
    EXPECT_EQ(messages.size(), 3u) << MessageTexts().join('|').toStdString();
    ExpectLayout();
}

TEST_F(NoticeTest, RebuildOfAFaultyTextShowsItsProblems) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    Click("IDC_WIZARD");
    WriteFile(Txt(), kFaultyText);
    SetTime(Idx(), -60);
    Click("IDC_WIZARD");
    ASSERT_EQ(Shows(), kStale);
    QTest::mouseClick(action, Qt::LeftButton);
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(Shows(), QStringLiteral("wizard.txt: indexed 3 spells; 2 lines look wrong"));
    EXPECT_EQ(PressActionAndReadProblems().size(), 2u);
}

TEST_F(NoticeTest, RebuildThatFailsSaysWhy) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    SetTime(Idx(), -60);
    Click("IDC_WIZARD");
    ASSERT_EQ(Shows(), kStale);
    // The text turns into a directory: it can no longer be read.
    fs::remove(Txt());
    fs::create_directory(Txt());
    QTest::mouseClick(action, Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("can't "))) << messages[0].text.toStdString();
    EXPECT_EQ(model->rowCount(), 29) << "the list keeps the old index";
    EXPECT_EQ(Shows(), kStale);
}

namespace {

TEST_F(NoticeTest, ProblemsNoticeWaitsWhileTheOtherClassIsShown) {
    WriteFile(Txt(), kFaultyText);
    ASSERT_NO_FATAL_FAILURE(BuildSample("priest"));
    answer = QMessageBox::Yes;
    Click("IDC_CREATE_INDEX");
    ASSERT_EQ(Shows(), QStringLiteral("wizard.txt: indexed 3 spells; 2 lines look wrong"));
    Click("IDC_PRIEST");
    EXPECT_FALSE(Shown()) << "the wizard's problems over the priest list";
    Click("IDC_WIZARD");
    EXPECT_EQ(Shows(), QStringLiteral("wizard.txt: indexed 3 spells; 2 lines look wrong"));
    EXPECT_EQ(PressActionAndReadProblems().size(), 2u);
}

// On a dark palette as on a light one, the close buttons' crosses and the
// box of "Descriptions too" keep a contrast of 3 or more to the bar behind.
TEST_F(NoticeTest, CloseCrossesAndTheDescriptionsBoxStandOutOnDarkAndLight) {
    dlg->FindBar();  // made closed, as at its first opening
    const QPalette saved = QApplication::palette();
    for (const bool darkPalette : {true, false}) {
        SCOPED_TRACE(darkPalette ? "dark" : "light");
        QApplication::setPalette(darkPalette ? DarkPalette() : saved);
        for (const char* name : {"IDC_FIND_CLOSE", "IDC_NOTICE_CLOSE"}) {
            auto* button = dlg->findChild<QToolButton*>(QString::fromLatin1(name));
            ASSERT_NE(button, nullptr) << name;
            const QColor background = button->parentWidget()->palette().color(QPalette::Window);
            const QImage cross = button->icon().pixmap(button->iconSize()).toImage();
            int strokes = 0;
            for (int y = 0; y < cross.height(); ++y)
                for (int x = 0; x < cross.width(); ++x)
                    if (qAlpha(cross.pixel(x, y)) >= 192) {
                        ++strokes;
                        EXPECT_GE(Contrast(Over(cross.pixel(x, y), background), background), 3.0)
                            << name << " at " << x << ", " << y;
                    }
            EXPECT_GE(strokes, 10) << name;
        }
        auto* box = dlg->findChild<QCheckBox*>(QStringLiteral("IDC_FIND_DESCRIPTIONS"));
        ASSERT_NE(box, nullptr);
        box->resize(box->sizeHint());
        const QColor background = box->parentWidget()->palette().color(QPalette::Window);
        const QImage drawn = box->grab().toImage();
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        // The box's outline: its left edge, where nothing but the outline is drawn.
        int outlined = 0;
        for (int y = indicator.top() + 2; y < indicator.bottom() - 1; ++y)
            if (Contrast(Over(drawn.pixel(indicator.left(), y), background), background) >= 3.0)
                ++outlined;
        EXPECT_GE(outlined, indicator.height() - 4) << "of " << indicator.height() - 4;
    }
    QApplication::setPalette(saved);
}

}  // namespace
