// SPDX-License-Identifier: MIT
// The main dialog: start-up, loading a class's index into the list, the
// column sort by header click, progress, keyboard and resizing.

#include <algorithm>
#include <climits>
#include <filesystem>

#include <QHelpEvent>
#include <QIcon>
#include <QImage>
#include <QScrollBar>
#include <QPainter>
#include <QPixmap>
#include <QSignalSpy>
#include <QToolTip>

#include "CSpellListView.h"
#include "PaintWatch.h"
#include "SchoolIcons.h"
#include "UiTestSupport.h"

namespace {

// The field each column shows with `key` in front: the key field first,
// then the other fields in field order.
std::vector<int> ColumnFields(int key) {
    switch (key) {
    case kFieldName: return {0, 1, 2, 3, 4, 5, 6, 7, 8};
    case kFieldLevel: return {1, 0, 2, 3, 4, 5, 6, 7, 8};
    case kFieldDuration: return {4, 0, 1, 2, 3, 5, 6, 7, 8};
    case kFieldArea: return {5, 0, 1, 2, 3, 4, 6, 7, 8};
    default: ADD_FAILURE() << "no column table for key " << key; return {};
    }
}

// The sample lists' fields are ASCII: shown as they are stored, less the
// blanks before their text.
QString AsciiField(std::string_view bytes) {
    while (!bytes.empty() && bytes.front() == ' ')
        bytes.remove_prefix(1);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) { return c > 0 && c < 0x7F; }))
        << "not ASCII: " << bytes;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Pixels of an icon at 16 x 16, in one format so that images compare.
QImage IconImage(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

class SpellListTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        // The template's width, where the columns keep the table's widths.
        dlg->resize(dlg->minimumWidth(), 600);
    }

    // Checks that the list holds exactly the records of `spellClass`'s index,
    // each row showing its own record's fields, ordered by field `key`.
    void ExpectRowsOfIndex(const std::string& spellClass, int key) {
        const std::vector<SpellRecord> records = ReadIndex(Idx(spellClass));
        ASSERT_EQ(model->rowCount(), static_cast<int>(records.size()));
        EXPECT_EQ(g_nRecordCount, static_cast<int32_t>(records.size()));
        EXPECT_EQ(dlg->ListClass(), spellClass);
        std::vector<int64_t> offsets = Offsets();
        std::vector<int64_t> expectedOffsets;
        for (std::size_t i = 0; i < records.size(); ++i)
            expectedOffsets.push_back(static_cast<int64_t>(i * kRecordSize));
        std::sort(offsets.begin(), offsets.end());
        EXPECT_EQ(offsets, expectedOffsets) << "rows are not one per record";

        const QList<QIcon> icons = LoadSchoolImageList();
        const std::vector<int> fields = ColumnFields(key);
        ASSERT_EQ(fields.size(), 9u);
        for (int row = 0; row < model->rowCount(); ++row) {
            const int64_t offset = Offset(row);
            ASSERT_EQ(offset % static_cast<int64_t>(kRecordSize), 0);
            const SpellRecord& record = records[static_cast<std::size_t>(offset) / kRecordSize];
            for (int column = 0; column < 9; ++column)
                EXPECT_EQ(Text(row, column), AsciiField(RecordFieldText(record, fields[static_cast<std::size_t>(column)])))
                    << "row " << row << " column " << column;
            const QIcon icon = model->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
            ASSERT_TRUE(record.nSchoolImage >= 0 && record.nSchoolImage < 9);
            ASSERT_FALSE(icon.isNull()) << "row " << row;
            EXPECT_TRUE(IconImage(icon) == IconImage(icons[record.nSchoolImage])) << "row " << row;
            EXPECT_TRUE(model->index(row, 1).data(Qt::DecorationRole).value<QIcon>().isNull())
                << "only column 0 has an icon";
        }
        ExpectOrderedBy(0);
    }

    // Rows ascend by the case-folded text of `column`; equal texts keep
    // file (record offset) order.
    void ExpectOrderedBy(int column) {
        for (int row = 1; row < model->rowCount(); ++row) {
            const QString a = Text(row - 1, column).toCaseFolded();
            const QString b = Text(row, column).toCaseFolded();
            EXPECT_LE(QString::compare(a, b), 0) << "rows " << row - 1 << ", " << row << ": "
                                                 << a.toStdString() << " > " << b.toStdString();
            if (a == b) {
                EXPECT_LT(Offset(row - 1), Offset(row)) << "equal keys out of file order at row " << row;
            }
        }
    }

};

// ---- Start-up -------------------------------------------------------------

