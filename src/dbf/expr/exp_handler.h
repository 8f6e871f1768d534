// TExpHandler: compiles the text of a filter expression into a tree of nodes
// and evaluates that tree against whatever record the linked table's buffer
// holds at the time.
//
// The handler owns its tree. Its link (the table's columns, TExpDbfLink) is
// either owned by it or lent, and then must outlive it; either way the table
// behind the link must outlive the handler (a table object owns its handler,
// so this holds naturally). Set
// SetCaseInsensitive and SetPartialCompare before Compile: the operators copy
// them when they are made. A value returned by Evaluate may point into the
// record buffer or into the tree, so it is valid until the next Evaluate or
// Compile, a change of the record buffer, or the handler's end. Evaluating a
// compiled comparison of a column with a literal allocates nothing.
//
// Failures throw EExpressionError with the language's fixed messages (a
// number column that does not read as a number throws the engine's
// ETableError). A failed Compile leaves no tree and an operand count of 0; a
// failed Evaluate leaves the tree as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "dbf/expr/exp_value.h"

namespace zakaz::dbf {

class TExpBaseObject;
class TExpUserLink;

class TExpHandler {
 public:
  // `link` may be null: only literals, global variables and functions can
  // then be used. The second wildcard pair ("%" and "_") is for callers that
  // ask for it; tables always take "*" and "?".
  explicit TExpHandler(TExpUserLink* link = nullptr, char many_wildcard = '*',
                       char one_wildcard = '?');
  // The same, owning its link (for a table: std::make_unique<TExpDbfLink>).
  explicit TExpHandler(std::unique_ptr<TExpUserLink> link, char many_wildcard = '*',
                       char one_wildcard = '?');
  ~TExpHandler();
  TExpHandler(const TExpHandler&) = delete;
  TExpHandler& operator=(const TExpHandler&) = delete;

  // Discards the current tree, then tokenizes and builds `text`. An empty
  // text leaves no tree. Throws EExpressionError.
  void Compile(std::string_view text);
  // Evaluates the tree on the record in the buffer; with no tree the value
  // is nothing and ResultType Unknown. Throws EExpressionError or
  // ETableError.
  TExpValue Evaluate();
  // The type of the last evaluation's result.
  TExpValueType ResultType() const { return result_type_; }

  bool HasExpression() const { return root_ != nullptr; }
  // Operands compiled by the last Compile: columns, variables, literals and
  // function calls, those in parentheses and arguments included.
  int32_t OperandCount() const { return operand_count_; }

  bool CaseInsensitive() const { return case_insensitive_; }
  void SetCaseInsensitive(bool value) { case_insensitive_ = value; }
  bool PartialCompare() const { return partial_compare_; }
  void SetPartialCompare(bool value) { partial_compare_ = value; }
  char ManyWildcard() const { return many_wildcard_; }
  char OneWildcard() const { return one_wildcard_; }

  // A one-line picture of the compiled tree ("[> QUANT 0]"), for tests and
  // diagnostics; empty with no tree.
  std::string TreeText() const;

 private:
  std::unique_ptr<TExpUserLink> owned_link_;
  TExpUserLink* link_;
  char many_wildcard_;
  char one_wildcard_;
  bool case_insensitive_ = false;
  bool partial_compare_ = true;
  std::unique_ptr<TExpBaseObject> root_;
  int32_t operand_count_ = 0;
  TExpValueType result_type_ = TExpValueType::kUnknown;
};

}  // namespace zakaz::dbf
