// SPDX-License-Identifier: MIT
// The spellbook bar through the real window: marks by click and Space, the
// book file written at once, books by name, "Marked only" with the find
// bar's query, and a book that cannot be written.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolButton>

#include "CBookBar.h"
#include "CPrintPreview.h"
#include "UiTestSupport.h"

namespace {

class BookBarTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        dlg->FindBar();  // its controls are made with the find bar, closed
        bar = dlg->findChild<CBookBar*>(QStringLiteral("IDC_BOOK_BAR"));
        ASSERT_NE(bar, nullptr);
        books = bar->findChild<QComboBox*>(QStringLiteral("IDC_BOOK"));
        markedOnly = bar->findChild<QCheckBox*>(QStringLiteral("IDC_BOOK_MARKED_ONLY"));
        count = bar->findChild<QLabel*>(QStringLiteral("IDC_BOOK_COUNT"));
        ASSERT_TRUE(books && markedOnly && count);
        CBookBar::SetNameHook([this](const QString&, const QString&) { return nextName; });
    }
    void TearDown() override {
        CBookBar::SetNameHook({});
        MainDialogTest::TearDown();
    }
    void LoadWizard() {
        BuildSample("wizard");
        Click("IDC_WIZARD");
        ASSERT_EQ(model->rowCount(), 29);
        // The book's controls stand in the find bar.
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        ASSERT_TRUE(bar->isVisible());
        list->setFocus();
    }
    // A click on the check box of `row`.
    void ClickBox(int row) {
        QStyleOptionViewItem option;
        option.initFrom(list);
        option.rect = list->visualRect(model->index(row, 0));
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration |
                          QStyleOptionViewItem::HasDisplay;
        const QRect box = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
    }
    void ClickTool(const char* name) {
        auto* button = bar->findChild<QToolButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QStringList Marked() const {
        QStringList out;
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked)
                out << model->index(row, 0).data().toString();
        return out;
    }
    std::string Book(const char* file = "wizard.book") const { return ReadFile(dir.file(file)); }

    CBookBar* bar = nullptr;
    QComboBox* books = nullptr;
    QCheckBox* markedOnly = nullptr;
    QLabel* count = nullptr;
    std::optional<QString> nextName;
};

}  // namespace

TEST_F(BookBarTest, ClickAndSpaceMarkAndEveryChangeIsWritten) {
    LoadWizard();
    EXPECT_EQ(books->currentText(), QStringLiteral("Spellbook"));
    EXPECT_EQ(count->text(), QStringLiteral("0 marked"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("wizard.book")));

    ClickBox(2);
    EXPECT_EQ(Marked(), QStringList{"Bleak Chorus"});
    EXPECT_EQ(Book(), "Spellbook\nBleak Chorus\n");
    // Space marks the selected row and keeps the one selection.
    list->setCurrentIndex(model->index(0, 3));
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(SelectedRows(), QList<int>{0});
    EXPECT_EQ(Marked(), (QStringList{"Ashen Hand", "Bleak Chorus"}));
    EXPECT_EQ(Book(), "Spellbook\nBleak Chorus\nAshen Hand\n");
    EXPECT_EQ(count->text(), QStringLiteral("2 marked"));
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(Book(), "Spellbook\nBleak Chorus\n");

    // Reordered by another column, the marks stay with their spells.
    ClickHeader(ColumnCaptioned("Level"));
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row)
        if (dlg->Model()->IsMarked(row))
            names << QString::fromStdString(std::string(dlg->Model()->SpellName(row)));
    EXPECT_EQ(names, QStringList{"Bleak Chorus"});
    EXPECT_TRUE(messages.empty());
}

