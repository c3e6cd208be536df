#include "SpellListModel.h"

#include <algorithm>
#include <climits>
#include <numeric>

#include "ColumnTables.h"
#include "TextDecoding.h"

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
    const std::string display = DecodeForDisplay(raw);
    keys += QString::fromUtf8(display.data(), static_cast<qsizetype>(display.size()))
                .toCaseFolded()
                .toStdString();
}

}  // namespace

SpellListModel::SpellListModel(QObject* parent) : QAbstractTableModel(parent) {}

int SpellListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SpellListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

std::string_view SpellListModel::FieldBytes(const Row& row, int field) const {
    uint64_t begin = row.textBegin;
    for (int f = 0; f < field; ++f)
        begin += row.lengths[f];
    return std::string_view(text_).substr(begin, row.lengths[field]);
}

QString SpellListModel::FieldDisplayText(const Row& row, int field) const {
    const std::string text = DecodeForDisplay(FieldBytes(row, field));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QVariant SpellListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount)
        return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
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

void SpellListModel::Clear() {
    beginResetModel();
    rows_ = {};
    text_ = {};
    endResetModel();
    pending_.clear();
    pendingText_.clear();
}

void SpellListModel::Reserve(std::size_t rows) {
    // Room for the rows; the texts are usually far below their widths.
    pending_.reserve(std::min<std::size_t>(rows, INT_MAX));
}

bool SpellListModel::AppendRecord(const SpellRecord& record, int64_t recordOffset) {
    if (pending_.size() >= static_cast<std::size_t>(INT_MAX))
        return false;
    Row row{pendingText_.size(), recordOffset, record.nSchoolImage, {}};
    LevelDigits scratch;
    for (int field = 0; field < kFieldCount; ++field) {
        const std::string_view text = RecordFieldView(record, field, scratch);
        row.lengths[static_cast<std::size_t>(field)] = static_cast<uint8_t>(text.size());
        pendingText_.append(text);
    }
    pending_.push_back(row);
    return true;
}

void SpellListModel::FinishLoad() {
    // One stable sort over precomputed keys: equal keys keep file order.
    std::string keys;
    std::vector<std::pair<uint64_t, uint32_t>> keySpans;  // begin, length
    keySpans.reserve(pending_.size());
    for (const Row& row : pending_) {
        uint64_t begin = row.textBegin;
        for (int f = 0; f < keyField_; ++f)
            begin += row.lengths[f];
        const std::size_t before = keys.size();
        AppendSortKey(keys, std::string_view(pendingText_).substr(begin, row.lengths[keyField_]));
        keySpans.emplace_back(before, static_cast<uint32_t>(keys.size() - before));
    }
    const auto key = [&](uint32_t i) {
        return std::string_view(keys).substr(keySpans[i].first, keySpans[i].second);
    };
    std::vector<uint32_t> order(pending_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return key(a) < key(b); });

    std::vector<Row> sorted;
    sorted.reserve(order.size());
    for (const uint32_t i : order)
        sorted.push_back(pending_[i]);

    beginResetModel();
    rows_ = std::move(sorted);
    text_ = std::move(pendingText_);
    endResetModel();
    pending_ = {};
    pendingText_ = {};
}

int64_t SpellListModel::RecordOffset(int row) const {
    if (row < 0 || row >= rowCount())
        return -1;
    return rows_[static_cast<std::size_t>(row)].recordOffset;
}
