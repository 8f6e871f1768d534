#include "dbf/expr/exp_parser.h"

#include <algorithm>
#include <cmath>
#include <list>
#include <numbers>
#include <string>
#include <vector>

#include "common/ascii_text.h"
#include "common/format_message.h"
#include "dbf/base/errors.h"
#include "dbf/expr/exp_functions.h"
#include "dbf/expr/exp_link.h"
#include "dbf/expr/expression_messages.h"

namespace zakaz::dbf {

namespace {

// Nesting of sub-expressions, arguments and operators beyond which a text is
// refused: evaluation walks the tree recursively, and the stack must hold.
constexpr int kMaxDepth = 500;

enum class TokenKind {
  kNot,
  kOperator,
  kSubExpression,
  kFunction,
  kName,
  kText,
  kDate,
  kNumber,
  kBoolean
};

struct Token {
  TokenKind kind;
  std::string text;        // sub-expression, argument list, literal, name as written
  std::string upper_name;  // kFunction
  TExpOperation op = TExpOperation::kEqual;
  bool boolean = false;
  int column = 0;      // kName: a column of the link, or 0 for a variable
  TExpValue variable;  // kName with column 0
  int position = 0;
};

struct Spelling {
  std::string_view text;
  TExpOperation op;
};

constexpr Spelling kSymbols[] = {
    {"^", TExpOperation::kPower},         {"**", TExpOperation::kPower},
    {"*", TExpOperation::kMultiply},      {"/", TExpOperation::kDivide},
    {"+", TExpOperation::kAdd},           {"-", TExpOperation::kSubtract},
    {"=", TExpOperation::kEqual},         {"#", TExpOperation::kNotEqual},
    {"<>", TExpOperation::kNotEqual},     {"!=", TExpOperation::kNotEqual},
    {">", TExpOperation::kGreater},       {"<", TExpOperation::kLess},
    {">=", TExpOperation::kGreaterEqual}, {"=>", TExpOperation::kGreaterEqual},
    {"<=", TExpOperation::kLessEqual},    {"=<", TExpOperation::kLessEqual},
    {"$", TExpOperation::kContained},     {"==", TExpOperation::kExactlyEqual},
};

constexpr Spelling kWords[] = {
    {"AND", TExpOperation::kAnd},         {"OR", TExpOperation::kOr},
    {"EQ", TExpOperation::kEqual},        {"NE", TExpOperation::kNotEqual},
    {"GT", TExpOperation::kGreater},      {"LT", TExpOperation::kLess},
    {"GE", TExpOperation::kGreaterEqual}, {"LE", TExpOperation::kLessEqual},
};

bool IsNameChar(char c) { return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_'; }

// The global variable registry.
bool FindVariable(std::string_view upper_name, TExpValue& value) {
  if (upper_name == "TRUE") {
    value = TExpValue::Boolean(true);
  } else if (upper_name == "FALSE") {
    value = TExpValue::Boolean(false);
  } else if (upper_name == "PI") {
    value = TExpValue::Number(std::numbers::pi);
  } else {
    return false;
  }
  return true;
}

class Tokenizer {
 public:
  Tokenizer(std::string_view text, TExpParseContext& context) : rest_(text), context_(context) {}

  std::vector<Token> Run() {
    rest_ = TrimSpaceOrControl(rest_);
    bool operand = true;
    while (!rest_.empty()) {
      if (operand) {
        operand = ReadOperand();
      } else {
        ReadOperator();
        operand = true;
      }
      rest_ = TrimStartSpaceOrControl(rest_);
    }
    return std::move(tokens_);
  }

 private:
  [[noreturn]] void Fail(std::string message, std::string_view at) const {
    throw EExpressionError(message, Position(at));
  }
  [[noreturn]] void SyntaxError() const {
    Fail(FormatMessage(kExpSyntaxError, {context_.whole_text}), rest_);
  }

  // Position (from 1) of `at` in the text handed to Compile, 0 when `at`
  // lies in a text made while tokenizing.
  int Position(std::string_view at) const {
    const char* begin = context_.whole_text.data();
    const char* end = begin + context_.whole_text.size();
    if (at.data() < begin || at.data() > end) return 0;
    return static_cast<int>(at.data() - begin) + 1;
  }

  Token& Add(TokenKind kind, std::string_view at) {
    tokens_.push_back(Token{kind, {}, {}, TExpOperation::kEqual, false, 0, {}, Position(at)});
    return tokens_.back();
  }

  // Length of a NOT at the start of the text (NOT, .NOT., .NOT, NOT. or !)
  // that has more text after it; 0 when there is none.
  size_t NotLength() const {
    size_t length = 0;
    if (rest_.front() == '!') {
      length = 1;
    } else {
      size_t pos = rest_.front() == '.' ? 1 : 0;
      if (!StartsWithIgnoringAsciiCase(rest_.substr(pos), "NOT")) return 0;
      pos += 3;
      if (pos < rest_.size() && rest_[pos] == '.') {
        ++pos;
      } else if (pos < rest_.size() && IsNameChar(rest_[pos])) {
        return 0;  // a longer name such as NOTE
      }
      length = pos;
    }
    return TrimStartSpaceOrControl(rest_.substr(length)).empty() ? 0 : length;
  }

  // Returns whether an operand is still expected.
  bool ReadOperand() {
    if (const size_t length = NotLength(); length > 0) {
      if (tokens_.empty()) {
        Add(TokenKind::kNot, rest_);
        rest_.remove_prefix(length);
        return true;
      }
      // A NOT inside an expression takes everything up to the end of the
      // enclosing parentheses as its sub-expression, so that it binds by its
      // own priority there.
      made_.push_back("(" + std::string(rest_) + ")");
      rest_ = made_.back();
    }
    const char first = rest_.front();
    if (first == '(') {
      ReadParenthesised();
    } else if (first == '.') {
      ReadBoolean();
    } else if (IsAsciiLetter(first) || first == '_') {
      ReadName();
    } else if (first == '\'' || first == '"' || first == '[' || first == '{') {
      ReadLiteral();
    } else if (first == '+' || first == '-' || IsAsciiDigit(first)) {
      size_t end = 1;
      while (end < rest_.size() && (IsAsciiDigit(rest_[end]) || rest_[end] == '.')) ++end;
      Add(TokenKind::kNumber, rest_).text = rest_.substr(0, end);
      rest_.remove_prefix(end);
    } else {
      SyntaxError();
    }
    return false;
  }

  void ReadParenthesised() {
    int nesting = 0;
    for (size_t i = 0; i < rest_.size(); ++i) {
      if (rest_[i] == '(') {
        ++nesting;
      } else if (rest_[i] == ')' && --nesting == 0) {
        Add(TokenKind::kSubExpression, rest_).text = rest_.substr(1, i - 1);
        rest_.remove_prefix(i + 1);
        return;
      }
    }
    Fail(kExpMissingParenthesis, rest_);
  }

  void ReadBoolean() {
    const size_t close = rest_.find('.', 1);
    if (close == std::string_view::npos) Fail(kExpMissingPeriod, rest_);
    const std::string word = AsciiUpper(rest_.substr(0, close + 1));
    if (word != ".T." && word != ".F.") Fail(kExpExpectingBoolean, rest_);
    Add(TokenKind::kBoolean, rest_).boolean = word == ".T.";
    rest_.remove_prefix(close + 1);
  }

  static size_t NameLength(std::string_view text) {
    size_t end = 0;
    while (end < text.size() && IsNameChar(text[end])) ++end;
    return end;
  }

  void ReadName() {
    const size_t length = NameLength(rest_);
    const std::string_view name = rest_.substr(0, length);
    if (length < rest_.size() && rest_[length] == '(') {
      ReadFunction(name);
      return;
    }
    const std::string upper = AsciiUpper(name);
    TExpUserLink* link = context_.link;

    // A qualified name (alias, full stop or "->", column) is tried first, so
    // that an alias that is also a column name ("PRICE.QUANT" on a table
    // with a PRICE column) still reaches the qualified column.
    std::string_view after = rest_.substr(length);
    size_t separator = 0;
    if (after.substr(0, 2) == "->") {
      separator = 2;
    } else if (!after.empty() && after.front() == '.') {
      separator = 1;
    }
    size_t qualified_length = 0;
    if (separator > 0 && separator < after.size() &&
        (IsAsciiLetter(after[separator]) || after[separator] == '_')) {
      qualified_length = length + separator + NameLength(after.substr(separator));
      if (link != nullptr) {
        const std::string qualified =
            upper + "." +
            AsciiUpper(rest_.substr(length + separator, qualified_length - length - separator));
        if (const int column = link->FindColumn(qualified); column > 0) {
          Token& token = Add(TokenKind::kName, rest_);
          token.text = rest_.substr(0, qualified_length);
          token.column = column;
          rest_.remove_prefix(qualified_length);
          return;
        }
      }
    }

    TExpValue variable;
    int column = 0;
    if (!FindVariable(upper, variable)) {
      if (link == nullptr) Fail(FormatMessage(kExpUnknownVariable, {name}), rest_);
      column = link->FindColumn(upper);
      if (column == 0) {
        const std::string_view written = rest_.substr(0, std::max(length, qualified_length));
        Fail(FormatMessage(kExpNoFunction, {written}), rest_);
      }
    }
    Token& token = Add(TokenKind::kName, rest_);
    token.text = name;
    token.column = column;
    token.variable = variable;
    rest_.remove_prefix(length);
  }

  void ReadFunction(std::string_view name) {
    int nesting = 0;
    for (size_t i = name.size(); i < rest_.size(); ++i) {
      const char c = rest_[i];
      char close = 0;
      if (c == '\'' || c == '"') close = c;
      if (c == '[') close = ']';
      if (c == '{') close = '}';
      if (close != 0) {
        const size_t end = rest_.find(close, i + 1);
        if (end == std::string_view::npos) break;
        i = end;
      } else if (c == '(') {
        ++nesting;
      } else if (c == ')' && --nesting == 0) {
        Token& token = Add(TokenKind::kFunction, rest_);
        token.upper_name = AsciiUpper(name);
        token.text = rest_.substr(name.size() + 1, i - name.size() - 1);
        rest_.remove_prefix(i + 1);
        return;
      }
    }
    Fail(kExpMissingParenthesis, rest_);
  }

  void ReadLiteral() {
    const char open = rest_.front();
    const char close = open == '[' ? ']' : (open == '{' ? '}' : open);
    const size_t end = rest_.find(close, 1);
    if (end == std::string_view::npos) {
      Fail(FormatMessage(kExpMissingLiteralEnd, {std::string_view(&open, 1)}), rest_);
    }
    Add(open == '{' ? TokenKind::kDate : TokenKind::kText, rest_).text = rest_.substr(1, end - 1);
    rest_.remove_prefix(end + 1);
  }

  void ReadOperator() {
    static constexpr std::string_view kFirst = "!#$*+-/<=>^";
    static constexpr std::string_view kRun = "*<=>";
    if (kFirst.find(rest_.front()) != std::string_view::npos) {
      size_t end = 1;
      while (end < rest_.size() && kRun.find(rest_[end]) != std::string_view::npos) ++end;
      const std::string_view spelling = rest_.substr(0, end);
      for (const Spelling& s : kSymbols) {
        if (s.text == spelling && !TrimStartSpaceOrControl(rest_.substr(end)).empty()) {
          Add(TokenKind::kOperator, rest_).op = s.op;
          rest_.remove_prefix(end);
          return;
        }
      }
      SyntaxError();
    }
    size_t pos = rest_.front() == '.' ? 1 : 0;
    const size_t letters_begin = pos;
    while (pos < rest_.size() && IsAsciiLetter(rest_[pos])) ++pos;
    const std::string word = AsciiUpper(rest_.substr(letters_begin, pos - letters_begin));
    if (pos < rest_.size() && rest_[pos] == '.') ++pos;
    for (const Spelling& s : kWords) {
      if (s.text == word && !TrimStartSpaceOrControl(rest_.substr(pos)).empty()) {
        Add(TokenKind::kOperator, rest_).op = s.op;
        rest_.remove_prefix(pos);
        return;
      }
    }
    SyntaxError();
  }

  std::string_view rest_;
  TExpParseContext& context_;
  std::vector<Token> tokens_;
  std::list<std::string> made_;  // texts made by enclosing a NOT; rest_ may point into them
};

// Splits an argument list at the commas outside quotes, brackets, braces and
// parentheses.
std::vector<std::string_view> SplitArguments(std::string_view text) {
  std::vector<std::string_view> args;
  if (TrimSpaceOrControl(text).empty()) return args;
  int nesting = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    char close = 0;
    if (c == '\'' || c == '"') close = c;
    if (c == '[') close = ']';
    if (c == '{') close = '}';
    if (close != 0) {
      const size_t end = text.find(close, i + 1);
      if (end == std::string_view::npos) break;
      i = end;
    } else if (c == '(') {
      ++nesting;
    } else if (c == ')') {
      --nesting;
    } else if (c == ',' && nesting == 0) {
      args.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  args.push_back(text.substr(start));
  return args;
}

void CheckDepth(int depth, int position) {
  if (depth > kMaxDepth) throw EExpressionError(kExpCannotEvaluate, position);
}

TExpNodePtr BuildFunction(const Token& token, TExpParseContext& context, int depth) {
  const TExpFunctionDef* def = GlobalFunctions().Find(token.upper_name);
  if (def == nullptr && context.link != nullptr) def = TableFunctions().Find(token.upper_name);
  if (def == nullptr) {
    throw EExpressionError(FormatMessage(kExpNoFunction, {token.upper_name}), token.position);
  }
  std::vector<TExpNodePtr> args;
  for (const std::string_view arg : SplitArguments(token.text)) {
    args.push_back(ParseExpression(arg, context, depth + 1));
  }
  const int count = static_cast<int>(args.size());
  if (count < def->min_args) {
    throw EExpressionError(FormatMessage(kExpValueMissing, {def->name}), token.position);
  }
  if (def->max_args >= 0 && count > def->max_args) {
    const std::string rule = "at most " + std::to_string(def->max_args) + " arguments";
    throw EExpressionError(FormatMessage(kExpArgumentRule, {def->name, rule}), token.position);
  }
  return std::make_unique<TExpFunction>(*def, context.link, std::move(args));
}

TExpNodePtr BuildNode(const Token& token, TExpParseContext& context, int depth) {
  switch (token.kind) {
    case TokenKind::kNot:
      return std::make_unique<TExpOperator>(TExpOperation::kNot, context.options);
    case TokenKind::kOperator:
      return std::make_unique<TExpOperator>(token.op, context.options);
    case TokenKind::kSubExpression:
      return std::make_unique<TExpContainer>(ParseExpression(token.text, context, depth + 1));
    default:
      break;
  }
  ++context.operand_count;
  switch (token.kind) {
    case TokenKind::kFunction:
      return BuildFunction(token, context, depth);
    case TokenKind::kName:
      if (token.column > 0) {
        return std::make_unique<TExpFieldVar>(token.text, context.link, token.column);
      }
      return std::make_unique<TExpFieldVar>(token.text, token.variable);
    case TokenKind::kText:
      return std::make_unique<TExpTextLit>(token.text);
    case TokenKind::kDate:
      return std::make_unique<TExpDateLit>(token.text);
    case TokenKind::kNumber:
      return std::make_unique<TExpNumLit>(token.text);
    default:
      return std::make_unique<TExpBlnLit>(token.boolean);
  }
}

}  // namespace

TExpNodePtr ParseExpression(std::string_view text, TExpParseContext& context, int depth) {
  CheckDepth(depth, 0);
  const std::vector<Token> tokens = Tokenizer(text, context).Run();

  struct Item {
    TExpNodePtr node;
    TExpOperator* unbound;  // an operator still waiting for its operands
    int position;
  };
  std::vector<Item> items;
  items.reserve(tokens.size());
  for (const Token& token : tokens) {
    TExpNodePtr node = BuildNode(token, context, depth);
    CheckDepth(depth + node->Depth(), token.position);
    TExpOperator* unbound = token.kind == TokenKind::kNot || token.kind == TokenKind::kOperator
                                ? static_cast<TExpOperator*>(node.get())
                                : nullptr;
    items.push_back(Item{std::move(node), unbound, token.position});
  }

  // Operators take their operands one priority after another, and within a
  // priority from left to right: the item before an operator (already bound,
  // when it was an operator of this priority) and the item after it. Each
  // priority is one sweep that moves the items into a new list, so the cost
  // stays linear in the length of the text.
  std::vector<Item> bound;
  bound.reserve(items.size());
  for (int priority = 2; priority <= 8; ++priority) {
    bound.clear();
    for (size_t i = 0; i < items.size(); ++i) {
      Item& item = items[i];
      TExpOperator* op = item.unbound;
      const size_t remaining = items.size() - i;
      if (op == nullptr || op->Priority() != priority || bound.size() + remaining <= 1) {
        bound.push_back(std::move(item));
        continue;
      }
      TExpNodePtr right = i + 1 < items.size() ? std::move(items[i + 1].node) : nullptr;
      if (i + 1 < items.size()) ++i;
      const bool takes_left = op->Operation() != TExpOperation::kNot && !bound.empty();
      TExpNodePtr left = nullptr;
      if (takes_left) {
        left = std::move(bound.back().node);
        bound.pop_back();
      }
      op->SetOperands(std::move(left), std::move(right));
      CheckDepth(depth + op->Depth(), item.position);
      item.unbound = nullptr;
      bound.push_back(std::move(item));
    }
    items.swap(bound);
  }
  if (items.size() > 1) throw EExpressionError(kExpCannotEvaluate, items[1].position);
  if (items.empty()) return nullptr;
  return std::move(items.front().node);
}

}  // namespace zakaz::dbf
