#include "SpellListModel.h"

#include <algorithm>
#include <climits>
#include <cstddef>

#include "ColumnTables.h"
#include "DisplayText.h"
#include "SpellSearch.h"

namespace {

// Sort key of a field text: the display text case-folded, as UTF-8, so
// that byte order is code point order. Plain ASCII takes a short cut.
void AppendSortKey(std::string& keys, std::string_view raw) {
    const bool ascii = std::all_of(raw.begin(), raw.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        for (const char c : raw)
            keys += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        return;
    }
    keys += DisplayText(raw).toCaseFolded().toStdString();
}

}  // namespace

SpellListModel::SpellListModel(QObject* parent) : QAbstractTableModel(parent) {}

int SpellListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(filtered_ ? visible_.size() : rows_.size());
}

int SpellListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

std::string_view SpellListModel::FieldBytes(std::string_view text, const Row& row, int field) {
    uint64_t begin = row.textBegin;
    const auto n = static_cast<std::size_t>(field);
    for (std::size_t f = 0; f < n; ++f)
        begin += row.lengths[f];
    return text.substr(begin, row.lengths[n]);
}

QString SpellListModel::FieldDisplayText(const Row& row, int field) const {
    return DisplayText(FieldBytes(text_, row, field));
}

QVariant SpellListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount)
        return {};
    const Row& row = rows_[LoadedRow(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return FieldDisplayText(row, ColumnField(keyField_, index.column()));
    case Qt::DecorationRole:
        // A damaged index may hold any number here: no icon then.
        if (index.column() == 0 && row.schoolImage >= 0 && row.schoolImage < icons_.size())
            return icons_[row.schoolImage];
        return {};
    case RecordOffsetRole:
        return QVariant::fromValue<qint64>(row.recordOffset);
    case SchoolImageRole:
        return row.schoolImage;
    default:
        return {};
    }
}

QVariant SpellListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount)
        return {};
    return QString::fromLatin1(g_szColumnNames[ColumnField(keyField_, section)]);
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
    // A head start for small lists only: a file can claim any number of
    // records, so memory beyond this grows with the records read.
    constexpr std::size_t kHeadStartRows = 1 << 16;
    constexpr std::size_t kTypicalRowText = 96;
    const std::size_t rows = std::min(expectedRows, kHeadStartRows);
    pending_.reserve(rows);
    pendingTextOffsets_.reserve(rows);
    pendingText_.reserve(rows * kTypicalRowText);
}

bool SpellListModel::AppendRecord(const SpellRecord& record, int64_t recordOffset) {
    if (pending_.size() >= static_cast<std::size_t>(INT_MAX))
        return false;
    Row row{pendingText_.size(), recordOffset, record.nSchoolImage, {}};
    LevelDigits scratch;
    for (int field = 0; field < kFieldCount; ++field) {
        const std::string_view text = RecordFieldView(record, field, scratch);
        if (text.size() > UINT8_MAX) {  // no field is that wide; refuse rather than wrap
            pendingText_.resize(row.textBegin);
            return false;
        }
        row.lengths[static_cast<std::size_t>(field)] = static_cast<uint8_t>(text.size());
        pendingText_.append(text);
    }
    pending_.push_back(row);
    pendingTextOffsets_.push_back(record.nTextOffset);
    return true;
}

