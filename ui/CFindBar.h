// SPDX-License-Identifier: MIT
#pragma once
// The find bar at the bottom of the main window: a query field, level and
// school filters and "Descriptions too". It filters the spell list as the
// user types and shows how many rows are left.

#include <cstddef>
#include <memory>
#include <string>

#include <QWidget>

class CStatusLabel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QToolButton;
class CSpellListView;
class SearchIndexSlot;
class SearchRunner;
class SpellListModel;
class SpellSearchIndex;
struct SearchResult;
struct SpellQuery;

class CFindBar : public QWidget {
    Q_OBJECT

public:
    // Filters `model`, shown in `list`; `progress` shows long searches.
    CFindBar(SpellListModel* model, CSpellListView* list, QProgressBar* progress, QWidget* parent);
    ~CFindBar() override;

    // The Find key: opens the bar with the focus in its field, or selects
    // the field's text when the bar is open.
    void OnFind();
    // Clears the filter, closes the bar and gives the focus to the list.
    void OnClose();
    bool IsOpen() const { return !isHidden(); }

    // The height the list leaves for the bar: 0 while it is closed.
    int ReservedHeight() const;
    // Lays the bar out under `list`, as wide as it.
    void PlaceBelow(const QWidget* list);

    // Before a load of a list: stops a running search and gives the
    // progress bar back.
    void OnListLoading();
    // After a load that failed and kept the list shown before: searches it
    // again.
    void OnListAbandoned();
    // After a load of a list whose descriptions are in `textPath`: offers
    // the new list's levels and schools, keeps the chosen ones it has, and
    // filters the new rows.
    void OnListLoaded(const std::string& textPath, bool priest);

    // Adds `row` below the bar's controls, shown while the bar is open.
    void AddRow(QWidget* row);

    // Field text up to this many bytes is searched on the GUI thread;
    // descriptions never are.
    void SetInPlaceLimit(std::size_t fieldBytes) { inPlaceFieldBytes_ = fieldBytes; }

signals:
    // The bar opened or closed: the window lays itself out again.
    void OpenChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Search();
    void OnSearchStarted();
    void OnSearchProgress(int value);
    void OnSearchFinished(const SearchResult& result, const SpellSearchIndex* index);
    void FillFilters(bool priest);
    // The index of `slot` when it is built, or built now for a small list;
    // null while a large list's waits for the worker. May throw
    // std::bad_alloc.
    std::shared_ptr<const SpellSearchIndex> IndexAtOnce(const std::shared_ptr<SearchIndexSlot>& slot) const;
    // Has the worker build the index of `slot` ahead of the searches that
    // need it, once a slot.
    void PrepareIndex(const std::shared_ptr<SearchIndexSlot>& slot);
    // Marks the field with `error`, the reason the query is not one, or
    // unmarks it when `error` is empty.
    void ShowQueryError(const std::string& error);
    void UpdateCount();
    void SelectFirstRow();
    void RestoreProgress();

    SpellListModel* m_pModel;
    CSpellListView* m_ctlList;
    QProgressBar* m_ctlProgress;
    QLineEdit* m_ctlText = nullptr;
    QComboBox* m_ctlLevel = nullptr;
    QComboBox* m_ctlSchool = nullptr;
    QCheckBox* m_ctlDescriptions = nullptr;
    QLabel* m_ctlLevelLabel = nullptr;
    QLabel* m_ctlSchoolLabel = nullptr;
    CStatusLabel* m_ctlCount = nullptr;
    QToolButton* m_ctlClose = nullptr;
    SearchRunner* m_pRunner = nullptr;

    std::string m_strTextPath;
    // The query of the latest search, whose matches its result marks.
    std::shared_ptr<const SpellQuery> m_pSearchQuery;
    // The filters still offer the levels and schools of an earlier list;
    // filtersPriest_ tells which kind of list is shown.
    bool filtersStale_ = false;
    bool filtersPriest_ = false;
    std::size_t inPlaceFieldBytes_;
    // The index being built on the worker for the sphere box; null when none.
    std::shared_ptr<SearchIndexSlot> m_pSpheresSlot;
    // The slot whose index the worker was last asked to build ahead.
    std::weak_ptr<SearchIndexSlot> m_pPreparedSlot;
    // The progress bar's state from before a worker search took it over.
    bool progressTaken_ = false;
    int progressMin_ = 0;
    int progressMax_ = 0;
    int progressValue_ = 0;
};
