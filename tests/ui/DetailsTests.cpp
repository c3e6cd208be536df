// The details dialog: opened from the list by double-click, "Details..."
// and Enter, and on its own for the description rules.

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
    void ExpectEmpty(const DetailsView& v) {
        EXPECT_EQ(v.opened, 1);
        EXPECT_EQ(v.Fields(), QStringList(10, QString())) << "a field shows something that was not read";
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

TEST_F(DetailsTest, MissingTextFileIsNamedAndTheFieldsStillShow) {
    for (const std::string spellClass : {"wizard", "priest"}) {
        SCOPED_TRACE(spellClass);
        messages.clear();
        ASSERT_NO_FATAL_FAILURE(LoadSample(spellClass));
        ClickRow(1);
        DetailsView expected = Expected(spellClass, 1);
        expected.description.clear();
        std::filesystem::remove(Txt(spellClass));
        ExpectSameDetails(ByDetailsButton(), expected);
        EXPECT_EQ(MessageTexts(), QStringList{QString::fromStdString("can't open file " + spellClass + ".txt")});
    }
}

TEST_F(DetailsTest, MissingIndexGivesAnEmptyDialog) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    ClickRow(0);
    std::filesystem::remove(Idx("wizard"));
    ExpectEmpty(ByDetailsButton());
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
}

TEST_F(DetailsTest, IndexShortenedAfterLoadGivesAnEmptyDialog) {
    ASSERT_NO_FATAL_FAILURE(LoadSample("wizard"));
    int lastRow = 0;
    for (int row = 1; row < model->rowCount(); ++row)
        if (Offset(row) > Offset(lastRow))
            lastRow = row;
    const int64_t offset = Offset(lastRow);
    std::filesystem::resize_file(Idx("wizard"), static_cast<std::uintmax_t>(offset) + kRecordSize - 1);

    ClickRow(lastRow);
    ExpectEmpty(ByDetailsButton());
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});

    // Earlier records are still whole.
    messages.clear();
    const std::vector<int64_t> offsets = Offsets();
    const int firstRecordRow =
        static_cast<int>(std::find(offsets.begin(), offsets.end(), 0) - offsets.begin());
    ClickRow(firstRecordRow);
    ExpectSameDetails(ByDetailsButton(), Expected("wizard", firstRecordRow));
    EXPECT_TRUE(messages.empty());
}

// ---- Encodings -------------------------------------------------------------

TEST_F(DetailsTest, Windows1251AndUtf8TextsShowCorrectly) {
    // First entry in Windows-1251 ("Магия", range "один", "Описание"), the
    // second in UTF-8.
    const std::string text =
        "\xCC\xE0\xE3\xE8\xFF\r\n"
        "Alteration\r\n"
        "Range: \xEE\xE4\xE8\xED\tComponents: V\r\n"
        "Duration: 1 rd.\tCasting Time: 1\r\n"
        "Area of Effect: One\tSaving Throw: None\r\n"
        "Source: test\r\n"
        "\xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5\r\n"
        "\r\n"
        "Fire Огонь\r\n"
        "Evocation\r\n"
        "Range: 10 ярдов\tComponents: V\r\n"
        "Duration: 1 rd.\tCasting Time: 1\r\n"
        "Area of Effect: One\tSaving Throw: None\r\n"
        "Source: test\r\n"
        "Пламя горит.\r\n";
    WriteFile(Txt("wizard"), text);
    ASSERT_TRUE(BuildIndex("wizard").ok());
    Click("IDC_WIZARD");
    ASSERT_EQ(Column(0), (QStringList{QString::fromUtf8("Fire Огонь"), QString::fromUtf8("Магия")}));
    EXPECT_EQ(Column(3), (QStringList{QString::fromUtf8("10 ярдов"), QString::fromUtf8("один")}));

    ClickRow(1);
    DetailsView view = ByDetailsButton();
    EXPECT_EQ(view.name, QString::fromUtf8("Магия"));
    EXPECT_EQ(view.range, QString::fromUtf8("один"));
    EXPECT_EQ(view.description, QString::fromUtf8("Описание"));
    ClickRow(0);
    view = ByDetailsButton();
    EXPECT_EQ(view.name, QString::fromUtf8("Fire Огонь"));
    EXPECT_EQ(view.range, QString::fromUtf8("10 ярдов"));
    EXPECT_EQ(view.description, QString::fromUtf8("Пламя горит."));
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
}

// ---- The dialog on its own -------------------------------------------------

class InfoDialogTest : public UiTest {
protected:
    DetailsView Open(int64_t offset, const std::string& spellClass = "wizard") {
        CSpellInfoDlg info;
        info.m_strPath = dir.prefix() + spellClass;
        info.m_nOffset = offset;
        info.OnInitDialog();
        DetailsView view = ReadDetails(&info);
        view.opened = 1;
        return view;
    }
};

std::string Entry(std::string_view name, std::string_view description) {
    return std::string(name) +
           "\nAlteration\n"
           "Range: Touch\tComponents: V\n"
           "Duration: 1 rd.\tCasting Time: 1\n"
           "Area of Effect: One\tSaving Throw: None\n"
           "Source: test\n" +
           std::string(description);
}

TEST_F(InfoDialogTest, DescriptionEndsAndJoinsAsTheBuilderReadsThem) {
    const std::string longLine(20000, 'x');
    const std::string lf = Entry("Joined Lines", "abc\nDef\nghi\n\n") +
                           Entry("Inner Blank", "abc\n\n\tdef\nghi\n\n") +
                           Entry("Two Blanks", "first\n\n\n") +
                           Entry("Long One", longLine + "\n\n") +
                           Entry("Last Spell", "one\ntwo");
    const std::vector<std::pair<QString, QString>> expected = {
        {"Joined Lines", "abcDefghi"},
        {"Inner Blank", "abc\tdefghi"},
        {"Two Blanks", "first"},
        {"Long One", QString::fromStdString(longLine)},
        {"Last Spell", "onetwo"},
    };
    for (const std::string& text : {lf, ToCrlf(lf)}) {
        SCOPED_TRACE(text == lf ? "LF" : "CRLF");
        WriteFile(Txt("wizard"), text);
        g_nLevel = 1;
        ASSERT_TRUE(BuildIndex("wizard").ok());
        const std::vector<IndexedRecord> records = ReadIndex(Idx("wizard"));
        ASSERT_EQ(records.size(), expected.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            const DetailsView view = Open(records[i].offset);
            EXPECT_EQ(view.name, expected[i].first);
            EXPECT_EQ(view.description, expected[i].second) << expected[i].first.toStdString();
            EXPECT_EQ(view.area, QStringLiteral("One"));
            EXPECT_EQ(view.castingTime, QStringLiteral("1"));
        }
    }
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
}

TEST_F(InfoDialogTest, LevelIsShownAsASignedNumber) {
    WriteFile(Txt("wizard"), "descr\n");
    WriteFile(Idx("wizard"), EncodeAll({MakeRecord("Low", -7), MakeRecord("High", 123)}));
    EXPECT_EQ(Open(0).level, QStringLiteral("-7"));
    const DetailsView high = Open(432);
    EXPECT_EQ(high.level, QStringLiteral("123"));
    EXPECT_EQ(high.name, QStringLiteral("High"));
    EXPECT_EQ(high.description, QStringLiteral("descr"));
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
