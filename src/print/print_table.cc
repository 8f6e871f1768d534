#include "print/print_table.h"

#include <string>
#include <unordered_map>

#include "dbf/dataset/table_dataset.h"
#include "ordering/footer_sums.h"

namespace zakaz {
namespace {

// Suspends the views and puts the cursor back on the remembered row on every
// way out, so a failed walk leaves the grid as it was.
class WalkGuard {
 public:
  explicit WalkGuard(dbf::TTableDataSet& dataset)
      : dataset_(dataset), pause_(dataset), had_row_(!dataset.IsEmpty()) {
    if (had_row_) mark_ = dataset_.GetBookmark();
  }
  ~WalkGuard() {
    try {
      if (had_row_) dataset_.GotoBookmark(mark_);
    } catch (const std::exception&) {
      // The row went away meanwhile; the cursor stays where the walk ended.
    }
  }
  WalkGuard(const WalkGuard&) = delete;
  WalkGuard& operator=(const WalkGuard&) = delete;

 private:
  dbf::TTableDataSet& dataset_;
  dbf::TControlsPause pause_;
  bool had_row_;
  dbf::TBookmark mark_{};
};

// The pen of a row's text; invalid for black.
QColor PenColour(RowColour colour) {
  if (colour == RowColour::kRed) return QColor(Qt::red);
  if (colour == RowColour::kBlue) return QColor(Qt::blue);
  return QColor();
}

// One copy of each text a column repeats from row to row (its maker, its
// VAT rate, its pack), shared by the rows that show it. A column whose first
// rows mostly differ (the names) is not looked up at all.
class SharedTexts {
 public:
  QString Text(const std::string& utf8) {
    if (!sharing_) return QString::fromStdString(utf8);
    ++asked_;
    const auto known = texts_.find(utf8);
    if (known != texts_.end()) {
      ++found_;
      return known->second;
    }
    QString text = QString::fromStdString(utf8);
    if (asked_ >= kTrial && found_ < asked_ / 2) {
      sharing_ = false;
      texts_.clear();
    } else {
      texts_.emplace(utf8, text);
    }
    return text;
  }

 private:
  static constexpr int kTrial = 256;
  std::unordered_map<std::string, QString> texts_;
  int asked_ = 0;
  int found_ = 0;
  bool sharing_ = true;
};

}  // namespace

PrintTable CollectPrintTable(dbf::TTableDataSet& dataset, const std::vector<GridColumn>& columns,
                             const RowColourRule& cell_colour, const QString& title) {
  PrintTable table;
  table.title = title;
  std::vector<int> fields;
  for (const GridColumn& column : columns) {
    if (!column.visible) continue;
    table.columns.push_back(column);
    fields.push_back(dataset.FieldIndex(column.field));
  }
  const size_t count = table.columns.size();
  FooterSums sums(table.columns, fields);

  std::vector<SharedTexts> texts(count);
  {
    WalkGuard guard(dataset);
    for (dataset.First(); !dataset.Eof(); dataset.Next()) {
      dbf::TRecordValues values;
      try {
        values = dataset.PeekRecord(dataset.RecNo());
      } catch (const std::exception&) {
        // The grid shows such a record as an empty row; so does the paper.
        table.unreadable = true;
      }
      PrintRow row;
      row.cells.reserve(count);
      for (size_t c = 0; c < count; ++c) {
        const int field = fields[c];
        if (field < 0 || field >= static_cast<int>(values.values.size())) {
          row.cells.emplace_back();
          continue;
        }
        const dbf::TFieldValue& value = values.values[static_cast<size_t>(field)];
        row.cells.push_back(texts[c].Text(GridCellText(table.columns[c], value)));
      }
      if (cell_colour && !values.values.empty()) row.colour = PenColour(cell_colour(values));
      table.rows.push_back(std::move(row));
    }
  }

  // The same pass the grid's footer makes, so the paper sums what the
  // screen sums.
  if (!sums.SumShownRows(dataset)) table.unreadable = true;
  table.footer.resize(count);
  for (size_t c = 0; c < count; ++c)
    table.footer[c] = QString::fromStdString(sums.Text(static_cast<int>(c)));
  return table;
}

}  // namespace zakaz
