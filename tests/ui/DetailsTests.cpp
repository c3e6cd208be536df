// The details dialog: opened from the list by double-click, "Details..."
// and Enter, and on its own.

#include <filesystem>

#include <QRegularExpression>

#include "UiTestSupport.h"

namespace {

class DetailsTest : public MainDialogTest {
protected:
    void LoadSample(const std::string& spellClass) {
        ASSERT_NO_FATAL_FAILURE(BuildSample(spellClass));
        Click(spellClass == "wizard" ? "IDC_WIZARD" : "IDC_PRIEST");
        ASSERT_GT(model->rowCount(), 2);
        ASSERT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
    }
    SpellRecord RecordOfRow(const std::string& spellClass, int row) {
        const RecordResult read = ReadRecordAt(Idx(spellClass), Offset(row));
        EXPECT_TRUE(read.ok()) << "row " << row;
        return read.record;
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
        ASSERT_TRUE(BuildIndexIn(dir.prefix(), "wizard", 1).ok());
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

}  // namespace
