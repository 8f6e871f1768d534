#include "ordering/data_set_model.h"

#include <QFont>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <exception>

#include "common/formats.h"
#include "common/code_page.h"
#include "dbf/dataset/table_dataset.h"

namespace zakaz {
namespace {

// Records kept converted at once; a screenful is a few dozen, so this holds
// several screens while bounding memory on long scrolls.
constexpr size_t kCacheLimit = 1024;

QString FromTableText(const std::string& text) {
  return QString::fromStdString(Cp1251ToUtf8(text));
}

long long ToUnits(double value) { return std::isfinite(value) ? std::llround(value * 10000.0) : 0; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

dbf::TBookmark BookmarkOf(int32_t recno) {
  dbf::TBookmark mark{};
  std::snprintf(mark.data(), mark.size(), "%10d", static_cast<int>(recno));
  return mark;
}

}  // namespace

DataSetModel::DataSetModel(dbf::TTableDataSet& dataset, std::vector<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), dataset_(dataset), columns_(std::move(columns)) {
  for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
    if (columns_[c].footer == GridColumn::Footer::kSum) sum_columns_.push_back(c);
  }
  sums_.assign(sum_columns_.size(), 0);
  dataset_.AttachView(this);
  VisibleRowsReset();
}

DataSetModel::~DataSetModel() { dataset_.DetachView(this); }

void DataSetModel::SetWindowRows(int rows) {
  rows = std::max(rows, 1);
  if (rows == window_rows_) return;
  window_rows_ = rows;
  dataset_.UpdateWindowCapacity();
}

int DataSetModel::CurrentRow() const {
  if (!dataset_.Active() || dataset_.WindowRowCount() == 0) return -1;
  const int32_t recno = dataset_.WindowRecNo(dataset_.ActiveWindowRow());
  return dataset_.VisibleRows().RowOf(recno);
}

void DataSetModel::MoveToRow(int row) {
  if (row < 0 || row >= row_count_ || row == CurrentRow()) return;
  dataset_.GotoBookmark(BookmarkOf(RecordAt(row)));
}

int32_t DataSetModel::RecordAt(int row) const {
  // The dataset tells of a row it has already inserted or removed; between
  // begin and end of the announcement the views must still see the rows as
  // they were.
  if (pending_.kind != PendingRow::kNone && row >= pending_.row) {
    if (pending_.kind == PendingRow::kRemoved) {
      if (row == pending_.row) return pending_.recno;
      --row;
    } else {
      ++row;
    }
  }
  return dataset_.VisibleRows().RecordAt(row);
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : row_count_;
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

const dbf::TRecordValues* DataSetModel::Values(int row) const {
  if (row < 0 || row >= row_count_ || !dataset_.Active()) return nullptr;
  const int32_t recno = RecordAt(row);
  auto it = cache_.find(recno);
  if (it != cache_.end()) return &it->second;
  if (cache_.size() >= kCacheLimit) cache_.clear();
  dbf::TRecordValues values;
  try {
    values = dataset_.PeekRecord(recno);
  } catch (const std::exception&) {
    // A record that cannot be read (a damaged file) shows as an empty row
    // rather than an error box on every paint; operations that move to it
    // report the failure.
    values.recno = recno;
  }
  return &cache_.emplace(recno, std::move(values)).first->second;
}

QString DataSetModel::CellText(const GridColumn& column, const dbf::TFieldValue& value) const {
  switch (column.format) {
    case GridColumn::Format::kQuantity:
      return QString::fromStdString(FormatQuantity(std::llround(value.number)));
    case GridColumn::Format::kGeneralNumber:
      return QString::fromStdString(FormatFloat(value.number));
    case GridColumn::Format::kPlain:
      break;
  }
  return FromTableText(value.text);
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= static_cast<int>(columns_.size())) return {};
  const GridColumn& column = columns_[index.column()];
  switch (role) {
    case Qt::DisplayRole: {
      const dbf::TRecordValues* values = Values(index.row());
      const int field = field_index_[index.column()];
      if (values == nullptr || field < 0 || field >= static_cast<int>(values->values.size())) return {};
      return CellText(column, values->values[field]);
    }
    case Qt::ForegroundRole: {
      if (!row_colour_) return {};
      const dbf::TRecordValues* values = Values(index.row());
      if (values == nullptr) return {};
      const QColor colour = row_colour_(*values);
      return colour.isValid() ? QVariant(colour) : QVariant();
    }
    case Qt::BackgroundRole:
      return column.background.isValid() ? QVariant(column.background) : QVariant();
    case Qt::TextAlignmentRole:
      return QVariant(static_cast<int>(column.alignment));
    case Qt::FontRole:
      if (column.font_points > 0) {
        QFont font;
        font.setPointSize(column.font_points);
        return font;
      }
      return {};
    default:
      return {};
  }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) {
    // The row indicator: a mark on the current row, no row numbers.
    if (role == Qt::DisplayRole) return section == CurrentRow() ? QStringLiteral("\u25B6") : QString();
    return {};
  }
  if (section < 0 || section >= static_cast<int>(columns_.size())) return {};
  const GridColumn& column = columns_[section];
  switch (role) {
    case Qt::DisplayRole:
      return column.title;
    case Qt::TextAlignmentRole:
      return QVariant(static_cast<int>(column.title_alignment));
    case Qt::FontRole:
      if (column.title_font_points > 0) {
        QFont font;
        font.setPointSize(column.title_font_points);
        return font;
      }
      return {};
    default:
      return {};
  }
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // Read-only for now: quantities are typed with the order entry rules.
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void DataSetModel::BindColumns() {
  field_index_.assign(columns_.size(), -1);
  for (size_t c = 0; c < columns_.size(); ++c) {
    for (int32_t f = 0; f < dataset_.FieldCount(); ++f) {
      if (SameName(dataset_.Fields(f).FieldName(), columns_[c].field)) {
        field_index_[c] = f;
        break;
      }
    }
  }
}

void DataSetModel::VisibleRowsReset() {
  beginResetModel();
  cache_.clear();
  shares_.clear();
  footer_valid_ = false;
  BindColumns();
  row_count_ = dataset_.Active() ? dataset_.VisibleRows().Count() : 0;
  last_current_row_ = -2;
  endResetModel();
  emit FooterChanged();
  EmitCurrentRow();
}

void DataSetModel::VisibleRowInserted(int32_t row, int32_t recno) {
  pending_ = {PendingRow::kInserted, row, recno};
  beginInsertRows(QModelIndex(), row, row);
  pending_ = {};
  ForgetRecord(recno);
  ++row_count_;
  endInsertRows();
  if (footer_valid_) {
    AddToFooter(recno, +1);
    emit FooterChanged();
  }
}

void DataSetModel::VisibleRowRemoved(int32_t row, int32_t recno) {
  pending_ = {PendingRow::kRemoved, row, recno};
  beginRemoveRows(QModelIndex(), row, row);
  pending_ = {};
  ForgetRecord(recno);
  --row_count_;
  endRemoveRows();
  if (footer_valid_) {
    AddToFooter(recno, -1);
    emit FooterChanged();
  }
}

void DataSetModel::RecordWritten(int32_t recno) { RecordChanged(recno); }

void DataSetModel::FieldChanged(const dbf::TField&) {
  if (dataset_.WindowRowCount() == 0) return;
  RecordChanged(dataset_.WindowRecNo(dataset_.ActiveWindowRow()));
}

void DataSetModel::RecordChanged(int32_t recno) {
  ForgetRecord(recno);
  if (!dataset_.Active()) return;
  const int row = dataset_.VisibleRows().RowOf(recno);
  if (row < 0) return;
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
  if (footer_valid_) {
    AddToFooter(recno, -1);
    AddToFooter(recno, +1);
    emit FooterChanged();
  }
}

void DataSetModel::DataSetChanged() {
  cache_.clear();
  if (row_count_ > 0) emit dataChanged(index(0, 0), index(row_count_ - 1, columnCount() - 1));
  EmitCurrentRow();
}

void DataSetModel::DataSetScrolled(int32_t) { EmitCurrentRow(); }

void DataSetModel::StateChanged() {
  // Leaving the edit state (Cancel) brings back the stored values.
  if (dataset_.Active() && dataset_.WindowRowCount() > 0) {
    ForgetRecord(dataset_.WindowRecNo(dataset_.ActiveWindowRow()));
  }
}

void DataSetModel::ForgetRecord(int32_t recno) { cache_.erase(recno); }

void DataSetModel::EmitCurrentRow() {
  const int row = CurrentRow();
  if (row == last_current_row_) return;
  const int old_row = last_current_row_;
  last_current_row_ = row;
  if (old_row >= 0 && old_row < row_count_) emit headerDataChanged(Qt::Vertical, old_row, old_row);
  if (row >= 0 && row < row_count_) emit headerDataChanged(Qt::Vertical, row, row);
  emit CurrentRowChanged(row);
}

void DataSetModel::AddToFooter(int32_t recno, int sign) {
  if (sum_columns_.empty()) return;
  if (sign < 0) {
    auto it = shares_.find(recno);
    if (it == shares_.end()) return;
    for (size_t i = 0; i < sum_columns_.size(); ++i) sums_[i] -= it->second[i];
    shares_.erase(it);
    return;
  }
  if (dataset_.VisibleRows().RowOf(recno) < 0) return;
  dbf::TRecordValues values;
  try {
    values = dataset_.PeekRecord(recno);
  } catch (const std::exception&) {
    return;  // an unreadable record adds nothing, as it shows nothing
  }
  std::vector<long long> share(sum_columns_.size(), 0);
  bool any = false;
  for (size_t i = 0; i < sum_columns_.size(); ++i) {
    const int field = field_index_[sum_columns_[i]];
    if (field < 0 || field >= static_cast<int>(values.values.size())) continue;
    share[i] = ToUnits(values.values[field].number);
    sums_[i] += share[i];
    any = any || share[i] != 0;
  }
  // Only rows that add something are remembered, so the memory follows the
  // size of the order, not of the price list.
  if (any) shares_[recno] = std::move(share);
}

void DataSetModel::ComputeFooter() {
  footer_valid_ = true;
  shares_.clear();
  sums_.assign(sum_columns_.size(), 0);
  if (!dataset_.Active() || sum_columns_.empty()) return;
  const dbf::TVisibleRows& rows = dataset_.VisibleRows();
  for (int32_t r = 0; r < rows.Count(); ++r) AddToFooter(rows.RecordAt(r), +1);
}

void DataSetModel::RequestFooter() {
  if (footer_valid_ || footer_requested_) return;
  footer_requested_ = true;
  QTimer::singleShot(0, this, [this] {
    footer_requested_ = false;
    if (footer_valid_) return;
    ComputeFooter();
    emit FooterChanged();
  });
}

QString DataSetModel::FooterText(int column) {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return {};
  const GridColumn& spec = columns_[column];
  if (spec.footer == GridColumn::Footer::kText) return spec.footer_text;
  if (spec.footer != GridColumn::Footer::kSum) return {};
  if (!footer_valid_) ComputeFooter();
  for (size_t i = 0; i < sum_columns_.size(); ++i) {
    if (sum_columns_[i] != column) continue;
    const double sum = static_cast<double>(sums_[i]) / 10000.0;
    if (spec.format == GridColumn::Format::kQuantity) {
      return QString::fromStdString(FormatQuantity(std::llround(sum)));
    }
    return QString::fromStdString(FormatFloat(sum));
  }
  return {};
}

}  // namespace zakaz
