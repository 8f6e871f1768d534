#include "grid/data_set_model.h"

#include <QFont>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include "common/code_page.h"
#include "common/formats.h"
#include "dbf/dataset/table_dataset.h"
#include "grid/qt_columns.h"
#include "ordering/order_entry.h"

namespace zakaz {
namespace {

// Records kept converted at once; a screenful is a few dozen, so this holds
// several screens while bounding memory on long scrolls.
constexpr size_t kCacheLimit = 1024;

QString FromTableText(const std::string& text) {
  return QString::fromStdString(Cp1251ToUtf8(text));
}

// Marks the delivery of one notice of the dataset, during which nothing
// may move it.
class NoticeScope {
 public:
  explicit NoticeScope(int& depth) : depth_(depth) { ++depth_; }
  ~NoticeScope() { --depth_; }
  NoticeScope(const NoticeScope&) = delete;
  NoticeScope& operator=(const NoticeScope&) = delete;

 private:
  int& depth_;
};

dbf::TBookmark BookmarkOf(int32_t recno) {
  dbf::TBookmark mark{};
  std::snprintf(mark.data(), mark.size(), "%10d", static_cast<int>(recno));
  return mark;
}

}  // namespace

DataSetModel::DataSetModel(dbf::TTableDataSet& dataset, std::vector<GridColumn> columns,
                           QObject* parent)
    : QAbstractTableModel(parent),
      dataset_(dataset),
      columns_(std::move(columns)),
      field_index_(columns_.size(), -1),
      footer_(columns_, field_index_) {
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
  return RowOfRecord(recno);
}

void DataSetModel::MoveToRow(int row) {
  if (notice_depth_ > 0) return;
  if (row < 0 || row >= row_count_ || row == CurrentRow()) return;
  dataset_.GotoBookmark(BookmarkOf(RecordAt(row)));
}

// The dataset's list changes before it tells its views, so between the
// model's begin and end of a row change the model still presents the list
// as it was, one row shifted.
int32_t DataSetModel::RecordAt(int row) const {
  if (row < 0 || row >= row_count_) return 0;
  const dbf::TVisibleRows& rows = dataset_.VisibleRows();
  if (shift_.kind == Shift::kRemoving) {
    if (row == shift_.row) return shift_.recno;
    return rows.RecordAt(row < shift_.row ? row : row - 1);
  }
  if (shift_.kind == Shift::kInserting) return rows.RecordAt(row < shift_.row ? row : row + 1);
  return rows.RecordAt(row);
}

int DataSetModel::RowOfRecord(int32_t recno) const {
  const int row = dataset_.VisibleRows().RowOf(recno);
  if (shift_.kind == Shift::kRemoving) {
    if (recno == shift_.recno) return shift_.row;
    return row >= shift_.row ? row + 1 : row;
  }
  if (shift_.kind == Shift::kInserting) {
    if (recno == shift_.recno) return -1;
    return row > shift_.row ? row - 1 : row;
  }
  return row;
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

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= static_cast<int>(columns_.size())) return {};
  const GridColumn& column = columns_[index.column()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
      const dbf::TRecordValues* values = Values(index.row());
      const int field = field_index_[index.column()];
      if (values == nullptr || field < 0 || field >= static_cast<int>(values->values.size()))
        return {};
      if (role == Qt::DisplayRole) return ToQString(GridCellText(column, values->values[field]));
      // The editor starts from the plain value, not the display format.
      if (column.edit == GridColumn::Edit::kQuantity) {
        return QString::number(std::llround(values->values[field].number));
      }
      return FromTableText(values->values[field].text);
    }
    case Qt::ForegroundRole: {
      if (!row_colour_) return {};
      const dbf::TRecordValues* values = Values(index.row());
      if (values == nullptr) return {};
      const QColor colour = QtColour(row_colour_(*values));
      return colour.isValid() ? QVariant(colour) : QVariant();
    }
    case Qt::BackgroundRole:
      return column.background ? QVariant(QtColour(column.background)) : QVariant();
    case Qt::TextAlignmentRole:
      return QVariant(static_cast<int>(QtAlignment(column.alignment)));
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
    if (role == Qt::DisplayRole)
      return section == CurrentRow() ? QStringLiteral("\u25B6") : QString();
    return {};
  }
  if (section < 0 || section >= static_cast<int>(columns_.size())) return {};
  const GridColumn& column = columns_[section];
  switch (role) {
    case Qt::DisplayRole:
      return ToQString(column.title);
    case Qt::TextAlignmentRole:
      return QVariant(static_cast<int>(QtAlignment(column.title_alignment)));
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
  const Qt::ItemFlags shown = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  const GridColumn& column = columns_[index.column()];
  const int field = field_index_[index.column()];
  // A read-only table (archived orders, waybills) offers no editor at all.
  if (column.edit == GridColumn::Edit::kNone || field < 0 || !dataset_.CanModify()) return shown;
  const dbf::TField& f = dataset_.Fields(field);
  if (f.ReadOnly() || f.Calculated()) return shown;
  return shown | Qt::ItemIsEditable;
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
    return false;
  if (index.row() != CurrentRow()) MoveToRow(index.row());
  if (index.row() != CurrentRow()) return false;
  return Report(
      [&] { Commit(columns_[index.column()], field_index_[index.column()], value.toString()); });
}

