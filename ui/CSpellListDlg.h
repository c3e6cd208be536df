// SPDX-License-Identifier: MIT
#pragma once
// The main window: class buttons, Create Index, the spell list with its
// column sort, and the way into a spell's details.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>
#include <QIcon>
#include <QList>

#include "SpellCheck.h"
#include "SpellRecord.h"

class CBookBar;
class CFindBar;
class CSpellInfoDlg;
struct ViewSettings;
class ColumnLayout;
class CNoticeBar;
class QModelIndex;
class QProgressBar;
class QPushButton;
class CSpellListView;
class SpellListModel;

class CSpellListDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSpellListDlg(QWidget* parent = nullptr);
    ~CSpellListDlg() override;

    // Sets up icons, image list and columns; called by the constructor.
    void OnInitDialog();

    // Loads the index of `spellClass` with field `nKey` (0..8) as the key
    // field. On success the list shows that class; when the index cannot be
    // opened the list keeps its rows, class and columns. False then.
    bool LoadIndex(int nKey, const std::string& spellClass);
    void SetColumnOrder(int nKey);
    bool InsertSpell(const SpellRecord& record, int nKey, int64_t recordOffset);

    // The class whose rows the list shows; empty before the first load.
    const std::string& ListClass() const { return m_strListClass; }
    SpellListModel* Model() const { return m_pModel; }
    CBookBar* BookBar() const { return m_pBookBar; }
    // The find bar, made closed at its first use: the window makes it when
    // it is first opened, so that start-up need not.
    CFindBar* FindBar();

    // The column widths: the user's widths per field and the shared room.
    ColumnLayout& Columns() { return *m_pColumnLayout; }
    // Sets every column's width for the key field and the list's width.
    void LayOutColumns();
    // Fits `column` to its widest text (a double click on its divider).
    void FitColumn(int column);

    // The window's size and place and the user's column widths, as kept
    // between runs, and the class shown.
    ViewSettings CurrentView() const;
    void ApplyView(const ViewSettings& view);

    // How often a long load repaints the windows, in milliseconds; 0
    // repaints at every step (for tests).
    void SetRepaintInterval(int ms) { m_nRepaintIntervalMs = ms; }

public slots:
    void OnWizard();
    void OnPriest();
    void OnCreateIndex();
    void OnColumnClick(int nColumn);
    void OnDblclkList(const QModelIndex& index);
    void OnOK();
    void ShowDetails();
    // Opens the selected spell in a window of its own that does not block
    // this one, titled with the spell's name; Escape closes it.
    // Points `dlg` at the selected row's spell; false when no row is selected.
    bool AimAtSelectedSpell(CSpellInfoDlg* dlg) const;
    void OpenInNewWindow();
    // The text size of the list and the details: points added to the
    // default, kept within the steps the settings allow.
    void SetTextStep(int step);
    int TextStep() const { return m_nTextStep; }
    // Copies the selected spell to the clipboard, as text and as HTML.
    void CopySpell();
    // The notice bar's button: Rebuild, or Show Problems.
    void OnNoticeAction();
    // Tells the user that the data folder holds no spell lists and how to
    // add one; the notice goes once an index is built.
    void ShowNoSpellListsNotice();
    // Tells the user that neither class has an index and how to build one.
    void ShowNoIndexNotice();
    // Ctrl+P and the list's context menu: the print preview, or a PDF
    // written at once, of the book, the rows shown or the selected spell.
    void OnPrint();
    void OnSavePdf();
    // F1: the About box with the version, the data folder and the keys.
    void OnHelp();
    // The menu key and Shift+F10: the list's context menu at the current row.
    void OpenListMenuByKey();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A middle click on a row opens it in a new window.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnSize(int cx, int cy);
    // The list's size for a client area of cx by cy pixels.
    QSize ListSize(int cx, int cy) const;
    // The smallest window that shows every button, the progress bar and a
    // few rows of the list.
    QSize MinimumSize() const;
    void SetProgressRange(int count);

    // What a load changes before its rows replace the shown ones, for a
    // load that fails part way to put back.
    struct ListState {
        int nKey;
        std::vector<int> widths;
        int32_t nRecordCount;
        int progressMax;
        int progress;
    };
    ListState SaveListState() const;
    void RestoreListState(const ListState& state);
    void OnFocusChanged(QWidget* old, QWidget* now);
    // A width the user gave a column stays with its field.
    void OnSectionResized(int column, int oldSize, int newSize);
    // The pixels across that the columns can fill without scrolling.
    int ColumnRoom() const;
    // After a load: the row of the record at `keepOffset` current and
    // selected when it is still there, else the first row.
    void SelectAfterLoad(int64_t keepOffset);
    // Shows the key column's order in its header.
    void UpdateSortIndicator();
    // LoadIndex in ascending or descending order; a failed load keeps the
    // order shown.
    bool LoadInOrder(int nKey, const std::string& spellClass, bool descending);
    void OnListContextMenu(const QPoint& pos);
    // Puts the find bar's controls, then the book bar's, then the notice
    // bar's, after the buttons in the tab order, as they stand on screen.
    void OrderBarsForTabbing();

    // What the notice bar below the list says.
    enum class Notice { kNone, kStaleIndex, kProblems, kNoSpellLists };
    // The height the notice bar, when shown, takes from the list.
    int NoticeBarHeight() const;
    void ShowNotice(Notice notice, const std::string& spellClass, const std::string& text,
                    std::string_view action);
    void HideNotice();
    // After a load: tells whether the class's index is older than its text.
    void UpdateIndexNotice(const std::string& spellClass);
    // Builds the class's index with the check watching. False after telling
    // the user why the build failed.
    bool BuildClassIndex(const std::string& spellClass);
    // After a build: the problems the check found, if any.
    void ReportBuildProblems(const std::string& spellClass);

    QList<QIcon> m_pImageList;
    QProgressBar* m_ctlProgress = nullptr;
    CSpellListView* m_ctlList = nullptr;
    SpellListModel* m_pModel = nullptr;
    QIcon m_hIcon;
    QList<QPushButton*> m_buttons;  // the row of buttons at the top
    std::string m_strListClass;
    CFindBar* m_pFindBar = nullptr;  // null until first used
    std::string m_strListTextPath;   // the text of the list shown, for the find bar
    CBookBar* m_pBookBar = nullptr;
    // How often a load lets the window repaint: within a 60 Hz frame, with
    // time left for the paint.
    int m_nRepaintIntervalMs = 12;
    std::unique_ptr<ColumnLayout> m_pColumnLayout;
    bool m_bLayingOutColumns = false;
    int m_nTextStep = 0;
    // A details window at the text size, with its own Ctrl++, Ctrl+- and Ctrl+0.
    void PrepareDetails(CSpellInfoDlg* dlg);  // the widths being set are not the user's

    CNoticeBar* m_pNoticeBar = nullptr;
    Notice m_nNotice = Notice::kNone;
    std::string m_strNoticeClass;  // the class the notice is about
    std::size_t m_nBuiltSpells = 0;           // of the last build
    KeptWarnings m_builtProblems;             // of the last build
    std::size_t m_nBuiltProblemLines = 0;     // lines with a warning, of the last build
    std::string m_strWaitingProblemsClass;    // its notice waits for this class's list
};