TEST_F(SpellListTest, StartsWithNineDefaultColumnsAndNoRows) {
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Spells"));
    const QList<QSize> iconSizes = dlg->windowIcon().availableSizes();
    for (const int side : {16, 32, 48})
        EXPECT_TRUE(iconSizes.contains(QSize(side, side))) << "no " << side << " pixel window icon";
    EXPECT_EQ(Captions(), kDefaultCaptions);
    EXPECT_EQ(Widths(), kDefaultWidths);
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    for (const char* name : {"IDC_WIZARD", "IDC_PRIEST", "IDOK", "IDC_CREATE_INDEX", "IDCANCEL"})
        EXPECT_NE(Button(name), nullptr);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SpellListTest, SchoolImageListHoldsNineDistinctIconsInResourceOrder) {
    const QList<QIcon> icons = LoadSchoolImageList();
    ASSERT_EQ(icons.size(), 9);
    const char* files[] = {"alteration",  "abjuration", "conjuration", "enchantment", "illusion",
                           "evocation",   "divination", "necromancy",  "all"};
    for (int i = 0; i < 9; ++i) {
        ASSERT_FALSE(icons[i].isNull()) << i;
        const QImage file(QStringLiteral(":/icons/school_%1.xpm").arg(QLatin1String(files[i])));
        ASSERT_EQ(file.size(), QSize(16, 16)) << files[i];
        EXPECT_TRUE(IconImage(icons[i]) == file.convertToFormat(QImage::Format_ARGB32))
            << "image " << i << " is not " << files[i];
        for (int j = 0; j < i; ++j)
            EXPECT_FALSE(IconImage(icons[i]) == IconImage(icons[j])) << i << " looks like " << j;
    }
}

// ---- Loading a class ------------------------------------------------------

TEST_F(SpellListTest, WizardThenPriestLoadShowsEveryRecordSortedByName) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    ASSERT_NO_FATAL_FAILURE(BuildSample("priest"));
    Click("IDC_WIZARD");
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
    EXPECT_EQ(g_strClass, "wizard");
    ExpectRowsOfIndex("wizard", kFieldName);
    EXPECT_EQ(Captions(), kDefaultCaptions);
    EXPECT_EQ(SelectedRows(), QList<int>{0}) << "a load leaves the first row selected";
    EXPECT_EQ(list->currentIndex().row(), 0);

    // Priest rows replace the wizard rows and the selection.
    ClickRow(1);
    ASSERT_EQ(SelectedRows(), QList<int>{1});
    Click("IDC_PRIEST");
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
    EXPECT_EQ(g_strClass, "priest");
    ExpectRowsOfIndex("priest", kFieldName);
    EXPECT_EQ(SelectedRows(), QList<int>{0});
    EXPECT_EQ(list->currentIndex().row(), 0);
}

TEST_F(SpellListTest, SortIsCaseInsensitiveAndKeepsFileOrderOfEqualKeys) {
    // Levels compare as text: "10" before "2".
    WriteFile(Idx("wizard"), EncodeAll({MakeRecord("beta", 2), MakeRecord("Alpha", 10),
                                        MakeRecord("gamma", 1), MakeRecord("alpha", 2),
                                        MakeRecord("ALPHA", 3), MakeRecord("Beta", 1)}));
    Click("IDC_WIZARD");
    EXPECT_EQ(Column(0), (QStringList{"Alpha", "alpha", "ALPHA", "beta", "Beta", "gamma"}));
    EXPECT_EQ(Offsets(), (std::vector<int64_t>{432, 1296, 1728, 0, 2160, 864}));

    ClickHeader(1);
    EXPECT_EQ(Column(0), (QStringList{"1", "1", "10", "2", "2", "3"}));
    EXPECT_EQ(Column(1), (QStringList{"gamma", "Beta", "Alpha", "beta", "alpha", "ALPHA"}));
}

TEST_F(SpellListTest, NamesSortByTheirWholeCaseFoldedText) {
    const struct {
        std::vector<SpellRecord> records;
        QStringList sorted;
    } kCases[] = {
        // Long keys with shared beginnings.
        {{MakeRecord("Protection from Fire"), MakeRecord("PROTECTION FROM EVIL"), MakeRecord("Prot"),
          MakeRecord("protection"), MakeRecord("Protection from evil"), MakeRecord("Protection from Evil, 10'")},
         {"Prot", "protection", "PROTECTION FROM EVIL", "Protection from evil", "Protection from Evil, 10'",
          "Protection from Fire"}},
        // "Яд" (Windows-1251), "арка" (UTF-8), "Арка" (Windows-1251), "яблоко" (UTF-8).
        {{MakeRecord("\xDF\xE4"), MakeRecord("\xD0\xB0\xD1\x80\xD0\xBA\xD0\xB0"), MakeRecord("\xC0\xF0\xEA\xE0"),
          MakeRecord("\xD1\x8F\xD0\xB1\xD0\xBB\xD0\xBE\xD0\xBA\xD0\xBE")},
         {QString::fromUtf8("арка"), QString::fromUtf8("Арка"), QString::fromUtf8("яблоко"), QString::fromUtf8("Яд")}},
    };
    for (const auto& c : kCases) {
        WriteFile(Idx("wizard"), EncodeAll(c.records));
        Click("IDC_WIZARD");
        EXPECT_EQ(Column(0), c.sorted);
    }
}

