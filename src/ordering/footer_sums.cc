#include "ordering/footer_sums.h"

#include <stdexcept>
#include <utility>

#include "common/currency.h"
#include "dbf/dataset/dataset_view.h"
#include "dbf/dataset/table_dataset.h"

namespace zakaz {

FooterSums::FooterSums(std::vector<GridColumn> columns, std::vector<int> field_index)
    : columns_(std::move(columns)), field_index_(std::move(field_index)) {
  if (field_index_.size() != columns_.size())
    throw std::invalid_argument("FooterSums: one field index per column");
  for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
    if (columns_[c].footer == GridColumn::Footer::kSum) sum_columns_.push_back(c);
  }
  sums_.assign(sum_columns_.size(), 0);
}

std::vector<int32_t> FooterSums::SummedFields() const {
  std::vector<int32_t> fields;
  for (int column : sum_columns_) {
    if (field_index_[column] >= 0) fields.push_back(field_index_[column]);
  }
  return fields;
}

void FooterSums::SetTotals(const std::vector<int64_t>& totals) {
  size_t next = 0;
  for (size_t i = 0; i < sum_columns_.size(); ++i) {
    sums_[i] = field_index_[sum_columns_[i]] >= 0 && next < totals.size() ? totals[next++] : 0;
  }
}

void FooterSums::Clear() { sums_.assign(sum_columns_.size(), 0); }

bool FooterSums::SumShownRows(dbf::TTableDataSet& dataset) {
  Clear();
  const std::vector<int32_t> fields = SummedFields();
  if (fields.empty()) return true;
  try {
    SetTotals(dataset.SumVisible(fields));
    return true;
  } catch (const std::exception&) {
    Clear();
    return false;
  }
}

FooterSums::Share FooterSums::ShareOf(const dbf::TRecordValues& values) const {
  Share share(sum_columns_.size(), 0);
  for (size_t i = 0; i < sum_columns_.size(); ++i) {
    const int field = field_index_[sum_columns_[i]];
    if (field < 0 || field >= static_cast<int>(values.values.size())) continue;
    share[i] = ToCurrencyUnits(values.values[static_cast<size_t>(field)].number);
  }
  return share;
}

void FooterSums::Replace(const Share& before, const Share& after) {
  Adjust(before, -1);
  Adjust(after, +1);
}

void FooterSums::Adjust(const Share& share, int sign) {
  for (size_t i = 0; i < sums_.size() && i < share.size(); ++i) sums_[i] += sign * share[i];
}

bool FooterSums::IsSum(int column) const {
  return column >= 0 && column < static_cast<int>(columns_.size()) &&
         columns_[column].footer == GridColumn::Footer::kSum;
}

std::string FooterSums::Text(int column) const {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return {};
  const GridColumn& shown = columns_[column];
  if (shown.footer == GridColumn::Footer::kText) return shown.footer_text;
  for (size_t i = 0; i < sum_columns_.size(); ++i) {
    if (sum_columns_[i] == column) return FooterSumText(shown, sums_[i]);
  }
  return {};
}

}  // namespace zakaz
