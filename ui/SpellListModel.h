// SPDX-License-Identifier: MIT
#pragma once
// The rows of the spell list: the nine field texts of each loaded record,
// its school image and its record offset, ordered by the key field.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>

#include "KeyOrder.h"
#include "RowTextStore.h"
#include "SpellRecord.h"

class SpellBook;
class SpellSearchIndex;
struct SpellQuery;

// A loaded row: where its texts are, its school image and its record.
struct ListRow {
    RowTextStore::Handle texts;
    int32_t schoolImage;
    uint32_t record;  // the record offset / 432
};
using ListRows = std::shared_ptr<const std::vector<ListRow>>;

// The search index of one load of the list, built once by whichever thread
// asks first, from the list's rows in list order, which it shares. Safe to
// share between threads.
class SearchIndexSlot {
public:
    // The index, built at the first call; null once the list it was made
    // for is no longer shown (a build under way then stops early). May
    // throw std::bad_alloc.
    std::shared_ptr<const SpellSearchIndex> Get();
    // The index when it has been built, else null; never waits for a build.
    std::shared_ptr<const SpellSearchIndex> Built() const;
    void Drop() { dropped_.store(true, std::memory_order_relaxed); }

private:
    friend class SpellListModel;
    std::mutex buildMutex_;
    mutable std::mutex indexMutex_;
    std::shared_ptr<const SpellSearchIndex> index_;
    // What the build reads, shared with the list; released once the index
    // is built.
    std::shared_ptr<const RowTextStore> texts_;
    ListRows rows_;
    std::atomic<bool> dropped_{false};
};

class SpellListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Item data role holding a row's record offset (qint64).
    static constexpr int RecordOffsetRole = Qt::UserRole;
    // Item data role holding a row's school image index (int).
    static constexpr int SchoolImageRole = Qt::UserRole + 1;
    // Item data role holding what the filter's query matched in the cell's
    // text (TextRanges); nothing when the list is not filtered by a query.
    static constexpr int MatchRangesRole = Qt::UserRole + 2;

    explicit SpellListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Qt::CheckStateRole on column 0 marks or unmarks every row of the
    // spell's name, and emits MarkChanged.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The icons of school images 0..8.
    void SetImageList(QList<QIcon> icons);

    // The field shown in column 0, which orders the rows. Retitles the
    // columns; the rows are reordered by the next load.
    void SetKeyField(int keyField);
    int KeyField() const { return keyField_; }
    // Descending order by the key field, equal keys still in file order;
    // taken up by the next load.
    void SetDescending(bool descending) { descending_ = descending; }
    bool IsDescending() const { return descending_; }
    // The shown row of the record at `recordOffset`, or -1.
    int RowOfRecord(int64_t recordOffset) const;

    // A load: BeginLoad() starts a set of new rows, hinting how many may
    // come; AppendRecord() adds each record in file order; FinishLoad()
    // orders the new rows by the key field and shows them in place of the
    // old ones. AbandonLoad() drops the new rows and leaves the shown ones.
    // Memory follows the records appended, whatever the hint; growing it
    // may throw std::bad_alloc, after which AbandonLoad() is still safe.
    void BeginLoad(std::size_t expectedRows);
    // False when the list cannot take another row, or when `recordOffset`
    // is not a record's offset (a multiple of 432 below 2^32 records).
    bool AppendRecord(const SpellRecord& record, int64_t recordOffset);
    // Calls `keepAlive` every few thousand rows of its work.
    void FinishLoad(const std::function<void()>& keepAlive = {});
    void AbandonLoad();

    int64_t RecordOffset(int row) const;

    // Where the search index of the shown rows is built, on any thread; null
    // before the first load. It shares the loaded rows: taking it copies
    // none.
    std::shared_ptr<SearchIndexSlot> IndexSlot() const;
    // True when `index` is the search index of the shown rows.
    bool IsSearchIndex(const SpellSearchIndex* index) const {
        return index != nullptr && indexSlot_ && index == indexSlot_->Built().get();
    }
    // Bytes of the loaded rows' field texts.
    uint64_t FieldBytes() const { return texts_->TextBytes(); }
    // The distinct levels of the loaded rows, ascending, gathered by the load.
    std::vector<int32_t> Levels() const { return levels_; }
    // Shows only the loaded rows `rows` (ascending, distinct numbers in list order),
    // or all of them again.
    // `byDescription` (ascending) are those of `rows` that a term matched
    // only in the description: their name's tooltip says so.
    // `query`, when given, is what found them: its matches are marked.
    void SetFilter(std::vector<uint32_t> rows, std::vector<uint32_t> byDescription = {},
                   std::shared_ptr<const SpellQuery> query = {});
    // The query of the filter shown, null when none.
    std::shared_ptr<const SpellQuery> FilterQuery() const { return filterQuery_; }
    void ClearFilter();
    bool IsFiltered() const { return filtered_; }
    int LoadedRowCount() const { return static_cast<int>(rows_->size()); }

    // Marks: a bit per loaded row, shown as the check box of column 0. A
    // load clears them; SetMarks sets them from a book by the spells' names.
    // The raw bytes of the row's name field.
    std::string_view SpellName(int row) const;
    bool IsMarked(int row) const;
    // Marks the rows whose names are in `book`; returns how many of the
    // book's names are in no loaded row.
    std::size_t SetMarks(const SpellBook& book);
    // Marks or unmarks every loaded row named `name`.
    void SetMarked(std::string_view name, bool marked);
    // Shows only marked rows (among those the filter shows). A row
    // unmarked meanwhile stays until the next change of filter.
    void SetMarkedOnly(bool markedOnly);
    bool MarkedOnly() const { return markedOnly_; }
    // The record offsets of the marked rows, shown or not, in list order.
    std::vector<int64_t> MarkedOffsets() const;