// ---- Header click ---------------------------------------------------------

TEST_F(SpellListTest, LevelHeaderClickMovesLevelInFrontAndSortsByIt) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    Click("IDC_WIZARD");
    ClickHeader(1);
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
    EXPECT_EQ(Captions(), (QStringList{"Level", "Spell", "School/Sphere", "Range", "Duration",
                                       "Area", "Components", "Saving", "Casting time"}));
    EXPECT_EQ(Widths(), (std::vector<int>{67, 173, 107, 67, 80, 80, 67, 107, 107}));
    ExpectRowsOfIndex("wizard", kFieldLevel);

    EXPECT_EQ(header->sortIndicatorSection(), 0);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);

    // The same click again reverses the order; a third turns it back.
    const std::vector<int64_t> first = Offsets();
    ClickHeader(0);
    EXPECT_EQ(Captions()[0], QStringLiteral("Level"));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(Column(0).first(), QStringLiteral("6"));
    EXPECT_EQ(Column(0).last(), QStringLiteral("1"));
    EXPECT_EQ(Offsets().size(), first.size());
    ClickHeader(0);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(Offsets(), first);
}

TEST_F(SpellListTest, ReversedOrderKeepsEqualKeysInFileOrderAndOtherHeadersSortAscending) {
    // Levels compare as text; " alpha" shows and sorts as "alpha".
    WriteFile(Idx("wizard"), EncodeAll({MakeRecord("beta", 2), MakeRecord("Alpha", 10),
                                        MakeRecord("gamma", 1), MakeRecord(" alpha", 2),
                                        MakeRecord("ALPHA", 3), MakeRecord("Beta", 1)}));
    Click("IDC_WIZARD");
    EXPECT_EQ(Column(0), (QStringList{"Alpha", "alpha", "ALPHA", "beta", "Beta", "gamma"}));
    ClickHeader(0);
    EXPECT_EQ(Column(0), (QStringList{"gamma", "beta", "Beta", "Alpha", "alpha", "ALPHA"}));
    EXPECT_EQ(Offsets(), (std::vector<int64_t>{864, 0, 2160, 432, 1296, 1728}));
    ClickHeader(1);  // Level: ascending again
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(Offsets(), (std::vector<int64_t>{864, 2160, 432, 0, 1296, 1728}));
    ClickHeader(0);
    EXPECT_EQ(Offsets(), (std::vector<int64_t>{1728, 0, 1296, 432, 864, 2160}));
    Click("IDC_WIZARD");  // the class buttons sort ascending by name
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(Offsets(), (std::vector<int64_t>{432, 1296, 1728, 0, 2160, 864}));
}

TEST_F(SpellListTest, ClickedColumnCaptionDecidesTheKeyField) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    Click("IDC_WIZARD");
    ClickHeader(ColumnCaptioned("Area"));
    ASSERT_EQ(Caption(0), QStringLiteral("Area"));
    EXPECT_EQ(Widths(), (std::vector<int>{80, 173, 67, 107, 67, 80, 67, 107, 107}));
    ExpectRowsOfIndex("wizard", kFieldArea);

    // Column 5 now shows Duration: its caption, not its position, decides.
    ASSERT_EQ(Caption(5), QStringLiteral("Duration"));
    ClickHeader(5);
    EXPECT_EQ(Captions(), (QStringList{"Duration", "Spell", "Level", "School/Sphere", "Range",
                                       "Area", "Components", "Saving", "Casting time"}));
    EXPECT_EQ(Widths(), (std::vector<int>{80, 173, 67, 107, 67, 80, 67, 107, 107}));
    ExpectRowsOfIndex("wizard", kFieldDuration);

    // Back to the name.
    ClickHeader(ColumnCaptioned("Spell"));
    EXPECT_EQ(Captions(), kDefaultCaptions);
    ExpectRowsOfIndex("wizard", kFieldName);
}

TEST_F(SpellListTest, DraggedWidthsStayWithTheirFieldsThroughLoads) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    Click("IDC_WIZARD");
    header->resizeSection(0, 300);
    header->resizeSection(4, 40);
    Click("IDC_WIZARD");
    EXPECT_EQ(Widths(), (std::vector<int>{300, 67, 107, 67, 40, 80, 67, 107, 107}));

    header->resizeSection(1, 222);
    ClickHeader(2);  // School/Sphere moves to the front with its width
    EXPECT_EQ(Widths(), (std::vector<int>{107, 300, 222, 67, 40, 80, 67, 107, 107}));
    header->resizeSection(0, 50);
    ClickHeader(0);
    EXPECT_EQ(Widths(), (std::vector<int>{50, 300, 222, 67, 40, 80, 67, 107, 107}));
    ClickHeader(1);  // Spell
    EXPECT_EQ(Widths(), (std::vector<int>{300, 222, 50, 67, 40, 80, 67, 107, 107}));
}

