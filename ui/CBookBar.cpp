// SPDX-License-Identifier: MIT
#include "CBookBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

#include "CSpellListView.h"
#include "DisplayText.h"
#include "MessageBox.h"
#include "Messages.h"
#include "Named.h"
#include "SpellListModel.h"
#include "resource.h"

namespace {

CBookBar::NameHook& NameHookSlot() {
    static CBookBar::NameHook hook;
    return hook;
}

}  // namespace

void CBookBar::SetNameHook(NameHook hook) { NameHookSlot() = std::move(hook); }

CBookBar::CBookBar(SpellListModel* model, CSpellListView* list, QWidget* parent)
    : QWidget(parent), m_pModel(model), m_ctlList(list) {
    setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_BOOK_BAR)));
    setEnabled(false);
    connect(m_pModel, &SpellListModel::MarkChanged, this, &CBookBar::OnMarkChanged);
    m_ctlList->installEventFilter(this);
}

void CBookBar::MakeControls() {
    if (m_ctlBook)
        return;
    m_ctlBook = Named(new QComboBox(this), RESOURCE_NAME(IDC_BOOK));
    m_ctlBook->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_ctlBook->setMinimumContentsLength(8);
    // Tool buttons: narrower than push buttons, so the row fits the
    // window at its smallest.
    m_ctlNew = Named(new QToolButton(this), RESOURCE_NAME(IDC_BOOK_NEW));
    m_ctlRename = Named(new QToolButton(this), RESOURCE_NAME(IDC_BOOK_RENAME));
    m_ctlDelete = Named(new QToolButton(this), RESOURCE_NAME(IDC_BOOK_DELETE));
    m_ctlNew->setText(tr("New..."));
    m_ctlRename->setText(tr("Rename..."));
    m_ctlDelete->setText(tr("Delete"));
    m_ctlMarkedOnly = Named(new QCheckBox(tr("Marked only"), this), RESOURCE_NAME(IDC_BOOK_MARKED_ONLY));
    m_ctlCount = Named(new QLabel(this), RESOURCE_NAME(IDC_BOOK_COUNT));

    auto* label = new QLabel(tr("Book:"), this);
    label->setBuddy(m_ctlBook);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->addWidget(label);
    layout->addWidget(m_ctlBook);
    layout->addWidget(m_ctlNew);
    layout->addWidget(m_ctlRename);
    layout->addWidget(m_ctlDelete);
    layout->addWidget(m_ctlMarkedOnly);
    layout->addStretch(1);
    layout->addWidget(m_ctlCount);

    connect(m_ctlBook, &QComboBox::activated, this, &CBookBar::OnBookChosen);
    connect(m_ctlNew, &QToolButton::clicked, this, &CBookBar::OnNew);
    connect(m_ctlRename, &QToolButton::clicked, this, &CBookBar::OnRename);
    connect(m_ctlDelete, &QToolButton::clicked, this, &CBookBar::OnDelete);
    connect(m_ctlMarkedOnly, &QCheckBox::toggled, this, &CBookBar::OnMarkedOnly);
    // The book shown, as a load would have shown it.
    if (HasBook()) {
        FillChooser();
        UpdateCount();
    }
}