void DataSetModel::Commit(const GridColumn& column, int field, const QString& text) {
  // An empty row window would make Edit start an insert.
  if (dataset_.IsEmpty()) return;
  dbf::TField& target = dataset_.Fields(field);
  if (column.edit == GridColumn::Edit::kQuantity) {
    const dbf::TField* limit = dataset_.FindField(column.limit_field);
    const int32_t stored =
        DBGridColumns7UpdateData(text.toStdString(), limit != nullptr ? limit->AsInteger() : 0);
    dataset_.Edit();
    target.SetAsInteger(stored);
  } else {
    const std::string entry = Utf8ToCp1251(text.toStdString());
    dataset_.Edit();
    target.SetAsString(entry);
  }
}

bool DataSetModel::Report(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& e) {
    if (error_handler_) error_handler_(e.what());
    return false;
  }
}

int32_t DataSetModel::LimitAt(int row, int column) const {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return 0;
  const dbf::TRecordValues* values = Values(row);
  const int32_t limit = dataset_.FieldIndex(columns_[column].limit_field);
  if (values == nullptr || limit < 0 || limit >= static_cast<int32_t>(values->values.size()))
    return 0;
  return static_cast<int32_t>(std::llround(values->values[static_cast<size_t>(limit)].number));
}

bool DataSetModel::StoreAndPost(int column, int32_t value) {
  if (column < 0 || column >= static_cast<int>(columns_.size()) || field_index_[column] < 0)
    return false;
  return Report([&] {
    if (!dataset_.Active() || dataset_.IsEmpty()) return;
    dataset_.Edit();
    dataset_.Fields(field_index_[column]).SetAsInteger(value);
    dataset_.Post();
  });
}

bool DataSetModel::PostRow() {
  return Report([&] {
    const dbf::TDataSetState state = dataset_.State();
    if (state == dbf::TDataSetState::dsEdit || state == dbf::TDataSetState::dsInsert)
      dataset_.Post();
  });
}

void DataSetModel::MoveToRecordOrNear(int32_t recno, int near_row) {
  if (!dataset_.Active() || row_count_ == 0) return;
  int row = recno > 0 ? RowOfRecord(recno) : -1;
  if (row < 0) row = std::clamp(near_row, 0, row_count_ - 1);
  MoveToRow(row);
}

int DataSetModel::FindPrefix(int column, const QString& text) {
  if (column < 0 || column >= static_cast<int>(columns_.size()) || !dataset_.Active()) return -1;
  const int field = field_index_[column];
  if (field < 0) return -1;
  int found = -1;
  Report([&] { found = dataset_.FindVisiblePrefix(field, Utf8ToCp1251(text.toStdString())); });
  return found;
}

void DataSetModel::BindColumns() {
  for (size_t c = 0; c < columns_.size(); ++c)
    field_index_[c] = dataset_.FieldIndex(columns_[c].field);
  footer_ = FooterSums(columns_, field_index_);
}

void DataSetModel::VisibleRowsReset() {
  NoticeScope notice(notice_depth_);
  beginResetModel();
  cache_.clear();
  footer_valid_ = false;
  BindColumns();
  row_count_ = dataset_.Active() ? dataset_.VisibleRows().Count() : 0;
  last_current_row_ = -2;
  endResetModel();
  emit FooterChanged();
  EmitCurrentRow();
}

void DataSetModel::VisibleRowInserted(int32_t row, int32_t recno) {
  NoticeScope notice(notice_depth_);
  shift_ = {Shift::kInserting, row, recno};
  beginInsertRows(QModelIndex(), row, row);
  ForgetRecord(recno);
  ++row_count_;
  shift_ = {};
  endInsertRows();
}

void DataSetModel::VisibleRowRemoved(int32_t row, int32_t recno) {
  NoticeScope notice(notice_depth_);
  shift_ = {Shift::kRemoving, row, recno};
  beginRemoveRows(QModelIndex(), row, row);
  ForgetRecord(recno);
  --row_count_;
  shift_ = {};
  endRemoveRows();
  // The cursor may stay on a row that left the shown rows; its row number
  // is then none, and the next row it reaches is announced even when that
  // row now has the same number.
  if (CurrentRow() < 0) last_current_row_ = -1;
}

void DataSetModel::RecordWritten(int32_t recno) {
  NoticeScope notice(notice_depth_);
  ForgetRecord(recno);
  if (!dataset_.Active()) return;
  const int row = RowOfRecord(recno);
  if (row >= 0) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
  if (!footer_valid_) return;
  const bool ours =
      pending_ == Pending::kInsert || (pending_ == Pending::kEdit && recno == pending_recno_);
  if (!ours) {
    // Written by no edit this model followed: the sums are made again.
    footer_valid_ = false;
    emit FooterChanged();
    return;
  }
  pending_recno_ = recno;
  const FooterSums::Share now = row >= 0 ? ShareOf(recno) : footer_.NoShare();
  footer_.Replace(pending_share_, now);
  pending_share_ = now;
  emit FooterChanged();
}

