// SPDX-License-Identifier: MIT
#pragma once
// The spellbook bar below the list: the current book of the shown class,
// New, Rename and Delete, "Marked only", and how many spells are marked.
// It keeps the list's marks and the book file in step: every change of a
// mark is written at once; a write that fails is reported and the marks
// stay as the user set them.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "SpellBook.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QToolButton;
class CSpellListView;
class SpellListModel;

class CBookBar : public QWidget {
    Q_OBJECT

public:
    // The marks work from the start; the controls are made by MakeControls.
    CBookBar(SpellListModel* model, CSpellListView* list, QWidget* parent);

    // Makes the bar's controls, showing the current book; once. The find
    // bar's first opening does, with the row it shows them in.
    void MakeControls();

    // After a load of `spellClass` from `dataDir`: the class's books, the
    // current one's marks on the new rows.
    void OnListLoaded(const std::string& dataDir, const std::string& spellClass);

    // Space on the list: toggles the mark of the selected row.
    void ToggleSelected();

    // Checks or clears "Marked only".
    void SetMarkedOnly(bool on);

    const SpellBook& Book() const { return m_book; }
    bool HasBook() const { return !m_strClass.empty(); }

    // Asks the user for a book name; tests answer through the hook.
    using NameHook = std::function<std::optional<QString>(const QString& prompt, const QString& text)>;
    static void SetNameHook(NameHook hook);

public slots:
    void OnNew();
    void OnRename();
    void OnDelete();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnMarkChanged(const std::string& name, bool marked);
    void OnBookChosen(int index);
    void OnMarkedOnly(bool on);
    // Reads the book of m_books[index] and shows its marks.
    void OpenBook(std::size_t index);
    void ShowMarks();
    // Writes the current book; false after telling the user why it failed.
    bool Save();
    void FillChooser();
    void UpdateCount();
    std::optional<QString> AskName(const QString& prompt, const QString& text);

    SpellListModel* m_pModel;
    CSpellListView* m_ctlList;
    // Null until MakeControls.
    QComboBox* m_ctlBook = nullptr;
    QToolButton* m_ctlNew = nullptr;
    QToolButton* m_ctlRename = nullptr;
    QToolButton* m_ctlDelete = nullptr;
    QCheckBox* m_ctlMarkedOnly = nullptr;
    QLabel* m_ctlCount = nullptr;

    std::string m_strDataDir;
    std::string m_strClass;
    std::vector<BookFile> m_books;  // of m_strClass; the current one at m_nBook
    std::size_t m_nBook = 0;
    SpellBook m_book;
    std::size_t m_nMissing = 0;  // marked names in no row of the list
    std::string m_strUnreadable;  // why the current book could not be read
};