TEST_F(SpellListTest, AWiderListSharesItsRoomAmongTheColumns) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    Click("IDC_WIZARD");
    // The list is 10 pixels narrower than the window; a frame of 1 pixel
    // on each side and the scroll bar's room are not the columns'.
    const int outside = 10 + 2 * list->frameWidth() +
                        list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    dlg->resize(855 + 400 + outside, 600);  // 400 pixels more than the table's widths
    // "Components" (82 pixels and 4 margins of 2) takes the 23 it lacks
    // first; the other 377 go by the table's widths (855 in all).
    EXPECT_EQ(Widths(), (std::vector<int>{249, 96, 155, 96, 115, 116, 119, 154, 155}));
    // A dragged width stays; the others share what is left.
    header->resizeSection(0, 173 + 400);
    ClickHeader(ColumnCaptioned("Level"));
    EXPECT_EQ(Widths(), (std::vector<int>{67, 573, 107, 67, 80, 80, 67, 107, 107}));
    // Narrower than the template, the widths stay.
    ClickHeader(ColumnCaptioned("Spell"));
    dlg->resize(dlg->minimumWidth(), 600);
    EXPECT_EQ(Widths(), (std::vector<int>{573, 67, 107, 67, 80, 80, 67, 107, 107}));
}

TEST_F(SpellListTest, DoubleClickOnADividerFitsTheColumnToItsLongestText) {
    WriteFile(Idx("wizard"), EncodeAll({MakeRecord("A"), MakeRecord("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"),
                                        MakeRecord("B")}));
    Click("IDC_WIZARD");
    const int divider = header->sectionViewportPosition(0) + header->sectionSize(0) - 1;
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(divider, header->height() / 2));
    const int text = list->fontMetrics().horizontalAdvance(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
    // The text, the icon and the spellbook's check box, with their margins.
    const int checkBox = list->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list);
    EXPECT_GE(header->sectionSize(0), text + 16 + checkBox);
    EXPECT_LE(header->sectionSize(0), text + 16 + checkBox + 24);
    Click("IDC_WIZARD");  // kept as the user's width
    EXPECT_GE(header->sectionSize(0), text + 16);
}

TEST_F(SpellListTest, HeaderClickBeforeAnyLoadFindsNoIndex) {
    BuildSample("wizard");  // an index exists, but no class is shown yet
    ClickHeader(0);
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(Captions(), kDefaultCaptions);
}

// ---- Missing and odd index files -------------------------------------------

TEST_F(SpellListTest, MissingIndexKeepsTheShownListAndItsClass) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    CopySample("priest");  // text, but no index
    Click("IDC_WIZARD");
    ClickHeader(1);  // Level in front
    header->resizeSection(3, 99);
    const QStringList names = Column(1);
    const std::vector<int64_t> offsets = Offsets();
    const QStringList captions = Captions();
    const std::vector<int> widths = Widths();

    Click("IDC_PRIEST");
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
    EXPECT_EQ(messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(Column(1), names);
    EXPECT_EQ(Offsets(), offsets);
    EXPECT_EQ(Captions(), captions);
    EXPECT_EQ(Widths(), widths);
    EXPECT_EQ(dlg->ListClass(), "wizard");

    // A header click reorders the wizard rows that are shown.
    messages.clear();
    ClickHeader(ColumnCaptioned("Spell"));
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
    ExpectRowsOfIndex("wizard", kFieldName);
}

TEST_F(SpellListTest, EmptyIndexGivesEmptyListAndAnEmptyBar) {
    const QImage emptyBar = progress->grab().toImage();  // at start-up: 0 of 0..100
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    Click("IDC_WIZARD");
    WriteFile(Idx("priest"), "");
    Click("IDC_PRIEST");
    EXPECT_TRUE(messages.empty()) << MessageTexts().join('|').toStdString();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(g_nRecordCount, 0);
    EXPECT_EQ(dlg->ListClass(), "priest");
    // An empty range would be a busy animation: the bar stands empty at 0.
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 1);
    EXPECT_EQ(progress->value(), 0);
    EXPECT_TRUE(progress->grab().toImage() == emptyBar) << "the bar is not drawn empty";
}

// ---- Progress --------------------------------------------------------------

TEST_F(SpellListTest, ProgressRunsOverTheRecordCount) {
    WriteFile(Idx("wizard"), EncodeAll({MakeRecord("A"), MakeRecord("B"), MakeRecord("C")}));
    Click("IDC_WIZARD");
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 3);
    EXPECT_EQ(progress->value(), 3) << "the bar ends full";

    // A second load starts again at 0 and steps once per record.
    QList<int> values;
    QObject::connect(progress, &QProgressBar::valueChanged, progress, [&values](int v) { values << v; });
    Click("IDC_WIZARD");
    EXPECT_EQ(values, (QList<int>{0, 1, 2, 3}));
    EXPECT_EQ(progress->maximum(), 3);
}

