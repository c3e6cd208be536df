// SPDX-License-Identifier: MIT
#include "SpellListModel.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstddef>
#include <unordered_set>

#include "ColumnTables.h"
#include "DisplayText.h"
#include "MatchHighlight.h"
#include "SchoolIcons.h"
#include "SpellBook.h"
#include "SpellSearch.h"

namespace {

// Rows ahead of the one read that a pass in list order asks the processor
// to fetch: they stand scattered in memory.
constexpr std::size_t kReadAhead = 16;
// Rows ordered between two calls of a load's keepAlive.
constexpr std::size_t kRowsPerKeepAlive = std::size_t{1} << 16;

}  // namespace

SpellListModel::SpellListModel(QObject* parent) : QAbstractTableModel(parent) {}

int SpellListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(filtered_ ? visible_->size() : rows_->size());
}

int SpellListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QString SpellListModel::FieldDisplayText(const Row& row, int field) const {
    return ::FieldDisplayText(texts_->Field(row.texts, field));
}

QVariant SpellListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount)
        return {};
    const Row& row = (*rows_)[LoadedRow(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return FieldDisplayText(row, ColumnField(keyField_, index.column()));
    case Qt::DecorationRole:
        // A damaged index may hold any number here: no icon then.
        if (index.column() == 0 && row.schoolImage >= 0 && row.schoolImage < icons_.size())
            return icons_[row.schoolImage];
        return {};
    case Qt::ToolTipRole:
        if (const std::size_t loaded = LoadedRow(index.row());
            index.column() == 0 && queried_ && loaded / 64 < byDescription_.size() &&
            (byDescription_[loaded / 64] >> (loaded % 64) & 1) != 0)
            return tr("matched in the description");
        return {};
    case Qt::AccessibleDescriptionRole:
        // The school icon in words, read with the row's first cell.
        if (index.column() != 0)
            return {};
        if (QString school = SchoolClassText(row.schoolImage); !school.isEmpty())
            return school;
        return {};
    case MatchRangesRole: {
        if (!filterQuery_)
            return {};
        const int field = ColumnField(keyField_, index.column());
        return QVariant::fromValue(MatchRanges(FieldDisplayText(row, field), *filterQuery_, field));
    }
    case RecordOffsetRole:
        return QVariant::fromValue<qint64>(OffsetOf(row));
    case SchoolImageRole:
        return row.schoolImage;
    case Qt::CheckStateRole:
        if (index.column() != 0)
            return {};
        return marked_[LoadedRow(index.row())] ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

QVariant SpellListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The first column holds the school icons: its header explains them.
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::ToolTipRole)
        return QStringLiteral("<p>%1</p>").arg(tr("School icons:")) + SchoolLegendHtml();
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::AccessibleDescriptionRole)
        return descending_ ? tr("Sorted by this column, descending") : tr("Sorted by this column, ascending");
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount)
        return {};
    return QString::fromLatin1(g_szColumnNames[ColumnField(keyField_, section)]);
}

Qt::ItemFlags SpellListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == 0)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

bool SpellListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0 || index.row() >= rowCount())
        return false;
    const bool marked = value.toInt() == Qt::Checked;
    const std::string name(SpellName(index.row()));
    SetMarked(name, marked);
    emit MarkChanged(name, marked);
    return true;
}

std::string_view SpellListModel::SpellName(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    return texts_->Field((*rows_)[LoadedRow(row)].texts, kFieldName);
}

bool SpellListModel::IsMarked(int row) const {
    return row >= 0 && row < rowCount() && marked_[LoadedRow(row)];
}

std::size_t SpellListModel::SetMarks(const SpellBook& book) {
    std::unordered_set<std::string_view> present;
    if (book.size() == 0)
        std::fill(marked_.begin(), marked_.end(), false);
    else
        for (std::size_t i = 0; i < rows_->size(); ++i) {
            const std::string_view name = texts_->Field((*rows_)[i].texts, kFieldName);
            marked_[i] = book.Has(name);
            if (marked_[i])
                present.insert(name);
        }
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
    if (markedOnly_)
        ApplyFilter();
    return book.size() - present.size();
}

void SpellListModel::SetMarked(std::string_view name, bool marked) {
    for (std::size_t i = 0; i < rows_->size(); ++i)
        if (marked_[i] != marked && texts_->Field((*rows_)[i].texts, kFieldName) == name)
            marked_[i] = marked;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
}

