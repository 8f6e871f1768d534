// FooterSums: the footer of a grid's column list, as the screen and the
// paper both show it. Each summed column adds its field's value of every
// counted row in the program's currency arithmetic (common/currency.h); a
// column with a fixed footer text shows that text. The screen keeps one
// instance up to date as rows are posted (a row's share taken away before
// the edit, added back after); the print makes the same pass in its walk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ordering/grid_columns.h"

namespace zakaz {

namespace dbf {
class TTableDataSet;
struct TRecordValues;
}  // namespace dbf

class FooterSums {
 public:
  // `field_index` gives, per column, the field's place in a record's values
  // (-1 when the table lacks it); both lists must have the same length.
  FooterSums(std::vector<GridColumn> columns, std::vector<int> field_index);

  // The fields of the summed columns that the table has, in column order:
  // what a pass over the rows must add up (SetTotals takes its result).
  std::vector<int32_t> SummedFields() const;
  void SetTotals(const std::vector<int64_t>& totals_of_summed_fields);
  void Clear();
  // Sums the dataset's shown rows in one pass. A record that cannot be read
  // stops it, and every sum then reads zero rather than a part of the rows:
  // false.
  bool SumShownRows(dbf::TTableDataSet& dataset);

  // What one row adds to each summed column (units of 1/10000).
  using Share = std::vector<int64_t>;
  Share ShareOf(const dbf::TRecordValues& values) const;
  Share NoShare() const { return Share(sums_.size(), 0); }
  void Add(const Share& share) { Adjust(share, +1); }
  void Subtract(const Share& share) { Adjust(share, -1); }
  // Replaces a row's earlier share by its new one.
  void Replace(const Share& before, const Share& after);

  // The footer text of `column`: its fixed text, its sum in the column's
  // format, or empty (UTF-8).
  std::string Text(int column) const;
  bool IsSum(int column) const;

 private:
  void Adjust(const Share& share, int sign);

  std::vector<GridColumn> columns_;
  std::vector<int> field_index_;
  std::vector<int> sum_columns_;
  std::vector<int64_t> sums_;  // per sum column
};

}  // namespace zakaz