// The bar's value moves at every record but the bar paints only with the
// window's repaints; a list that loads within a frame is not painted
// first with the rows it replaces.
TEST_F(SpellListTest, ProgressPaintsWithTheWindowNotAtEveryRecord) {
    std::vector<SpellRecord> records;
    for (int i = 0; i < 600; ++i)
        records.push_back(MakeRecord("Spell " + std::to_string(i)));
    WriteFile(Idx("wizard"), EncodeAll(records));
    dlg->SetRepaintInterval(0);  // a repaint every 256 records, and at the start
    int barPaints = 0, steps = 0;
    PaintWatch barWatch;
    barWatch.onPaint = [&barPaints] { ++barPaints; };
    progress->installEventFilter(&barWatch);
    QObject::connect(progress, &QProgressBar::valueChanged, progress, [&steps] { ++steps; });
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    EXPECT_EQ(steps, 600);  // one per record, from the 0 it stood at
    EXPECT_GE(barPaints, 1);
    EXPECT_LE(barPaints, 8) << "the bar painted at each step";
    barPaints = 0;
    QTRY_VERIFY(barPaints > 0);  // its last value, with the window
    EXPECT_EQ(progress->value(), 600);

    dlg->SetRepaintInterval(50);
    WriteFile(Idx("priest"), EncodeAll({MakeRecord("A"), MakeRecord("B"), MakeRecord("C")}));
    int oldRowPaints = 0;
    PaintWatch listWatch;
    listWatch.onPaint = [&] { oldRowPaints += model->rowCount() == 600; };
    list->viewport()->installEventFilter(&listWatch);
    list->viewport()->update();
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "priest"));
    EXPECT_EQ(oldRowPaints, 0) << "painted with the rows being replaced";
    EXPECT_EQ(model->rowCount(), 3);
    list->viewport()->removeEventFilter(&listWatch);
    progress->removeEventFilter(&barWatch);
}

TEST_F(SpellListTest, ProgressRangeIsNotCutTo16Bits) {
    constexpr int kRecords = 70000;
    const std::string one = EncodeAll({MakeRecord("Same", 1, 1)});
    std::string bytes;
    bytes.reserve(one.size() * kRecords);
    for (int i = 0; i < kRecords; ++i)
        bytes += one;
    WriteFile(Idx("wizard"), bytes);
    Click("IDC_WIZARD");
    EXPECT_EQ(progress->maximum(), kRecords);
    EXPECT_EQ(progress->value(), kRecords);
    EXPECT_EQ(model->rowCount(), kRecords);
    EXPECT_EQ(g_nRecordCount, kRecords);
    EXPECT_EQ(Offset(kRecords - 1), int64_t{kRecords - 1} * 432);  // equal keys keep file order
}

// ---- Keyboard, buttons and size -------------------------------------------

TEST_F(SpellListTest, EscapeAndExitButtonCloseTheDialog) {
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);

    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    Click("IDCANCEL");
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

// Alt and a button's underlined letter press it; Ctrl+Q quits.
TEST_F(SpellListTest, AltLettersPressTheButtonsAndCtrlQQuits) {
    BuildSample("wizard");
    BuildSample("priest");
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    list->setFocus();
    // A mnemonic presses its button as a short animated click.
    QTest::keyClick(list, Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return g_strClass == "priest"; }));
    QTest::keyClick(list, Qt::Key_W, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return g_strClass == "wizard"; }));
    EXPECT_EQ(Button("IDC_WIZARD")->text(), QStringLiteral("&Wizard"));
    EXPECT_EQ(Button("IDCANCEL")->text(), QStringLiteral("E&xit"));
    QTest::keyClick(list, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

TEST_F(SpellListTest, ListFollowsTheWindowSize) {
    const auto fixedGeometries = [&] {
        QList<QRect> out;
        for (const char* name : {"IDC_WIZARD", "IDC_PRIEST", "IDOK", "IDC_CREATE_INDEX", "IDCANCEL"})
            out << Button(name)->geometry();
        out << progress->geometry() << QRect(list->pos(), QSize());
        return out;
    };
    const QList<QRect> before = fixedGeometries();
    dlg->resize(900, 600);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->size() == QSize(900, 600); }));
    EXPECT_EQ(list->size(), QSize(890, 555));
    dlg->resize(760, 480);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->size() == QSize(760, 480); }));
    EXPECT_EQ(list->size(), QSize(750, 435));
    // Buttons, progress bar and the list's corner stay where they were.
    EXPECT_EQ(fixedGeometries(), before);
}

// ---- Column widths follow the font -----------------------------------------

