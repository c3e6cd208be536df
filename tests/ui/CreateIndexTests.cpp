// SPDX-License-Identifier: MIT
// Create Index: the question, the index it writes, and the messages when
// the build fails.

#include "StatusMessage.h"
#include "UiTestSupport.h"

namespace {

const QString kQuestion = QString::fromUtf8("Вы хотите создать индекс для Wizard?");

class CreateIndexTest : public MainDialogTest {
protected:
    // The index a build from the class's sample gives, built elsewhere.
    std::string ReferenceIndex(const std::string& spellClass) {
        TempDir other;
        std::filesystem::copy_file(std::string(SPELLS_SAMPLES_DIR) + "/" + spellClass + ".txt",
                                   other.file(spellClass + ".txt"));
        const BuildResult result = BuildIndexIn(other.prefix(), spellClass, 1);
        EXPECT_TRUE(result.ok()) << StatusMessage(result.status, FileNaming::kName);
        return ReadFile(other.file(spellClass + ".idx"));
    }

    void ExpectOnlyQuestion() {
        ASSERT_EQ(messages.size(), 1u) << MessageTexts().join('|').toStdString();
        EXPECT_EQ(messages[0].text, kQuestion);
        EXPECT_EQ(messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    }
};

TEST_F(CreateIndexTest, YesBuildsTheWizardIndexOnly) {
    CopySample("wizard");
    CopySample("priest");
    g_nLevel = 7;  // Create Index counts levels from 1 whatever came before
    answer = QMessageBox::Yes;
    Click("IDC_CREATE_INDEX");
    ExpectOnlyQuestion();
    EXPECT_EQ(g_strClass, "wizard");
    ASSERT_TRUE(std::filesystem::exists(Idx("wizard")));
    EXPECT_FALSE(std::filesystem::exists(Idx("priest")));
    EXPECT_EQ(ReadFile(Idx("wizard")), ReferenceIndex("wizard"));
    EXPECT_GT(ReadIndex(Idx("wizard")).size(), 2u);
    EXPECT_EQ(model->rowCount(), 0) << "Create Index does not load the list";
}

TEST_F(CreateIndexTest, NoBuildsThePriestIndexAndLeavesWizardUntouched) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    CopySample("priest");
    const std::string wizardBefore = ReadFile(Idx("wizard"));
    answer = QMessageBox::No;
    Click("IDC_CREATE_INDEX");
    ExpectOnlyQuestion();
    EXPECT_EQ(g_strClass, "priest");
    EXPECT_EQ(ReadFile(Idx("priest")), ReferenceIndex("priest"));
    EXPECT_EQ(ReadFile(Idx("wizard")), wizardBefore);
}

TEST_F(CreateIndexTest, UnwritableIndexIsReportedWithItsReason) {
    CopySample("wizard");
    // A non-empty directory where the index should go: nothing can replace it.
    std::filesystem::create_directory(Idx("wizard"));
    WriteFile(Idx("wizard") + "/keep", "k");
    answer = QMessageBox::Yes;
    Click("IDC_CREATE_INDEX");
    ASSERT_EQ(messages.size(), 2u) << MessageTexts().join('|').toStdString();
    EXPECT_EQ(messages[0].text, kQuestion);
    const QString prefix = QStringLiteral("can't write index wizard.idx: ");
    EXPECT_TRUE(messages[1].text.startsWith(prefix)) << messages[1].text.toStdString();
    EXPECT_GT(messages[1].text.size(), prefix.size()) << "no reason given";
    EXPECT_EQ(messages[1].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST_F(CreateIndexTest, BuildingPriestWhileWizardIsShownKeepsTheListWizard) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    CopySample("priest");
    Click("IDC_WIZARD");
    const QStringList wizardNames = Column(0);
    ASSERT_FALSE(wizardNames.isEmpty());
    answer = QMessageBox::No;
    Click("IDC_CREATE_INDEX");
    ExpectOnlyQuestion();
    ASSERT_TRUE(std::filesystem::exists(Idx("priest")));
    EXPECT_EQ(Column(0), wizardNames) << "Create Index does not touch the list";

    ClickHeader(ColumnCaptioned("Level"));
    ClickHeader(ColumnCaptioned("Spell"));
    EXPECT_EQ(dlg->ListClass(), "wizard");
    EXPECT_EQ(Column(0), wizardNames) << "a header click switched the list to another class";
}

TEST_F(CreateIndexTest, EscapeOrTheCloseBoxBuildsNothing) {
    CopySample("wizard");
    CopySample("priest");
    g_strClass = "wizard";
    answer = QMessageBox::Cancel;  // what the box answers to Escape and its close box
    Click("IDC_CREATE_INDEX");
    ExpectOnlyQuestion();
    EXPECT_FALSE(std::filesystem::exists(Idx("wizard")));
    EXPECT_FALSE(std::filesystem::exists(Idx("priest")));
    EXPECT_EQ(g_strClass, "wizard");
}

// ---- The boxes themselves ---------------------------------------------------

TEST_F(MainDialogTest, EscapeAndTheCloseBoxNeverAnswerAQuestion) {
    SetMessageBoxHook(nullptr);  // real boxes
    const auto ask = [&](QMessageBox::StandardButtons buttons, const std::function<void(QMessageBox*)>& act) {
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                poll.stop();
                act(box);
            }
        });
        poll.start();
        return ShowMessageBox(kQuestion, buttons, dlg.get());
    };
    const auto escape = [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); };
    const QMessageBox::StandardButtons yesNo = QMessageBox::Yes | QMessageBox::No;
    EXPECT_EQ(ask(yesNo, escape), QMessageBox::Cancel);
    EXPECT_EQ(ask(yesNo, [](QMessageBox* box) { box->close(); }), QMessageBox::Cancel);
    EXPECT_EQ(ask(yesNo, [](QMessageBox* box) { box->button(QMessageBox::No)->click(); }), QMessageBox::No);
    EXPECT_EQ(ask(QMessageBox::Ok, escape), QMessageBox::Ok);
}

}  // namespace

// The window's build and parse count levels on g_nLevel and leave it where
// the parse ended; the data layer below takes the level as an argument.
TEST(WindowGlobals, BuildIndexAndParseSpellCountOnTheLevelGlobal) {
    const std::string text = "First-Level Spells\n" + Entry("A") + "\nSecond-Level Spells\n\n" + Entry("B") + "\n" +
                             Entry("C") + "\nThird-Level Spells\n";
    TempDir dir;
    WriteFile(dir.file("wizard.txt"), text);
    const std::string savedDir = g_strDataDir;
    g_strDataDir = dir.prefix();
    g_nLevel = 3;
    const BuildResult r = BuildIndex("wizard");
    g_strDataDir = savedDir;
    EXPECT_TRUE(r.ok()) << StatusMessage(r.status, FileNaming::kName);
    EXPECT_EQ(g_nLevel, 6);
    std::vector<std::pair<std::string, int>> levels;
    for (const SpellRecord& record : ReadIndex(dir.file("wizard.idx")))
        levels.emplace_back(FieldText(record.szName), record.nLevel);
    EXPECT_EQ(levels, (std::vector<std::pair<std::string, int>>{{"A", 4}, {"B", 5}, {"C", 5}}));

    LineReader reader;
    reader.OpenMemory(text);
    SpellRecord record;
    g_nLevel = 1;
    ASSERT_EQ(ParseSpell(reader, record, false), ParseResult::kEntry);
    EXPECT_EQ(record.nLevel, 2);
    EXPECT_EQ(g_nLevel, 2);
    g_nLevel = 1;
}
