#include "dbf/expr/exp_nodes.h"

#include <cmath>
#include <utility>

#include "common/format_message.h"
#include "dbf/base/errors.h"
#include "dbf/expr/exp_functions.h"
#include "dbf/expr/exp_link.h"
#include "dbf/expr/expression_messages.h"

namespace zakaz::dbf {

namespace {

struct OperationInfo {
  std::string_view display_name;
  int priority;
};

constexpr OperationInfo kOperations[] = {
    {"^", 2},
    {"*", 3},
    {"/", 3},
    {"+", 4},
    {"-", 4},
    {"=", 5},
    {"#", 5},
    {">", 5},
    {"<", 5},
    {">=", 5},
    {"<=", 5},
    {"in string", 5},
    {"exactly equal", 5},
    {".NOT.", 6},
    {".AND.", 7},
    {".OR.", 8},
};

bool IsArithmetic(TExpOperation op) {
  return op == TExpOperation::kPower || op == TExpOperation::kMultiply ||
         op == TExpOperation::kDivide || op == TExpOperation::kAdd ||
         op == TExpOperation::kSubtract;
}

bool IsComparison(TExpOperation op) {
  return op >= TExpOperation::kEqual && op <= TExpOperation::kLessEqual;
}

// Maps the sign of a difference or comparison to the six comparisons.
template <typename T>
bool CompareBySign(TExpOperation op, T c) {
  switch (op) {
    case TExpOperation::kEqual:
      return c == 0;
    case TExpOperation::kNotEqual:
      return c != 0;
    case TExpOperation::kGreater:
      return c > 0;
    case TExpOperation::kLess:
      return c < 0;
    case TExpOperation::kGreaterEqual:
      return c >= 0;
    case TExpOperation::kLessEqual:
      return c <= 0;
    default:
      return false;
  }
}

// The left value multiplied by itself as many times as the whole part of the
// right value minus one; a right value below 2 leaves the left value alone.
// Large counts go through pow so a huge exponent cannot stall the scan.
double Power(double base, double exponent) {
  if (!(exponent >= 2)) return base;
  const double count = std::floor(exponent);
  if (count > 64) return std::pow(base, count);
  double result = base;
  for (int i = 1; i < static_cast<int>(count); ++i) result *= base;
  return result;
}

}  // namespace

std::string_view ExpOperationDisplayName(TExpOperation op) {
  return kOperations[static_cast<int>(op)].display_name;
}

int ExpOperationPriority(TExpOperation op) { return kOperations[static_cast<int>(op)].priority; }

TExpOperator::TExpOperator(TExpOperation op, const TExpCompareOptions& options)
    : TExpBaseObject(TExpNodeKind::kOperator),
      op_(op),
      priority_(ExpOperationPriority(op)),
      options_(options) {}

void TExpOperator::SetOperands(TExpNodePtr left, TExpNodePtr right) {
  left_ = std::move(left);
  right_ = std::move(right);
  depth_ = 1 + std::max(left_ ? left_->Depth() : 0, right_ ? right_->Depth() : 0);
}

void TExpOperator::FailUnsupported(bool arithmetic_word) const {
  throw EExpressionError(
      FormatMessage(kExpValueRequired, {arithmetic_word ? kExpWordNumber : kExpWordAssigned}));
}

TExpValue TExpOperator::Evaluate() {
  if (!right_ || (!left_ && op_ != TExpOperation::kNot)) {
    throw EExpressionError(FormatMessage(kExpTargetMissing, {ExpOperationDisplayName(op_)}));
  }
  const TExpValue right = right_->Evaluate();
  const TExpValue left = op_ == TExpOperation::kNot ? right : left_->Evaluate();
  if (left.type != right.type && !(IsNumericFamily(left.type) && IsNumericFamily(right.type))) {
    throw EExpressionError(kExpSidesDoNotMatch);
  }
  if (right.type == TExpValueType::kBoolean) return Typed(EvaluateBoolean(left, right));
  if (IsNumericFamily(right.type)) return Typed(EvaluateNumeric(left, right));
  if (right.type == TExpValueType::kText) return Typed(EvaluateText(left, right));
  FailUnsupported(false);
}

TExpValue TExpOperator::EvaluateBoolean(const TExpValue& left, const TExpValue& right) {
  switch (op_) {
    case TExpOperation::kEqual:
    case TExpOperation::kExactlyEqual:
      return TExpValue::Boolean(left.boolean == right.boolean);
    case TExpOperation::kNotEqual:
      return TExpValue::Boolean(left.boolean != right.boolean);
    case TExpOperation::kAnd:
      return TExpValue::Boolean(left.boolean && right.boolean);
    case TExpOperation::kOr:
      return TExpValue::Boolean(left.boolean || right.boolean);
    case TExpOperation::kNot:
      return TExpValue::Boolean(!right.boolean);
    default:
      FailUnsupported(IsArithmetic(op_));
  }
}

TExpValue TExpOperator::EvaluateNumeric(const TExpValue& left, const TExpValue& right) {
  if (IsComparison(op_)) return TExpValue::Boolean(CompareBySign(op_, left.number - right.number));
  switch (op_) {
    case TExpOperation::kExactlyEqual:
      return TExpValue::Boolean(left.number == right.number);
    case TExpOperation::kAdd:
      return TExpValue::Number(left.number + right.number, right.type);
    case TExpOperation::kSubtract:
      return TExpValue::Number(left.number - right.number, right.type);
    case TExpOperation::kMultiply:
      return TExpValue::Number(left.number * right.number, right.type);
    case TExpOperation::kDivide:
      return TExpValue::Number(left.number / right.number, right.type);
    case TExpOperation::kPower:
      return TExpValue::Number(Power(left.number, right.number), right.type);
    default:
      FailUnsupported(false);
  }
}

TExpValue TExpOperator::EvaluateText(const TExpValue& left, const TExpValue& right) {
  if (IsComparison(op_)) {
    return TExpValue::Boolean(CompareBySign(
        op_, CompareExpTexts(left.text, right.text, options_, left_buffer_, right_buffer_)));
  }
  if ((op_ == TExpOperation::kAdd || op_ == TExpOperation::kSubtract) &&
      left.text.size() + right.text.size() > static_cast<size_t>(kMaxExpText)) {
    throw EExpressionError(kExpCannotEvaluate);
  }
  switch (op_) {
    case TExpOperation::kContained:
      return TExpValue::Boolean(right.text.find(left.text) != std::string_view::npos);
    case TExpOperation::kExactlyEqual:
      return TExpValue::Boolean(left.text == right.text);
    case TExpOperation::kAdd:
      result_.assign(left.text);
      result_.append(right.text);
      return TExpValue::Text(result_, right.type);
    case TExpOperation::kSubtract: {
      std::string_view trimmed = left.text;
      while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
      result_.assign(trimmed);
      result_.append(right.text);
      result_.append(left.text.size() - trimmed.size(), ' ');
      return TExpValue::Text(result_, right.type);
    }
    default:
      FailUnsupported(false);
  }
}

void TExpOperator::Dump(std::string& out) const {
  out += '[';
  out += ExpOperationDisplayName(op_);
  out += ' ';
  if (left_)
    left_->Dump(out);
  else
    out += '_';
  out += ' ';
  if (right_)
    right_->Dump(out);
  else
    out += '_';
  out += ']';
}

TExpFieldVar::TExpFieldVar(std::string_view name, TExpValue value)
    : TExpBaseObject(TExpNodeKind::kFieldVar), name_(name), fixed_(value) {
  type_ = value.type;
}

TExpFieldVar::TExpFieldVar(std::string_view name, TExpUserLink* link, int column)
    : TExpBaseObject(TExpNodeKind::kFieldVar),
      name_(name),
      link_(link),
      column_(column),
      column_type_(link->ColumnType(column)) {
  width_ = link->ColumnWidth(column);
}

TExpValue TExpFieldVar::Evaluate() {
  if (!link_) return Typed(fixed_);
  switch (column_type_) {
    case 'C':
    case 'M':
      // No memo files are kept, so a memo column gives what it stores.
      return Typed(TExpValue::Text(link_->ColumnBytes(column_)));
    case 'N':
    case 'F':
      return Typed(TExpValue::Number(link_->ColumnNumber(column_)));
    case 'D':
      return Typed(
          TExpValue::Number(static_cast<double>(link_->ColumnDate(column_)), TExpValueType::kDate));
    case 'L':
      return Typed(TExpValue::Boolean(link_->ColumnLogical(column_)));
    default:
      return Typed(TExpValue::Text(link_->ColumnBytes(column_), TExpValueType::kMemo));
  }
}

void TExpFieldVar::Dump(std::string& out) const { out += name_; }

int TExpFunctionCall::Count() const { return static_cast<int>(node_.args_.size()); }

std::string_view TExpFunctionCall::Name() const { return node_.def_.name; }

TExpUserLink* TExpFunctionCall::Link() const { return node_.link_; }

std::string& TExpFunctionCall::Result() { return node_.result_; }

const TExpValue& TExpFunctionCall::Value(int index) {
  static const TExpValue kNothing;
  if (index < 0 || index >= Count()) return kNothing;
  const size_t i = static_cast<size_t>(index);
  if (!node_.evaluated_[i]) {
    node_.values_[i] = node_.args_[i] ? node_.args_[i]->Evaluate() : TExpValue::Nothing();
    node_.evaluated_[i] = 1;
  }
  return node_.values_[i];
}

void TExpFunctionCall::FailRule(std::string_view rule) const {
  throw EExpressionError(FormatMessage(kExpArgumentRule, {Name(), rule}));
}

void TExpFunctionCall::FailSameType() const {
  throw EExpressionError(FormatMessage(kExpSameType, {Name()}));
}

void TExpFunctionCall::FailType(int index, TExpValueType wanted) const {
  throw EExpressionError(FormatMessage(
      kExpArgumentType, {ExpValueTypeName(wanted), static_cast<long long>(index + 1), Name()}));
}

namespace {

const TExpValue& Require(TExpFunctionCall& call, int index) {
  const TExpValue& value = call.Value(index);
  if (value.kind == TExpValueKind::kNothing && value.type == TExpValueType::kUnknown) {
    throw EExpressionError(FormatMessage(kExpValueMissing, {call.Name()}));
  }
  return value;
}

}  // namespace

std::string_view TExpFunctionCall::Text(int index) {
  const TExpValue& value = Require(*this, index);
  if (value.type != TExpValueType::kText && value.type != TExpValueType::kMemo) {
    FailType(index, TExpValueType::kText);
  }
  return value.text;
}

double TExpFunctionCall::Number(int index) {
  const TExpValue& value = Require(*this, index);
  if (value.type != TExpValueType::kNumber && value.type != TExpValueType::kInteger) {
    FailType(index, TExpValueType::kNumber);
  }
  return value.number;
}

long TExpFunctionCall::Date(int index) {
  const TExpValue& value = Require(*this, index);
  if (value.type != TExpValueType::kDate && value.type != TExpValueType::kDateTime) {
    FailType(index, TExpValueType::kDate);
  }
  if (!(value.number > 0) || value.number > 1e8) return 0;
  return static_cast<long>(value.number);
}

bool TExpFunctionCall::Boolean(int index) {
  const TExpValue& value = Require(*this, index);
  if (value.type != TExpValueType::kBoolean) FailType(index, TExpValueType::kBoolean);
  return value.boolean;
}

long TExpFunctionCall::Whole(int index, long low, long high) {
  const double value = std::trunc(Number(index));
  if (!(value >= static_cast<double>(low))) return low;  // NaN too
  if (value > static_cast<double>(high)) return high;
  return static_cast<long>(value);
}

TExpFunction::TExpFunction(const TExpFunctionDef& def, TExpUserLink* link,
                           std::vector<TExpNodePtr> args)
    : TExpBaseObject(TExpNodeKind::kFunction),
      def_(def),
      link_(link),
      args_(std::move(args)),
      values_(args_.size()),
      evaluated_(args_.size(), 0) {
  int deepest = 0;
  for (const auto& arg : args_) {
    if (arg) deepest = std::max(deepest, arg->Depth());
  }
  depth_ = 1 + deepest;
}

TExpValue TExpFunction::Evaluate() {
  std::fill(evaluated_.begin(), evaluated_.end(), 0);
  TExpFunctionCall call(*this);
  return Typed(def_.body(call));
}

void TExpFunction::Dump(std::string& out) const {
  out += def_.name;
  out += '(';
  for (size_t i = 0; i < args_.size(); ++i) {
    if (i > 0) out += ", ";
    if (args_[i])
      args_[i]->Dump(out);
    else
      out += '_';
  }
  out += ')';
}

TExpContainer::TExpContainer(TExpNodePtr root)
    : TExpBaseObject(TExpNodeKind::kContainer), root_(std::move(root)) {
  depth_ = 1 + (root_ ? root_->Depth() : 0);
}

TExpValue TExpContainer::Evaluate() {
  return Typed(root_ ? root_->Evaluate() : TExpValue::Nothing());
}

void TExpContainer::Dump(std::string& out) const {
  out += '(';
  if (root_) root_->Dump(out);
  out += ')';
}

TExpTextLit::TExpTextLit(std::string_view text)
    : TExpBaseObject(TExpNodeKind::kTextLit), text_(text) {
  type_ = TExpValueType::kText;
  width_ = static_cast<int>(text_.size());
}

TExpValue TExpTextLit::Evaluate() { return TExpValue::Text(text_); }

void TExpTextLit::Dump(std::string& out) const {
  out += '\'';
  out += text_;
  out += '\'';
}

TExpNumLit::TExpNumLit(std::string_view text) : TExpBaseObject(TExpNodeKind::kNumLit), text_(text) {
  type_ = TExpValueType::kNumber;
  width_ = static_cast<int>(text_.size());
  value_ = ParseExpNumber(text_).value_or(0);
}

TExpValue TExpNumLit::Evaluate() { return TExpValue::Number(value_); }

void TExpNumLit::Dump(std::string& out) const { out += text_; }

TExpDateLit::TExpDateLit(std::string_view text)
    : TExpBaseObject(TExpNodeKind::kDateLit), julian_day_(ParseExpDate(text).value_or(0)) {
  type_ = TExpValueType::kDate;
}

TExpValue TExpDateLit::Evaluate() {
  return TExpValue::Number(static_cast<double>(julian_day_), TExpValueType::kDate);
}

void TExpDateLit::Dump(std::string& out) const {
  out += '{';
  out += FormatExpDateStamp(julian_day_);
  out += '}';
}

TExpBlnLit::TExpBlnLit(bool value) : TExpBaseObject(TExpNodeKind::kBlnLit), value_(value) {
  type_ = TExpValueType::kBoolean;
}

TExpValue TExpBlnLit::Evaluate() { return TExpValue::Boolean(value_); }

void TExpBlnLit::Dump(std::string& out) const { out += value_ ? ".T." : ".F."; }

}  // namespace zakaz::dbf
