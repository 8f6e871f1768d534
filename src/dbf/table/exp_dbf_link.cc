#include "dbf/table/exp_dbf_link.h"

#include <algorithm>

#include "dbf/expr/exp_text.h"
#include "dbf/table/dbf_columns.h"

namespace zakaz::dbf {

TExpDbfLink::TExpDbfLink(TDbfColumns& table) : table_(table), alias_(OemUpperText(table.Alias())) {
  registry_.reserve(table.Descriptors().size());
  for (const TDbfDescriptor& column : table.Descriptors()) {
    std::string name = OemUpperText(column.name);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    registry_.emplace_back(std::move(name), column.number);
  }
  // The first column of a name keeps it, as the engine's own lookup does:
  // among namesakes the lowest number sorts first and survives the unique.
  std::sort(registry_.begin(), registry_.end());
  registry_.erase(std::unique(registry_.begin(), registry_.end(),
                              [](const auto& a, const auto& b) { return a.first == b.first; }),
                  registry_.end());
}

int TExpDbfLink::FindName(std::string_view upper_name) const {
  const auto at = std::lower_bound(
      registry_.begin(), registry_.end(), upper_name,
      [](const std::pair<std::string, int>& entry, std::string_view k) { return entry.first < k; });
  return at != registry_.end() && at->first == upper_name ? at->second : 0;
}

int TExpDbfLink::FindColumn(std::string_view upper_name) const {
  const int plain = FindName(upper_name);
  int qualified = 0;
  if (upper_name.size() > alias_.size() && upper_name.starts_with(alias_) &&
      upper_name[alias_.size()] == '.') {
    qualified = FindName(upper_name.substr(alias_.size() + 1));
  }
  // A text that is both a column's name and another's qualified name (a
  // column called PRICE.QUANT) means the column that comes first, its plain
  // name before its qualified one.
  if (plain == 0) return qualified;
  return qualified == 0 || plain <= qualified ? plain : qualified;
}

int TExpDbfLink::ColumnCount() const { return table_.FieldCount(); }

char TExpDbfLink::ColumnType(int column) const { return table_.FieldType(column); }

int TExpDbfLink::ColumnWidth(int column) const { return table_.FieldWidth(column); }

std::string_view TExpDbfLink::ColumnName(int column) const {
  if (column < 1 || column > table_.FieldCount()) return {};
  return table_.Descriptors()[static_cast<size_t>(column - 1)].name;
}

std::string_view TExpDbfLink::ColumnBytes(int column) const { return table_.GetTextView(column); }

double TExpDbfLink::ColumnNumber(int column) { return table_.GetNumber(column); }

bool TExpDbfLink::ColumnLogical(int column) { return table_.GetLogical(column); }

long TExpDbfLink::ColumnDate(int column) { return table_.GetDate(column); }

long TExpDbfLink::RecordNumber() const { return table_.CurrentRecord(); }

bool TExpDbfLink::RecordDeleted() const { return table_.CurrentDeleted(); }

bool TExpDbfLink::AtBof() const { return table_.AtBOF(); }

bool TExpDbfLink::AtEof() const { return table_.AtEOF(); }

}  // namespace zakaz::dbf
