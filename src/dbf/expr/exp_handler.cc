#include "dbf/expr/exp_handler.h"

#include <utility>

#include "dbf/expr/exp_link.h"
#include "dbf/expr/exp_nodes.h"
#include "dbf/expr/exp_parser.h"

namespace zakaz::dbf {

TExpHandler::TExpHandler(TExpUserLink* link, char many_wildcard, char one_wildcard)
    : link_(link), many_wildcard_(many_wildcard), one_wildcard_(one_wildcard) {}

TExpHandler::TExpHandler(std::unique_ptr<TExpUserLink> link, char many_wildcard, char one_wildcard)
    : owned_link_(std::move(link)),
      link_(owned_link_.get()),
      many_wildcard_(many_wildcard),
      one_wildcard_(one_wildcard) {}

TExpHandler::~TExpHandler() = default;

void TExpHandler::Compile(std::string_view text) {
  root_.reset();
  operand_count_ = 0;
  result_type_ = TExpValueType::kUnknown;
  if (text.empty()) return;
  TExpParseContext context;
  context.link = link_;
  context.options = {case_insensitive_, partial_compare_, many_wildcard_, one_wildcard_};
  context.whole_text = text;
  // A rejected text leaves neither a tree nor a count of its operands, so no
  // caller can take the remains for a compiled expression.
  root_ = ParseExpression(text, context);
  operand_count_ = context.operand_count;
}

TExpValue TExpHandler::Evaluate() {
  if (!root_) {
    result_type_ = TExpValueType::kUnknown;
    return TExpValue::Nothing();
  }
  const TExpValue value = root_->Evaluate();
  result_type_ = value.type;
  return value;
}

std::string TExpHandler::TreeText() const {
  std::string text;
  if (root_) root_->Dump(text);
  return text;
}

}  // namespace zakaz::dbf
