// Helpers shared by the expression tests: a value written as one short text
// so whole results compare in one EXPECT_EQ.
#pragma once

#include <string>

#include "dbf/expr/exp_handler.h"
#include "dbf/expr/exp_text.h"
#include "dbf/expr/exp_value.h"

namespace zakaz::dbf::testing {

// Boolean ".T."/".F.", text in apostrophes, numbers as STR would show them
// with up to six decimals (trailing zeros dropped), dates as {YYYYMMDD},
// nothing as "NIL"; the type name follows after a colon unless it is the
// obvious one (Text, Number, Boolean).
inline std::string Show(const TExpValue& value) {
  std::string text;
  switch (value.kind) {
    case TExpValueKind::kNothing:
      text = "NIL";
      break;
    case TExpValueKind::kBoolean:
      text = value.boolean ? ".T." : ".F.";
      break;
    case TExpValueKind::kText:
      text = "'" + std::string(value.text) + "'";
      break;
    case TExpValueKind::kFloat:
      if (value.type == TExpValueType::kDate) {
        text = "{" + FormatExpDateStamp(static_cast<long>(value.number)) + "}";
        break;
      }
      text = FormatExpNumber(value.number, 40, 6);
      text.erase(0, text.find_first_not_of(' '));
      if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
      }
      break;
  }
  const bool obvious = value.type == TExpValueType::kText || value.type == TExpValueType::kNumber ||
                       value.type == TExpValueType::kBoolean ||
                       value.type == TExpValueType::kDate || value.kind == TExpValueKind::kNothing;
  if (!obvious) text += ":" + std::string(ExpValueTypeName(value.type));
  return text;
}

inline std::string Eval(TExpHandler& handler, const std::string& text) {
  handler.Compile(text);
  return Show(handler.Evaluate());
}

}  // namespace zakaz::dbf::testing