bool CBookBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ctlList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier && HasBook()) {
        ToggleSelected();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CBookBar::ToggleSelected() {
    const QModelIndexList rows = m_ctlList->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const QModelIndex index = m_pModel->index(rows.first().row(), 0);
    m_pModel->setData(index, m_pModel->IsMarked(index.row()) ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

void CBookBar::OnListLoaded(const std::string& dataDir, const std::string& spellClass) {
    if (spellClass != m_strClass || dataDir != m_strDataDir) {
        m_strDataDir = dataDir;
        m_strClass = spellClass;
        m_books = ListBooks(dataDir, spellClass);
        m_nBook = 0;
        setEnabled(true);
        OpenBook(0);
        return;
    }
    ShowMarks();
}

void CBookBar::OpenBook(std::size_t index) {
    if (m_books.empty()) {
        // A class's first book exists on screen until its first mark.
        m_books.push_back({NewBookFileName(m_books, m_strClass), std::string(kDefaultBookName), {}});
        index = 0;
        m_book = SpellBook(std::string(kDefaultBookName));
        m_strUnreadable.clear();
    } else {
        const BookFile& file = m_books[index];
        BookRead read = ReadBook(m_strDataDir + file.strFileName);
        // A book that cannot be read is never written over: its marks
        // would be lost.
        m_strUnreadable = read.ok() || read.error == ENOENT ? std::string() : read.strMessage;
        if (!m_strUnreadable.empty())
            ShowMessageBox(Message(m_strUnreadable), QMessageBox::Ok, this);
        m_book = read.ok() ? std::move(read.book) : SpellBook(file.strName);
    }
    m_nBook = index;
    FillChooser();
    ShowMarks();
}

void CBookBar::ShowMarks() {
    m_nMissing = m_pModel->SetMarks(m_book);
    UpdateCount();
}

void CBookBar::FillChooser() {
    if (!m_ctlBook)
        return;
    m_ctlBook->clear();
    for (const BookFile& file : m_books)
        m_ctlBook->addItem(DisplayText(file.strName));
    m_ctlBook->setCurrentIndex(static_cast<int>(m_nBook));
    m_ctlDelete->setEnabled(true);
}

void CBookBar::UpdateCount() {
    if (!m_ctlCount)
        return;
    m_ctlCount->setText(Utf8(messages::BookCount(m_book.size(), m_nMissing)));
}

void CBookBar::OnBookChosen(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_books.size() || static_cast<std::size_t>(index) == m_nBook)
        return;
    OpenBook(static_cast<std::size_t>(index));
}

void CBookBar::OnMarkChanged(const std::string& name, bool marked) {
    if (!HasBook())
        return;
    if (marked)
        m_book.Add(name);
    else
        m_book.Remove(name);
    UpdateCount();
    Save();
}

bool CBookBar::Save() {
    if (!m_strUnreadable.empty()) {
        ShowMessageBox(Message(m_strUnreadable), QMessageBox::Ok, this);
        return false;
    }
    const std::string error = WriteBook(m_strDataDir, m_books[m_nBook].strFileName, m_book);
    if (error.empty())
        return true;
    ShowMessageBox(Message(error), QMessageBox::Ok, this);
    return false;
}

std::optional<QString> CBookBar::AskName(const QString& prompt, const QString& text) {
    if (NameHookSlot())
        return NameHookSlot()(prompt, text);
    bool ok = false;
    const QString name = QInputDialog::getText(this, tr("Spellbook"), prompt, QLineEdit::Normal, text, &ok);
    if (!ok || name.trimmed().isEmpty())
        return std::nullopt;
    return name.trimmed();
}

void CBookBar::OnNew() {
    if (!HasBook())
        return;
    const QString suggested = tr("Spellbook %1").arg(m_books.size() + 1);
    const std::optional<QString> name = AskName(Message(messages::kNewBookPrompt), suggested);
    if (!name)
        return;
    m_books.push_back({NewBookFileName(m_books, m_strClass), name->toStdString(), {}});
    m_nBook = m_books.size() - 1;
    m_book = SpellBook(name->toStdString());
    m_strUnreadable.clear();
    if (!Save()) {
        m_books.pop_back();
        OpenBook(0);
        return;
    }
    FillChooser();
    ShowMarks();
}

void CBookBar::OnRename() {
    if (!HasBook())
        return;
    const std::optional<QString> name =
        AskName(Message(messages::kRenameBookPrompt), DisplayText(m_book.strName));
    if (!name)
        return;
    const std::string old = m_book.strName;
    m_book.strName = name->toStdString();
    if (!Save()) {
        m_book.strName = old;
        return;
    }
    m_books[m_nBook].strName = m_book.strName;
    FillChooser();
}

void CBookBar::OnDelete() {
    if (!HasBook())
        return;
    if (ShowMessageBox(Utf8(messages::DeleteBookQuestion(m_book.strName)),
                       QMessageBox::Yes | QMessageBox::No, this) != QMessageBox::Yes)
        return;
    const std::string error = DeleteBook(m_strDataDir, m_books[m_nBook].strFileName);
    if (!error.empty()) {
        ShowMessageBox(Message(error), QMessageBox::Ok, this);
        return;
    }
    m_books.erase(m_books.begin() + static_cast<std::ptrdiff_t>(m_nBook));
    OpenBook(0);
}

void CBookBar::SetMarkedOnly(bool on) {
    if (m_ctlMarkedOnly)
        m_ctlMarkedOnly->setChecked(on);  // without it, it is off
}

void CBookBar::OnMarkedOnly(bool on) {
    // The selected spell stays selected when it is still shown.
    const QModelIndexList selected = m_ctlList->selectionModel()->selectedRows();
    const int64_t offset = selected.isEmpty() ? -1 : m_pModel->RecordOffset(selected.first().row());
    m_pModel->SetMarkedOnly(on);
    for (int row = 0; row < m_pModel->rowCount(); ++row) {
        if (m_pModel->RecordOffset(row) == offset || offset < 0) {
            const QModelIndex index = m_pModel->index(row, 0);
            m_ctlList->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            return;
        }
    }
    if (m_pModel->rowCount() > 0)
        m_ctlList->selectionModel()->setCurrentIndex(m_pModel->index(0, 0),
                                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
