#include "dbf/expr/exp_value.h"

namespace zakaz::dbf {

std::string_view ExpValueTypeName(int type) {
  static constexpr std::string_view kNames[] = {"Unknown", "Empty",   "Any",    "Text",
                                                "Number",  "Integer", "Date",   "DateTime",
                                                "Boolean", "Memo",    "Pointer"};
  if (type < 0 || type >= static_cast<int>(std::size(kNames))) return "Invalid Value";
  return kNames[type];
}

}  // namespace zakaz::dbf