TEST_F(BookBarTest, MarksFollowNamesAcrossARebuildAndMissingNamesStay) {
    WriteFile(dir.file("wizard.book"), "\xEF\xBB\xBFTonight\r\nGlasswind\r\nGone Since Last Year\r\nAshen Hand\r\n");
    LoadWizard();
    EXPECT_EQ(books->currentText(), QStringLiteral("Tonight"));
    EXPECT_EQ(Marked(), (QStringList{"Ashen Hand", "Glasswind"}));
    EXPECT_EQ(count->text(), QStringLiteral("3 marked, 1 not in the list"));

    // The text reordered and rebuilt: the same spells are marked.
    const std::string text = ReadFile(Txt());
    const std::size_t from = text.find("Ashen Hand\r\n");
    const std::size_t to = text.find("\nBleak Chorus");
    ASSERT_TRUE(from != std::string::npos && to != std::string::npos && from < to);
    const std::string rest = text.substr(0, from) + text.substr(to + 1);
    WriteFile(Txt(), rest + (rest.ends_with("\r\n\r\n") ? "" : "\r\n") + text.substr(from, to + 1 - from));
    ASSERT_TRUE(BuildIndexIn(dir.prefix(), "wizard", 1).ok());
    Click("IDC_WIZARD");
    EXPECT_EQ(Marked(), (QStringList{"Ashen Hand", "Glasswind"}));

    ClickBox(0);  // Ashen Hand off: the missing name stays in the file
    EXPECT_EQ(Book(), "Tonight\nGlasswind\nGone Since Last Year\n");
    EXPECT_EQ(count->text(), QStringLiteral("2 marked, 1 not in the list"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(BookBarTest, MarkedOnlyCombinesWithTheQuery) {
    WriteFile(dir.file("wizard.book"), "Spellbook\nGrave Lantern\nLantern of False Dawn\nAshen Hand\n");
    LoadWizard();
    QTest::mouseClick(markedOnly, Qt::LeftButton);
    EXPECT_EQ(Column(0), (QStringList{"Ashen Hand", "Grave Lantern", "Lantern of False Dawn"}));
    auto* field = dlg->findChild<QLineEdit*>(QStringLiteral("IDC_FIND_TEXT"));
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, "lantern");
    QTRY_COMPARE(Column(0), (QStringList{"Grave Lantern", "Lantern of False Dawn"}));
    QTest::mouseClick(markedOnly, Qt::LeftButton);
    QTRY_COMPARE(Column(0), (QStringList{"Grave Lantern", "Lantern of False Dawn"}));
    field->clear();
    QTRY_COMPARE(model->rowCount(), 29);
    QTest::mouseClick(markedOnly, Qt::LeftButton);
    EXPECT_EQ(model->rowCount(), 3);
    // A header click reloads; marked-only still holds. Closing the find
    // bar shows every row.
    ClickHeader(ColumnCaptioned("Level"));
    EXPECT_EQ(model->rowCount(), 3);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(model->rowCount(), 29);
    EXPECT_FALSE(markedOnly->isChecked());
}

TEST_F(BookBarTest, NewRenameDeleteKeepOneFilePerBook) {
    LoadWizard();
    ClickBox(0);
    nextName = QStringLiteral("Второй");
    ClickTool("IDC_BOOK_NEW");
    EXPECT_EQ(books->count(), 2);
    EXPECT_EQ(books->currentText(), QStringLiteral("Второй"));
    EXPECT_EQ(Marked(), QStringList{});
    EXPECT_EQ(Book("wizard-2.book"), "Второй\n");
    ClickBox(1);
    EXPECT_EQ(Book("wizard-2.book"), "Второй\nBeckon Lesser Familiar\n");
    nextName = QStringLiteral("Second");
    ClickTool("IDC_BOOK_RENAME");
    EXPECT_EQ(Book("wizard-2.book"), "Second\nBeckon Lesser Familiar\n");
    EXPECT_EQ(books->itemText(1), QStringLiteral("Second"));

    books->setCurrentIndex(0);
    emit books->activated(0);
    EXPECT_EQ(Marked(), QStringList{"Ashen Hand"});
    answer = QMessageBox::No;
    ClickTool("IDC_BOOK_DELETE");
    EXPECT_TRUE(std::filesystem::exists(dir.file("wizard.book")));
    answer = QMessageBox::Yes;
    ClickTool("IDC_BOOK_DELETE");
    EXPECT_FALSE(std::filesystem::exists(dir.file("wizard.book")));
    EXPECT_EQ(books->currentText(), QStringLiteral("Second"));
    EXPECT_EQ(Marked(), QStringList{"Beckon Lesser Familiar"});
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Delete the spellbook \"Spellbook\" and its marks?"));
}

