// Values of the filter expression language: the value types with the names
// failure messages give them, and TExpValue, the result of evaluating a node.
//
// A TExpValue does not own its text: the view points into the record buffer
// (a C column), into a literal of the compiled tree, or into a buffer of the
// node that produced it. It stays valid until the handler is evaluated or
// compiled again, the record buffer changes, or the handler is destroyed;
// copy the text out to keep it longer.
#pragma once

#include <string_view>

namespace zakaz::dbf {

// Numbered as the language numbers them; the numbers show in no message but
// fix the order.
enum class TExpValueType : int {
  kUnknown = 0,
  kEmpty = 1,
  kAny = 2,
  kText = 3,
  kNumber = 4,
  kInteger = 5,
  kDate = 6,
  kDateTime = 7,
  kBoolean = 8,
  kMemo = 9,
  kPointer = 10,
};

// "Unknown", "Empty", "Any", "Text", "Number", "Integer", "Date", "DateTime",
// "Boolean", "Memo", "Pointer"; any other number gives "Invalid Value".
std::string_view ExpValueTypeName(int type);
inline std::string_view ExpValueTypeName(TExpValueType type) {
  return ExpValueTypeName(static_cast<int>(type));
}

// Number, Integer, Date and DateTime compare and combine with one another.
inline bool IsNumericFamily(TExpValueType type) {
  return type == TExpValueType::kNumber || type == TExpValueType::kInteger ||
         type == TExpValueType::kDate || type == TExpValueType::kDateTime;
}

// The variant a value is held in.
enum class TExpValueKind { kNothing, kText, kFloat, kBoolean };

struct TExpValue {
  TExpValueType type = TExpValueType::kUnknown;
  TExpValueKind kind = TExpValueKind::kNothing;
  std::string_view text;  // kText
  double number = 0;      // kFloat: numbers, whole numbers, Julian day numbers
  bool boolean = false;   // kBoolean

  static TExpValue Nothing() { return {}; }
  static TExpValue Text(std::string_view value, TExpValueType type = TExpValueType::kText) {
    TExpValue v;
    v.type = type;
    v.kind = TExpValueKind::kText;
    v.text = value;
    return v;
  }
  static TExpValue Number(double value, TExpValueType type = TExpValueType::kNumber) {
    TExpValue v;
    v.type = type;
    v.kind = TExpValueKind::kFloat;
    v.number = value;
    return v;
  }
  static TExpValue Boolean(bool value) {
    TExpValue v;
    v.type = TExpValueType::kBoolean;
    v.kind = TExpValueKind::kBoolean;
    v.boolean = value;
    return v;
  }
};

}  // namespace zakaz::dbf