void DataSetModel::FieldChanged(const dbf::TField&) {
  NoticeScope notice(notice_depth_);
  if (dataset_.WindowRowCount() == 0) return;
  const int32_t recno = dataset_.WindowRecNo(dataset_.ActiveWindowRow());
  ForgetRecord(recno);
  const int row = RowOfRecord(recno);
  if (row < 0) return;
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
  // The sums show what is being typed, before it is posted.
  if (footer_valid_ && pending_ == Pending::kEdit && recno == pending_recno_) {
    const FooterSums::Share now = ShareOf(recno);
    footer_.Replace(pending_share_, now);
    pending_share_ = now;
    emit FooterChanged();
  }
}

void DataSetModel::DataSetChanged() {
  NoticeScope notice(notice_depth_);
  cache_.clear();
  if (row_count_ > 0) emit dataChanged(index(0, 0), index(row_count_ - 1, columnCount() - 1));
  EmitCurrentRow();
}

void DataSetModel::DataSetScrolled(int32_t) {
  NoticeScope notice(notice_depth_);
  EmitCurrentRow();
}

void DataSetModel::StateChanged() {
  NoticeScope notice(notice_depth_);
  const bool rows = dataset_.Active() && dataset_.WindowRowCount() > 0;
  const int32_t recno = rows ? dataset_.WindowRecNo(dataset_.ActiveWindowRow()) : 0;
  // Leaving the edit state (Cancel) brings back the stored values.
  if (recno > 0) ForgetRecord(recno);
  const dbf::TDataSetState state = dataset_.State();
  const FooterSums::Share none = footer_.NoShare();
  if (state == dbf::TDataSetState::dsEdit || state == dbf::TDataSetState::dsInsert) {
    pending_ = state == dbf::TDataSetState::dsEdit ? Pending::kEdit : Pending::kInsert;
    pending_recno_ = pending_ == Pending::kEdit ? recno : 0;
    const bool visible = pending_recno_ > 0 && RowOfRecord(pending_recno_) >= 0;
    pending_share_ = footer_valid_ && visible ? ShareOf(pending_recno_) : none;
    return;
  }
  if (pending_ != Pending::kNone && footer_valid_ && dataset_.Active()) {
    // A cancelled edit gives back what the row had added before it.
    const bool visible = pending_recno_ > 0 && RowOfRecord(pending_recno_) >= 0;
    const FooterSums::Share now = visible ? ShareOf(pending_recno_) : none;
    if (now != pending_share_) {
      footer_.Replace(pending_share_, now);
      emit FooterChanged();
    }
  }
  pending_ = Pending::kNone;
  pending_recno_ = 0;
}

void DataSetModel::ForgetRecord(int32_t recno) { cache_.erase(recno); }

void DataSetModel::EmitCurrentRow() {
  const int row = CurrentRow();
  if (row == last_current_row_) return;
  const int old_row = last_current_row_;
  last_current_row_ = row;
  if (old_row >= 0 && old_row < row_count_) emit headerDataChanged(Qt::Vertical, old_row, old_row);
  // An opening announces its rows after its window: until then the row is
  // not one of the model's.
  if (row >= row_count_) return;
  if (row >= 0) emit headerDataChanged(Qt::Vertical, row, row);
  emit CurrentRowChanged(row);
}

FooterSums::Share DataSetModel::ShareOf(int32_t recno) {
  try {
    return footer_.ShareOf(dataset_.PeekRecord(recno));
  } catch (const std::exception&) {
    return footer_.NoShare();  // an unreadable record adds nothing, as it shows nothing
  }
}

void DataSetModel::ComputeFooter() {
  footer_valid_ = true;
  footer_.Clear();
  if (!dataset_.Active()) return;
  footer_.SumShownRows(dataset_);
  // A row being edited was counted with its unposted values.
  if (pending_ == Pending::kEdit && pending_recno_ > 0 && RowOfRecord(pending_recno_) >= 0) {
    pending_share_ = ShareOf(pending_recno_);
  } else {
    pending_share_ = footer_.NoShare();
  }
}

void DataSetModel::RequestFooter() {
  if (footer_valid_ || footer_requested_) return;
  footer_requested_ = true;
  QTimer::singleShot(0, this, [this] {
    footer_requested_ = false;
    if (footer_valid_) return;
    ComputeFooter();
    emit FooterChanged();
    // Still idle after the sums are shown: the search's index, so that the
    // first key typed finds it ready.
    QTimer::singleShot(0, this, [this] {
      for (size_t c = 0; c < columns_.size(); ++c) {
        if (columns_[c].incremental_search && dataset_.Active())
          dataset_.PrepareSearch(field_index_[c]);
      }
    });
  });
}

QString DataSetModel::FooterText(int column) {
  if (footer_.IsSum(column) && !footer_valid_) ComputeFooter();
  return ToQString(footer_.Text(column));
}

}  // namespace zakaz