TEST_F(BookBarTest, ABookThatCannotBeWrittenSaysSoAndKeepsTheMarks) {
    LoadWizard();
    // A directory where the book's file would go.
    std::filesystem::create_directory(dir.file("wizard.book"));
    ClickBox(0);
    ClickBox(1);
    EXPECT_EQ(Marked(), (QStringList{"Ashen Hand", "Beckon Lesser Familiar"}));
    EXPECT_EQ(count->text(), QStringLiteral("2 marked"));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].text.startsWith(
        QString::fromStdString("can't write spellbook " + dir.file("wizard.book") + ": ")))
        << messages[0].text.toStdString();
    // Once the place is free, the next change writes every mark.
    std::filesystem::remove(dir.file("wizard.book"));
    ClickBox(2);
    EXPECT_EQ(Book(), "Spellbook\nAshen Hand\nBeckon Lesser Familiar\nBleak Chorus\n");
}

TEST_F(BookBarTest, ABookThatCannotBeReadIsNeverWrittenOver) {
    std::filesystem::create_directory(dir.file("wizard.book"));
    LoadWizard();
    const QString unreadable = QString::fromStdString("can't read spellbook " + dir.file("wizard.book") + ": Is a directory");
    EXPECT_EQ(MessageTexts(), QStringList{unreadable});
    EXPECT_EQ(books->currentText(), QStringLiteral("wizard.book"));
    ClickBox(0);
    EXPECT_EQ(Marked(), QStringList{"Ashen Hand"});
    EXPECT_EQ(MessageTexts(), (QStringList{unreadable, unreadable}));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("wizard.book")));
    // A new book is written as usual.
    nextName = QStringLiteral("Fresh");
    ClickTool("IDC_BOOK_NEW");
    ClickBox(1);
    EXPECT_EQ(Book("wizard-2.book"), "Fresh\nBeckon Lesser Familiar\n");
}

TEST_F(BookBarTest, CtrlPPreviewsTheBookAndSaveAsPdfWritesIt) {
    WriteFile(dir.file("wizard.book"), "Spellbook\nGlasswind\nAshen Hand\n");
    LoadWizard();
    list->setCurrentIndex(model->index(1, 0));
    int which = -1;
    int pages = -1;
    QTimer::singleShot(0, [&] {
        if (auto* preview = qobject_cast<CPrintPreview*>(QApplication::activeModalWidget())) {
            which = preview->Which();
            pages = static_cast<int>(preview->Spells().spells.size());
            preview->SetWhich(PrintSources::kSelected);
            EXPECT_EQ(preview->Spells().spells.size(), 1u);
            EXPECT_EQ(preview->Spells().spells[0].fields[kFieldName], QStringLiteral("Beckon Lesser Familiar"));
            preview->reject();
        }
    });
    QTest::keyClick(list, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(which, PrintSources::kBook);
    EXPECT_EQ(pages, 2);  // the book's spells

    const std::string pdf = dir.file("book.pdf");
    CPrintPreview::SetFileNameHook([&] { return QString::fromStdString(pdf); });
    dlg->OnSavePdf();
    CPrintPreview::SetFileNameHook({});
    EXPECT_EQ(ReadFile(pdf).substr(0, 5), "%PDF-");
    CPrintPreview::SetFileNameHook([&] { return QString::fromStdString(dir.file("none/book.pdf")); });
    dlg->OnSavePdf();
    CPrintPreview::SetFileNameHook({});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(QString::fromStdString("can't write PDF " + dir.file("none/book.pdf"))));
}