void SpellListModel::FinishLoad(const std::function<void()>& keepAlive) {
    // One stable sort over precomputed keys: equal keys keep file order.
    // The first eight key bytes, packed big-endian, settle most comparisons
    // without touching the key text.
    struct SortEntry {
        uint64_t prefix;
        uint64_t keyBegin;
        uint32_t keyLength;
        uint32_t row;
    };
    constexpr std::size_t kStep = 1 << 14;  // rows of work between calls of keepAlive
    const auto tick = [&keepAlive] {
        if (keepAlive)
            keepAlive();
    };

    std::size_t keyBytes = 0;  // exact for ASCII keys; folding others may grow them
    for (const Row& row : pending_)
        keyBytes += row.lengths[static_cast<std::size_t>(keyField_)];
    std::string keys;
    keys.reserve(keyBytes);
    std::vector<SortEntry> entries;
    entries.reserve(pending_.size());
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        const std::size_t keyBegin = keys.size();
        AppendSortKey(keys, FieldBytes(pendingText_, pending_[i], keyField_));
        const std::size_t keyLength = keys.size() - keyBegin;
        uint64_t prefix = 0;
        for (std::size_t b = 0; b < 8; ++b)
            prefix = (prefix << 8) |
                     (b < keyLength ? static_cast<unsigned char>(keys[keyBegin + b]) : 0u);
        entries.push_back({prefix, keyBegin, static_cast<uint32_t>(keyLength),
                           static_cast<uint32_t>(i)});
        if ((i + 1) % kStep == 0)
            tick();
    }
    const std::string_view allKeys = keys;
    const auto less = [&](const SortEntry& a, const SortEntry& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return allKeys.substr(a.keyBegin, a.keyLength) < allKeys.substr(b.keyBegin, b.keyLength);
    };
    // Sorted runs of kStep entries, then merged pairwise: the same order
    // as one stable sort, in steps short enough to keep the window alive.
    const auto at = [&entries](std::size_t i) {
        return entries.begin() + static_cast<std::ptrdiff_t>(std::min(i, entries.size()));
    };
    for (std::size_t begin = 0; begin < entries.size(); begin += kStep) {
        std::stable_sort(at(begin), at(begin + kStep), less);
        tick();
    }
    for (std::size_t run = kStep; run < entries.size(); run *= 2)
        for (std::size_t begin = 0; begin + run < entries.size(); begin += 2 * run) {
            std::inplace_merge(at(begin), at(begin + run), at(begin + 2 * run), less);
            tick();
        }

    std::vector<Row> sorted;
    sorted.reserve(entries.size());
    auto search = std::make_shared<SpellSearchIndex>();
    search->Reserve(entries.size());
    for (const SortEntry& entry : entries) {
        const Row& row = pending_[entry.row];
        sorted.push_back(row);
        std::array<std::string_view, kFieldCount> fields;
        for (int field = 0; field < kFieldCount; ++field)
            fields[static_cast<std::size_t>(field)] = FieldBytes(pendingText_, row, field);
        search->AddRow(fields, pendingTextOffsets_[entry.row]);
    }

    beginResetModel();
    rows_ = std::move(sorted);
    text_ = std::move(pendingText_);
    searchIndex_ = std::move(search);
    visible_ = {};
    filtered_ = false;
    endResetModel();
    pending_ = {};
    pendingText_ = {};
    pendingTextOffsets_ = {};
}

void SpellListModel::AbandonLoad() {
    pending_ = {};
    pendingText_ = {};
    pendingTextOffsets_ = {};
}

int64_t SpellListModel::RecordOffset(int row) const {
    if (row < 0 || row >= rowCount())
        return -1;
    return rows_[LoadedRow(row)].recordOffset;
}

void SpellListModel::SetFilter(std::vector<uint32_t> rows) {
    // Numbers past the loaded rows cannot come from this load's index.
    const auto loaded = static_cast<uint32_t>(rows_.size());
    std::erase_if(rows, [&](uint32_t row) { return row >= loaded; });
    // Every row, in order: the unfiltered list, which spares the view a
    // reset when nothing is hidden before or after.
    if (rows.size() == rows_.size()) {
        ClearFilter();
        return;
    }
    beginResetModel();
    visible_ = std::move(rows);
    filtered_ = true;
    endResetModel();
}

void SpellListModel::ClearFilter() {
    if (!filtered_)
        return;
    beginResetModel();
    visible_ = {};
    filtered_ = false;
    endResetModel();
}