std::vector<int64_t> SpellListModel::MarkedOffsets() const {
    std::vector<int64_t> offsets;
    for (std::size_t i = 0; i < rows_->size(); ++i)
        if (marked_[i])
            offsets.push_back(OffsetOf((*rows_)[i]));
    return offsets;
}

void SpellListModel::SetMarkedOnly(bool markedOnly) {
    if (markedOnly_ == markedOnly)
        return;
    markedOnly_ = markedOnly;
    ApplyFilter();
}

void SpellListModel::SetImageList(QList<QIcon> icons) { icons_ = std::move(icons); }

void SpellListModel::SetKeyField(int keyField) {
    if (keyField < 0 || keyField >= kColumnCount)
        return;
    keyField_ = keyField;
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

void SpellListModel::BeginLoad(std::size_t expectedRows) {
    AbandonLoad();
    // A head start of address space: pages never written take no memory,
    // and rows up to this many never move. A file can claim any number of
    // records, so memory beyond this grows with the records read.
    constexpr std::size_t kHeadStartRows = 1 << 20;
    const std::size_t rows = std::min(expectedRows, kHeadStartRows);
    pending_.reserve(rows);
    pendingOrder_.SetDescending(descending_);
    pendingOrder_.Reserve(rows);
}

bool SpellListModel::AppendRecord(const SpellRecord& record, int64_t recordOffset) {
    constexpr auto kRecordBytes = static_cast<int64_t>(kRecordSize);
    if (pending_.size() >= static_cast<std::size_t>(INT_MAX) || recordOffset < 0 ||
        recordOffset % kRecordBytes != 0 || recordOffset / kRecordBytes > UINT32_MAX)
        return false;
    LevelDigits scratch;
    const RowTextStore::Fields fields = RecordFields(record, scratch);
    const std::optional<RowTextStore::Handle> texts = pendingTexts_.Append(fields, record.nTextOffset);
    if (!texts)  // no field is that wide
        return false;
    // The levels the find bar offers, gathered here so that opening it
    // needs no pass over the rows.
    if (static_cast<uint32_t>(record.nLevel) < 64) {
        pendingLevelBits_ |= uint64_t{1} << record.nLevel;
    } else if (const auto place = std::lower_bound(pendingOtherLevels_.begin(), pendingOtherLevels_.end(),
                                                   record.nLevel);
               place == pendingOtherLevels_.end() || *place != record.nLevel) {
        pendingOtherLevels_.insert(place, record.nLevel);
    }
    pendingOrder_.Add(fields[static_cast<std::size_t>(keyField_)]);
    pending_.push_back({*texts, record.nSchoolImage, static_cast<uint32_t>(recordOffset / kRecordBytes)});
    return true;
}

void SpellListModel::FinishLoad(const std::function<void()>& keepAlive) {
    pendingOrder_.Sort(keepAlive);
    std::vector<Row> sorted;
    sorted.reserve(pending_.size());
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        if (i + kReadAhead < pending_.size())
            __builtin_prefetch(&pending_[pendingOrder_.RowAt(i + kReadAhead)]);
        sorted.push_back(pending_[pendingOrder_.RowAt(i)]);
        if (i % kRowsPerKeepAlive == kRowsPerKeepAlive - 1 && keepAlive)
            keepAlive();
    }
    pendingTexts_.EndAppending();

    std::vector<int32_t> levels = std::move(pendingOtherLevels_);
    for (int32_t level = 0; level < 64; ++level)
        if (pendingLevelBits_ >> level & 1)
            levels.push_back(level);
    std::inplace_merge(levels.begin(), levels.end() - std::popcount(pendingLevelBits_), levels.end());
    auto texts = std::make_shared<const RowTextStore>(std::move(pendingTexts_));

    beginResetModel();
    rows_ = std::make_shared<const std::vector<Row>>(std::move(sorted));
    texts_ = std::move(texts);
    levels_ = std::move(levels);
    loaded_ = true;
    if (indexSlot_)
        indexSlot_->Drop();
    indexSlot_.reset();
    marked_.assign(rows_->size(), false);
    query_.reset();
    byDescription_ = std::vector<uint64_t>();
    queried_ = false;
    filterQuery_.reset();
    // Marked-only shows nothing until the marks of the new rows are set.
    visible_ = std::make_shared<const std::vector<uint32_t>>();
    filtered_ = markedOnly_;
    endResetModel();
    // The rows, texts and index of the list shown before, and the load's
    // own scratch, are freed here; being large blocks, their pages go back
    // to the system at once (GiveLargeBlocksTheirOwnPages).
    AbandonLoad();
}