TEST(ColumnWidths, FollowTheDialogFont) {
    // The table's widths were chosen for a horizontal base unit of 6.
    const struct {
        int pixelSize;
        std::vector<int> widths;
    } kCases[] = {
        {11, {152, 58, 93, 58, 70, 70, 58, 93, 93}},         // base unit 7
        {13, {173, 67, 107, 67, 80, 80, 67, 107, 107}},      // 8
        {16, {217, 83, 133, 83, 100, 100, 83, 133, 133}},    // 10
    };
    for (const auto& c : kCases) {
        const ScopedAppFont font(TestFont(c.pixelSize));
        CSpellListDlg dlg;
        const QHeaderView* header = dlg.findChild<CSpellListView*>(QStringLiteral("IDC_SPELL_LIST"))->header();
        std::vector<int> widths;
        for (int column = 0; column < header->count(); ++column)
            widths.push_back(header->sectionSize(column));
        EXPECT_EQ(widths, c.widths) << c.pixelSize << " pixel font";
    }
}

// ---- Desktop finish ----------------------------------------------------------

TEST_F(SpellListTest, NoButtonLooksDefaultUnlessItHasTheFocus) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    const auto defaults = [&] {
        QStringList names;
        for (QPushButton* b : dlg->findChildren<QPushButton*>())
            if (b->isDefault())
                names << b->objectName();
        return names;
    };
    ASSERT_TRUE(list->hasFocus());
    EXPECT_EQ(defaults(), QStringList{});
    // Tabbed to, "Wizard" looks like the default button and Enter presses it.
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(defaults(), QStringList{"IDC_WIZARD"});
    QTest::keyClick(Button("IDC_WIZARD"), Qt::Key_Return);
    EXPECT_EQ(dlg->ListClass(), "wizard");
    list->setFocus();
    EXPECT_EQ(defaults(), QStringList{});
}

TEST_F(SpellListTest, CutCellsShowTheirWholeTextInATooltip) {
    const std::string longName(99, 'n');
    WriteFile(Idx("wizard"), EncodeAll({MakeRecord(longName, 3)}));
    Click("IDC_WIZARD");
    const auto tooltipAt = [&](int column) {
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
        const QPoint at = list->visualRect(model->index(0, column)).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tooltipAt(0), QString::fromStdString(longName));
    EXPECT_EQ(tooltipAt(1), QString()) << "the level is not cut";
    header->resizeSection(2, 20);
    EXPECT_EQ(tooltipAt(2), QStringLiteral("Alteration"));

    // A reload (here without a mouse press, which would hide any tooltip)
    // takes away the tooltip of a cell of the old rows.
    EXPECT_EQ(tooltipAt(0), QString::fromStdString(longName));
    Button("IDC_WIZARD")->click();
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
    QToolTip::hideText();
}

TEST_F(SpellListTest, SmallestWindowKeepsButtonsBarAndRowsInView) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    Click("IDC_WIZARD");
    dlg->resize(40, 30);
    QTest::qWait(50);
    const QRect client = dlg->rect();
    for (const char* name : {"IDC_WIZARD", "IDC_PRIEST", "IDOK", "IDC_CREATE_INDEX", "IDCANCEL"})
        EXPECT_TRUE(client.contains(Button(name)->geometry())) << name;
    EXPECT_TRUE(client.contains(progress->geometry()));
    EXPECT_TRUE(client.contains(list->geometry()));
    const int rowHeight = list->visualRect(model->index(0, 0)).height();
    ASSERT_GT(rowHeight, 0);
    EXPECT_GE(list->viewport()->height(), 3 * rowHeight) << "fewer than three rows in view";
}

TEST_F(SpellListTest, RowsWithoutAnIconLineUpWithRowsWithOne) {
    // Transparent icons: a row with its icon and a row without must then
    // look the same, pixel for pixel.
    QPixmap clear(16, 16);
    clear.fill(Qt::transparent);
    dlg->Model()->SetImageList(QList<QIcon>(9, QIcon(clear)));
    WriteFile(Idx("wizard"), EncodeAll({MakeRecord("Same", 1, 9), MakeRecord("Same", 1, 0)}));
    Click("IDC_WIZARD");
    ASSERT_EQ(model->rowCount(), 2);
    ASSERT_TRUE(model->index(0, 0).data(Qt::DecorationRole).isNull());
    ASSERT_FALSE(model->index(1, 0).data(Qt::DecorationRole).isNull());
    list->selectionModel()->clear();
    const QImage view = list->viewport()->grab().toImage();
    const QRect withoutIcon = list->visualRect(model->index(0, 0));
    const QRect withIcon = list->visualRect(model->index(1, 0));
    ASSERT_EQ(withoutIcon.size(), withIcon.size());
    EXPECT_TRUE(view.copy(withoutIcon) == view.copy(withIcon)) << "the texts do not line up";
}

TEST_F(SpellListTest, MessagesDuringALoadShowNoBusyCursor) {
    // Reading this file fails after it opened: "can't read index".
    std::filesystem::create_symlink("/proc/self/mem", Idx("wizard"));
    std::vector<const QCursor*> cursors;
    SetMessageBoxHook([&](const QString& text, QMessageBox::StandardButtons) {
        messages.push_back({text, QMessageBox::Ok});
        cursors.push_back(QApplication::overrideCursor());
        return QMessageBox::Ok;
    });
    Click("IDC_WIZARD");
    EXPECT_EQ(MessageTexts(), QStringList{"can't read index wizard.idx: Input/output error"});
    EXPECT_EQ(cursors, std::vector<const QCursor*>{nullptr});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy cursor stayed";
}

