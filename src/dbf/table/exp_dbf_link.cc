#include "dbf/table/exp_dbf_link.h"

#include "dbf/expr/exp_text.h"
#include "dbf/table/dbf_columns.h"

namespace zakaz::dbf {

TExpDbfLink::TExpDbfLink(TDbfColumns& table) : table_(table), alias_(OemUpperText(table.Alias())) {}

// A walk through the descriptors rather than a sorted index: a link is made
// for every filter, its lookups come from compiling the text, and price lists
// have a dozen columns.
int TExpDbfLink::FindName(std::string_view upper_name) const {
  for (const TDbfDescriptor& column : table_.Descriptors()) {
    std::string_view name = column.name;
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (name.size() != upper_name.size()) continue;
    size_t i = 0;
    while (i < name.size() && OemUpper(static_cast<unsigned char>(name[i])) ==
                                  static_cast<unsigned char>(upper_name[i])) {
      ++i;
    }
    if (i == name.size()) return column.number;
  }
  return 0;
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
