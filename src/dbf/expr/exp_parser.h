// The tokenizer and tree builder of the filter expression language, used by
// TExpHandler::Compile. Internal to the language.
#pragma once

#include <cstdint>
#include <string_view>

#include "dbf/expr/exp_nodes.h"
#include "dbf/expr/exp_text.h"

namespace zakaz::dbf {

class TExpUserLink;

struct TExpParseContext {
  TExpUserLink* link = nullptr;  // may be null
  TExpCompareOptions options;    // copied into every operator
  std::string_view whole_text;   // as handed to Compile, for messages
  int32_t operand_count = 0;     // grows with every operand compiled
};

// Tokenizes and builds `text` (a whole expression or a sub-expression of
// it); null for a text with no tokens. Throws EExpressionError.
TExpNodePtr ParseExpression(std::string_view text, TExpParseContext& context, int depth = 0);

}  // namespace zakaz::dbf