// Every paint of the list during a load asks for the next: the window
// repaints while the records are read and while they are ordered, and
// always under the busy cursor.
TEST_F(SpellListTest, LoadsRepaintUnderTheBusyCursorWhileReadingAndOrdering) {
    constexpr int kRecords = 70000;
    std::vector<SpellRecord> records;
    for (int i = 0; i < kRecords; ++i)
        records.push_back(MakeRecord("Spell " + std::to_string(kRecords - i)));
    WriteFile(Idx("wizard"), EncodeAll(records));
    dlg->SetRepaintInterval(0);
    int reading = 0, ordering = 0, idle = 0;
    PaintWatch watch;
    watch.onPaint = [&] {
        const QCursor* cursor = QApplication::overrideCursor();
        int& count = !cursor || cursor->shape() != Qt::WaitCursor ? idle
                     : progress->value() < kRecords - 1             ? reading
                                                                    : ordering;
        ++count;
        list->viewport()->update();
    };
    list->viewport()->installEventFilter(&watch);
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    list->viewport()->removeEventFilter(&watch);
    EXPECT_GT(reading, 0);
    EXPECT_GT(ordering, 0);
    EXPECT_EQ(idle, 0) << "repainted without the busy cursor";
    EXPECT_EQ(progress->value(), kRecords);
    ASSERT_EQ(model->rowCount(), kRecords);
    EXPECT_EQ(Text(kRecords - 1, 0), QStringLiteral("Spell 9999"));
}

// A long sort that stops to repaint the shown rows still orders the new
// ones by key, equal keys in file order: seven names, ten thousand each.
TEST_F(SpellListTest, EqualKeysStayInFileOrderThroughRepaints) {
    constexpr int kRecords = 70000;
    const char* const names[] = {"Mist", "arc", "MIST", "Arc", "ward", "Bolt", "mist"};
    std::vector<SpellRecord> records;
    for (int i = 0; i < kRecords; ++i)
        records.push_back(MakeRecord(names[i % 7]));
    WriteFile(Idx("wizard"), EncodeAll(records));
    dlg->SetRepaintInterval(0);
    int paints = 0;
    PaintWatch watch;
    watch.onPaint = [&] {
        ++paints;
        list->viewport()->update();  // each paint asks for the next
    };
    list->viewport()->installEventFilter(&watch);
    ASSERT_TRUE(dlg->LoadIndex(kFieldName, "wizard"));
    list->viewport()->removeEventFilter(&watch);
    EXPECT_GT(paints, 10);
    ASSERT_EQ(model->rowCount(), kRecords);
    // "arc" and "Arc" (records 1, 3, 8, 10, ...), "Bolt", "Mist", "MIST" and "mist", "ward".
    const struct {
        int row;
        QString name;
        int64_t record;
    } expected[] = {
        {0, "arc", 1},          {1, "Arc", 3},          {2, "arc", 8},      {19999, "Arc", 69996},
        {20000, "Bolt", 5},     {29999, "Bolt", 69998}, {30000, "Mist", 0}, {30001, "MIST", 2},
        {30002, "mist", 6},     {59999, "mist", 69999}, {60000, "ward", 4}, {69999, "ward", 69997},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(Text(e.row, 0), e.name) << "row " << e.row;
        EXPECT_EQ(Offset(e.row), e.record * static_cast<int64_t>(kRecordSize)) << "row " << e.row;
    }
    ExpectOrderedBy(0);
}

}  // namespace

// ---- Selection across loads ------------------------------------------------

TEST_F(SpellListTest, AReloadKeepsTheSelectedSpellAndDownGoesToTheSecondRow) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    ASSERT_NO_FATAL_FAILURE(BuildSample("priest"));
    Click("IDC_WIZARD");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(SelectedRows(), QList<int>{1}) << "the first Down goes to the second row";
    const QString name = Text(1, 0);
    ClickHeader(ColumnCaptioned("Level"));
    ASSERT_EQ(SelectedRows().size(), 1);
    EXPECT_EQ(Text(SelectedRows()[0], ColumnCaptioned("Spell")), name);
    ClickHeader(0);  // reversed
    ASSERT_EQ(SelectedRows().size(), 1);
    EXPECT_EQ(Text(SelectedRows()[0], ColumnCaptioned("Spell")), name);
    EXPECT_TRUE(list->viewport()->rect().intersects(list->visualRect(list->currentIndex())));
    Click("IDC_PRIEST");  // another class starts at its first row
    EXPECT_EQ(SelectedRows(), QList<int>{0});
}