void SpellListModel::AbandonLoad() {
    pending_ = std::vector<Row>();
    pendingTexts_ = {};
    pendingOrder_ = {};
    pendingLevelBits_ = 0;
    pendingOtherLevels_ = std::vector<int32_t>();
}

std::shared_ptr<SearchIndexSlot> SpellListModel::IndexSlot() const {
    if (indexSlot_ || !loaded_)
        return indexSlot_;
    auto slot = std::make_shared<SearchIndexSlot>();
    slot->texts_ = texts_;
    slot->rows_ = rows_;
    indexSlot_ = std::move(slot);
    return indexSlot_;
}

std::shared_ptr<const SpellSearchIndex> SearchIndexSlot::Built() const {
    const std::lock_guard lock(indexMutex_);
    return index_;
}

std::shared_ptr<const SpellSearchIndex> SearchIndexSlot::Get() {
    const std::lock_guard build(buildMutex_);
    if (std::shared_ptr<const SpellSearchIndex> index = Built(); index || dropped_.load(std::memory_order_relaxed))
        return index;
    auto index = std::make_shared<SpellSearchIndex>();
    const std::vector<ListRow>& rows = *rows_;
    index->Reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i % 8192 == 0 && dropped_.load(std::memory_order_relaxed))
            return nullptr;
        if (i + kReadAhead < rows.size())
            texts_->Prefetch(rows[i + kReadAhead].texts);
        index->AddRow(texts_->AllFields(rows[i].texts), texts_->TextOffset(rows[i].texts), rows[i].schoolImage);
    }
    const std::lock_guard lock(indexMutex_);
    index_ = std::move(index);
    texts_.reset();
    rows_.reset();
    return index_;
}

int64_t SpellListModel::RecordOffset(int row) const {
    if (row < 0 || row >= rowCount())
        return -1;
    return OffsetOf((*rows_)[LoadedRow(row)]);
}

int SpellListModel::RowOfRecord(int64_t recordOffset) const {
    for (int row = 0; row < rowCount(); ++row)
        if (RecordOffset(row) == recordOffset)
            return row;
    return -1;
}

void SpellListModel::SetFilter(std::vector<uint32_t> rows, std::vector<uint32_t> byDescription,
                               std::shared_ptr<const SpellQuery> query) {
    byDescription_ = std::vector<uint64_t>();
    if (!byDescription.empty()) {
        byDescription_.resize((rows_->size() + 63) / 64);
        for (const uint32_t row : byDescription)
            if (row < rows_->size())
                byDescription_[row / 64] |= uint64_t{1} << (row % 64);
    }
    const bool matchesChange = query || filterQuery_;
    filterQuery_ = std::move(query);
    // Numbers past the loaded rows cannot come from this load's index.
    const auto loaded = static_cast<uint32_t>(rows_->size());
    std::erase_if(rows, [&](uint32_t row) { return row >= loaded; });
    query_ = std::make_shared<const std::vector<uint32_t>>(std::move(rows));
    queried_ = true;
    const bool reset = ApplyFilter();
    if (matchesChange)
        TellMatchesChanged(reset);
}

void SpellListModel::TellMatchesChanged(bool reset) {
    if (!reset)
        emit MatchesChanged();
}

void SpellListModel::ClearFilter() {
    query_.reset();
    byDescription_ = std::vector<uint64_t>();
    queried_ = false;
    const bool matchesChange = filterQuery_ != nullptr;
    filterQuery_.reset();
    const bool reset = ApplyFilter();
    if (matchesChange)
        TellMatchesChanged(reset);
}

bool SpellListModel::ApplyFilter() {
    RowList rows = queried_ ? query_ : nullptr;
    if (markedOnly_) {
        std::vector<uint32_t> marked;
        if (queried_) {
            for (const uint32_t row : *query_)
                if (marked_[row])
                    marked.push_back(row);
        } else {
            for (uint32_t row = 0; row < rows_->size(); ++row)
                if (marked_[row])
                    marked.push_back(row);
        }
        rows = std::make_shared<const std::vector<uint32_t>>(std::move(marked));
    }
    // Every row, in order: the unfiltered list, which spares the view a
    // reset when nothing is hidden before or after.
    if (!queried_ && !markedOnly_) {
        if (!filtered_)
            return false;
    } else if (rows->size() != rows_->size()) {
        beginResetModel();
        visible_ = std::move(rows);
        filtered_ = true;
        endResetModel();
        return true;
    }
    if (!filtered_)
        return false;
    beginResetModel();
    visible_ = std::make_shared<const std::vector<uint32_t>>();
    filtered_ = false;
    endResetModel();
    return true;
}