signals:
    // MatchRangesRole changed for any number of cells while the rows stayed:
    // a view that shows the marks repaints. (dataChanged over every row
    // would cost a tree view a pass over all of them.)
    void MatchesChanged();
    // The user marked or unmarked the spell `name` (raw bytes).
    void MarkChanged(const std::string& name, bool marked);

private:
    using Row = ListRow;

    static int64_t OffsetOf(const Row& row) {
        return static_cast<int64_t>(row.record) * static_cast<int64_t>(kRecordSize);
    }
    QString FieldDisplayText(const Row& row, int field) const;

    int keyField_ = kFieldName;
    bool descending_ = false;
    QList<QIcon> icons_;
    // The loaded rows in list order, shared with the search index's build.
    ListRows rows_ = std::make_shared<const std::vector<Row>>();
    std::shared_ptr<const RowTextStore> texts_ = std::make_shared<RowTextStore>();
    std::vector<int32_t> levels_;  // distinct, ascending
    bool loaded_ = false;
    std::vector<Row> pending_;  // being loaded, in file order
    RowTextStore pendingTexts_;
    KeyOrder pendingOrder_;
    uint64_t pendingLevelBits_ = 0;           // levels 0 to 63 met
    std::vector<int32_t> pendingOtherLevels_;  // the others, distinct, ascending

    // The filter: the loaded rows shown, when filtered_.
    std::size_t LoadedRow(int row) const {
        return filtered_ ? (*visible_)[static_cast<std::size_t>(row)] : static_cast<std::size_t>(row);
    }
    mutable std::shared_ptr<SearchIndexSlot> indexSlot_;
    // Lists of loaded rows, shared: the rows a search found are shown
    // without a copy.
    using RowList = std::shared_ptr<const std::vector<uint32_t>>;
    RowList visible_ = std::make_shared<const std::vector<uint32_t>>();
    bool filtered_ = false;
    // The rows of the last SetFilter, when queried_; marked-only then
    // keeps the marked ones among them. True when the rows were reset.
    bool ApplyFilter();
    // The cells show other matches: a reset told the views, or this does.
    void TellMatchesChanged(bool reset);
    RowList query_;
    std::vector<uint64_t> byDescription_;  // a bit a loaded row: matched in its description
    bool queried_ = false;
    std::shared_ptr<const SpellQuery> filterQuery_;
    bool markedOnly_ = false;
    std::vector<bool> marked_;  // by loaded row
};
