// The nodes of a compiled filter expression. A TExpHandler owns the root; each
// node owns its operands through unique_ptr, so the tree lives and dies with
// the handler. Nodes keep small buffers of their own for texts they make
// (joined texts, upper-cased copies, function results): a value a node returns
// may point into them until that node is evaluated again.
//
// Internal to the expression language: the handler, its parser and the
// functions use these; nobody else needs to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/expr/exp_text.h"
#include "dbf/expr/exp_value.h"

namespace zakaz::dbf {

class TExpUserLink;
struct TExpFunctionDef;

enum class TExpNodeKind {
  kOperator,
  kFieldVar,
  kFunction,
  kContainer,
  kTextLit,
  kNumLit,
  kDateLit,
  kBlnLit
};

class TExpBaseObject {
 public:
  explicit TExpBaseObject(TExpNodeKind kind) : kind_(kind) {}
  virtual ~TExpBaseObject() = default;
  TExpBaseObject(const TExpBaseObject&) = delete;
  TExpBaseObject& operator=(const TExpBaseObject&) = delete;

  TExpNodeKind Kind() const { return kind_; }
  // The type of the last value this node gave (or its fixed type).
  TExpValueType Type() const { return type_; }
  int Width() const { return width_; }
  // Nesting depth of the subtree: 1 for a leaf.
  int Depth() const { return depth_; }

  virtual TExpValue Evaluate() = 0;
  // Appends a one-line picture of the subtree, for tests and diagnostics.
  virtual void Dump(std::string& out) const = 0;

 protected:
  TExpValue Typed(TExpValue value) {
    type_ = value.type;
    return value;
  }

  TExpNodeKind kind_;
  TExpValueType type_ = TExpValueType::kUnknown;
  int width_ = 0;
  int depth_ = 1;
};

using TExpNodePtr = std::unique_ptr<TExpBaseObject>;

enum class TExpOperation {
  kPower,
  kMultiply,
  kDivide,
  kAdd,
  kSubtract,
  kEqual,
  kNotEqual,
  kGreater,
  kLess,
  kGreaterEqual,
  kLessEqual,
  kContained,
  kExactlyEqual,
  kNot,
  kAnd,
  kOr,
};

// "^", "*", "/", "+", "-", "=", "#", ">", "<", ">=", "<=", "in string",
// "exactly equal", ".NOT.", ".AND.", ".OR.".
std::string_view ExpOperationDisplayName(TExpOperation op);
// 2 (binds tightest) to 8.
int ExpOperationPriority(TExpOperation op);

class TExpOperator : public TExpBaseObject {
 public:
  TExpOperator(TExpOperation op, const TExpCompareOptions& options);

  TExpOperation Operation() const { return op_; }
  int Priority() const { return priority_; }
  // Gives the operator its operands (either may be null: evaluation reports
  // the missing one).
  void SetOperands(TExpNodePtr left, TExpNodePtr right);

  TExpValue Evaluate() override;
  void Dump(std::string& out) const override;

 private:
  TExpValue EvaluateBoolean(const TExpValue& left, const TExpValue& right);
  TExpValue EvaluateNumeric(const TExpValue& left, const TExpValue& right);
  TExpValue EvaluateText(const TExpValue& left, const TExpValue& right);
  [[noreturn]] void FailUnsupported(bool arithmetic_word) const;

  TExpOperation op_;
  int priority_;
  TExpNodePtr left_;
  TExpNodePtr right_;
  TExpCompareOptions options_;
  std::string result_;
  std::string left_buffer_;
  std::string right_buffer_;
};

// A global variable (TRUE, FALSE, PI) or a column of the linked table.
class TExpFieldVar : public TExpBaseObject {
 public:
  // A global variable with a fixed value.
  TExpFieldVar(std::string_view name, TExpValue value);
  // A column: its number and type letter in the link.
  TExpFieldVar(std::string_view name, TExpUserLink* link, int column);

  TExpValue Evaluate() override;
  void Dump(std::string& out) const override;

 private:
  std::string name_;
  TExpValue fixed_;
  TExpUserLink* link_ = nullptr;
  int column_ = 0;
  char column_type_ = 0;
};

class TExpFunction;

// What a function body sees: its arguments, evaluated on first request, and a
// buffer for a text result.
class TExpFunctionCall {
 public:
  explicit TExpFunctionCall(TExpFunction& node) : node_(node) {}

  int Count() const;
  std::string_view Name() const;
  TExpUserLink* Link() const;
  // The argument's value, evaluated once per call.
  const TExpValue& Value(int index);
  // Typed argument reads; a missing value fails with "A value is required
  // for %s", another type with "%s needed for Argument %d of %s".
  std::string_view Text(int index);
  double Number(int index);
  long Date(int index);
  bool Boolean(int index);
  // A whole number argument, clamped into [low, high] beyond which the
  // function gives the same result anyway.
  long Whole(int index, long low, long high);
  std::string& Result();

  [[noreturn]] void FailRule(std::string_view rule) const;
  [[noreturn]] void FailSameType() const;
  [[noreturn]] void FailType(int index, TExpValueType wanted) const;

 private:
  TExpFunction& node_;
};

class TExpFunction : public TExpBaseObject {
 public:
  TExpFunction(const TExpFunctionDef& def, TExpUserLink* link, std::vector<TExpNodePtr> args);

  TExpValue Evaluate() override;
  void Dump(std::string& out) const override;

 private:
  friend class TExpFunctionCall;

  const TExpFunctionDef& def_;
  TExpUserLink* link_;
  std::vector<TExpNodePtr> args_;
  std::vector<TExpValue> values_;
  std::vector<char> evaluated_;
  std::string result_;
};

class TExpContainer : public TExpBaseObject {
 public:
  explicit TExpContainer(TExpNodePtr root);
  TExpValue Evaluate() override;
  void Dump(std::string& out) const override;

 private:
  TExpNodePtr root_;
};

class TExpTextLit : public TExpBaseObject {
 public:
  explicit TExpTextLit(std::string_view text);
  TExpValue Evaluate() override;
  void Dump(std::string& out) const override;

 private:
  std::string text_;
};

class TExpNumLit : public TExpBaseObject {
 public:
  explicit TExpNumLit(std::string_view text);
  TExpValue Evaluate() override;
  void Dump(std::string& out) const override;

 private:
  std::string text_;
  double value_ = 0;
};

class TExpDateLit : public TExpBaseObject {
 public:
  explicit TExpDateLit(std::string_view text);
  TExpValue Evaluate() override;
  void Dump(std::string& out) const override;

 private:
  long julian_day_ = 0;
};

class TExpBlnLit : public TExpBaseObject {
 public:
  explicit TExpBlnLit(bool value);
  TExpValue Evaluate() override;
  void Dump(std::string& out) const override;

 private:
  bool value_;
};

}  // namespace zakaz::dbf