TEST_F(SpellListTest, KeysMoveByRowsAndRowsFollowTheFont) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    Click("IDC_WIZARD");
    ASSERT_EQ(model->rowCount(), 29);
    list->setFocus();
    dlg->resize(400, 300);  // narrower than the columns: the list scrolls sideways
    QApplication::processEvents();
    QScrollBar* sideways = list->horizontalScrollBar();
    ASSERT_GT(sideways->maximum(), 0);

    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(SelectedRows(), QList<int>{28});
    QTest::keyClick(list, Qt::Key_Home);
    EXPECT_EQ(SelectedRows(), QList<int>{0});
    const int column = list->currentIndex().column();
    QTest::keyClick(list, Qt::Key_Right);
    QTest::keyClick(list, Qt::Key_Right);
    EXPECT_GT(sideways->value(), 0) << "Right scrolls";
    EXPECT_EQ(list->currentIndex().column(), column) << "no cell of the row becomes current";
    EXPECT_EQ(SelectedRows(), QList<int>{0});
    QTest::keyClick(list, Qt::Key_Left);
    QTest::keyClick(list, Qt::Key_Left);
    EXPECT_EQ(sideways->value(), 0);
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_FALSE(list->hasFocus()) << "Tab leaves the list";

    // Every row is as tall as the text of the list's font needs.
    const int before = list->visualRect(model->index(5, 0)).height();
    EXPECT_GE(before, list->fontMetrics().height());
    QFont larger = list->font();
    larger.setPixelSize(QFontInfo(list->font()).pixelSize() * 2);
    list->setFont(larger);
    QApplication::processEvents();
    const int after = list->visualRect(model->index(5, 0)).height();
    EXPECT_GE(after, QFontMetrics(larger).height());
    EXPECT_GT(after, before + 5);
}

// A filter that shows no row leaves the rows' height as it was, so that
// the rows coming back need no new height (a pass over all of them).
TEST_F(SpellListTest, RowsKeepTheirHeightWhileAFilterShowsNone) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    Click("IDC_WIZARD");
    const int height = list->verticalHeader()->defaultSectionSize();
    int changes = 0;
    QObject::connect(list->verticalHeader(), &QHeaderView::sectionResized, [&] { ++changes; });
    SpellListModel* rows = dlg->Model();
    rows->SetFilter({});
    ASSERT_EQ(model->rowCount(), 0);
    EXPECT_EQ(list->verticalHeader()->defaultSectionSize(), height);
    rows->SetFilter({1, 2, 3});
    rows->ClearFilter();
    EXPECT_EQ(list->verticalHeader()->defaultSectionSize(), height);
    EXPECT_EQ(list->visualRect(model->index(5, 0)).height(), height);
    EXPECT_EQ(changes, 0);
}

// The first rows have the height the empty list gave them: none is
// resized (at a million rows a resize walked every row for 25 ms).
TEST_F(SpellListTest, FirstRowsComeWithTheHeightTheEmptyListHad) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    ASSERT_EQ(model->rowCount(), 0);
    const int height = list->verticalHeader()->defaultSectionSize();
    int changes = 0;
    QObject::connect(list->verticalHeader(), &QHeaderView::sectionResized, [&] { ++changes; });
    Click("IDC_WIZARD");
    ASSERT_GT(model->rowCount(), 5);
    EXPECT_EQ(list->verticalHeader()->defaultSectionSize(), height);
    EXPECT_EQ(list->visualRect(model->index(5, 0)).height(), height);
    EXPECT_EQ(changes, 0);
}

TEST_F(SpellListTest, OneFocusFrameSpansTheCurrentRow) {
    ASSERT_NO_FATAL_FAILURE(BuildSample("wizard"));
    Click("IDC_WIZARD");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(list->currentIndex().row(), 2);
    // Unselected, the current row shows nothing but the focus frame: the
    // list with the focus and without it differ along the row's edges, over
    // every column, not over one cell.
    list->selectionModel()->clearSelection();
    QApplication::processEvents();
    const QImage focused = list->viewport()->grab().toImage();
    Button("IDC_WIZARD")->setFocus();
    QApplication::processEvents();
    ASSERT_FALSE(list->hasFocus());
    const QImage unfocused = list->viewport()->grab().toImage();
    ASSERT_EQ(list->currentIndex().row(), 2);
    const QRect row = list->visualRect(model->index(2, 0));
    const int lastColumn = model->columnCount() - 1;
    const int right = std::min(header->sectionViewportPosition(lastColumn) + header->sectionSize(lastColumn),
                               list->viewport()->width()) - 4;
    int samples = 0;
    int framed = 0;
    for (int x = 4; x < right; x += 7, ++samples)
        if (focused.pixelColor(x, row.top()) != unfocused.pixelColor(x, row.top()) ||
            focused.pixelColor(x, row.bottom()) != unfocused.pixelColor(x, row.bottom()))
            ++framed;
    EXPECT_GT(samples, 50);
    EXPECT_EQ(framed, samples) << "the frame runs along the whole row";
}
