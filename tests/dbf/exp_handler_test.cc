// The expression language on its own: literals, operators and their binding,
// text comparison and patterns, and the failure messages, with no table.
#include "dbf/expr/exp_handler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "dbf/base/errors.h"
#include "dbf/expr/exp_nodes.h"
#include "exp_test_util.h"

namespace zakaz::dbf {
namespace {

using testing::Eval;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

struct EvalCase {
  const char* text;
  const char* expected;
};

void ExpectAll(TExpHandler& handler, const EvalCase* begin, const EvalCase* end) {
  for (const EvalCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(c->text);
    EXPECT_EQ(c->expected, Eval(handler, c->text));
  }
}

template <size_t N>
void ExpectAll(TExpHandler& handler, const EvalCase (&cases)[N]) {
  ExpectAll(handler, cases, cases + N);
}

TEST(ExpLanguage, ReadsEveryKindOfLiteral) {
  constexpr EvalCase kCases[] = {
      {"'abc'", "'abc'"},
      {"\"abc\"", "'abc'"},
      {"[a'b]", "'a'b'"},
      {"''", "''"},
      {"12", "12"},
      {"1.50", "1.5"},
      {"-3", "-3"},
      {"+4", "4"},
      {"1.2.3", "0"},
      {"-", "0"},
      {".T.", ".T."},
      {".f.", ".F."},
      {"{20260105}", "{20260105}"},
      {"{5.1.2026}", "{20260105}"},
      {"{ }", "{        }"},
      {"{20261332}", "{18991230}"},
      {"TRUE", ".T."},
      {"false", ".F."},
      {"PI", "3.141593"},
      {"  'pad'  ", "'pad'"},
  };
  TExpHandler handler;
  ExpectAll(handler, kCases);
}

TEST(ExpLanguage, BindsByPriorityThenLeftToRight) {
  constexpr EvalCase kCases[] = {
      {"1 + 2 * 3 = 7", ".T."},
      {"10 - 2 - 3 = 5", ".T."},
      {"(1 + 2) * 3", "9"},
      {"8 / 2 / 2", "2"},
      {"2 * 3 ^ 2", "18"},
      {"2 ** 3", "8"},
      {"2^3", "8"},
      {"2 ^ 2.9", "4"},
      {"2 ^ 1", "2"},
      {"2 ^ 0", "2"},  // a power below 2 leaves the left value
      {"2 ^ -5", "2"},
      {"0.5 ^ 99999999999 = 0", ".T."},  // a huge power is computed, not looped
      {"-1 ^ 99999999999", "-1"},
      {"10-2", "8"},
      {"10 - -2", "12"},
      {".T. .OR. .F. .AND. .F.", ".T."},
      {".F. .AND. .T. .OR. .T.", ".T."},
      {"1 < 2 AND 3 > 4 OR 5 = 5", ".T."},
      {"NOT .T.", ".F."},
      {"!.F.", ".T."},
      {".NOT. 1 > 0", ".F."},
      {".not..T.", ".F."},
      {"NOT NOT .T.", ".T."},
      // NOT inside an expression takes the rest of it: F and ((not T) or T).
      {".F. .AND. .NOT. .T. .OR. .T.", ".F."},
      {".T. .AND. NOT .F.", ".T."},
  };
  TExpHandler handler;
  ExpectAll(handler, kCases);
}

TEST(ExpLanguage, BuildsTheTreeTheRulesDescribe) {
  constexpr EvalCase kCases[] = {
      {"1 + 2 * 3", "[+ 1 [* 2 3]]"},
      {"10 - 2 - 3", "[- [- 10 2] 3]"},
      {"1 > 0 .AND. .NOT. 2 > 10 .OR. 3 > 5",
       "[.AND. [> 1 0] ([.OR. [.NOT. _ [> 2 10]] [> 3 5]])]"},
      {".NOT. 2 > 10 .OR. 3 > 5 .AND. 1 > 0", "[.OR. [.NOT. _ [> 2 10]] [.AND. [> 3 5] [> 1 0]]]"},
      {"ABS(-1) + (2)", "[+ ABS(-1) (2)]"},
      {"'a' $ 'abc' == .T.", "[exactly equal [in string 'a' 'abc'] .T.]"},
      {"1 EQ 1 .and. 2 ne 3 OR 4 gt 5", "[.OR. [.AND. [= 1 1] [# 2 3]] [> 4 5]]"},
  };
  TExpHandler handler;
  for (const EvalCase& c : kCases) {
    SCOPED_TRACE(c.text);
    handler.Compile(c.text);
    EXPECT_EQ(c.expected, handler.TreeText());
  }
}

TEST(ExpLanguage, ComparesWithEverySpelling) {
  constexpr EvalCase kCases[] = {
      {"1 = 1", ".T."},
      {"1 EQ 2", ".F."},
      {"1 # 1", ".F."},
      {"1 <> 2", ".T."},
      {"1 != 2", ".T."},
      {"1 .ne. 1", ".F."},
      {"2 > 1", ".T."},
      {"2 gt 2", ".F."},
      {"1 < 2", ".T."},
      {"2 LT. 1", ".F."},
      {"2 >= 2", ".T."},
      {"2 => 3", ".F."},
      {"2 .GE 1", ".T."},
      {"2 <= 2", ".T."},
      {"3 =< 2", ".F."},
      {"2 le 1", ".F."},
      {".T. = .T.", ".T."},
      {".T. # .F.", ".T."},
      {"{20260102} > {20260101}", ".T."},
      {"{20260105} - {20260101} = 4", ".T."},
      {"{20260101} + 1 > {20260101}", ".T."},
  };
  TExpHandler handler;
  ExpectAll(handler, kCases);
}

TEST(ExpLanguage, ComparesTexts) {
  constexpr EvalCase kCases[] = {
      // Emptiness first: an empty side is smaller than any other text.
      {"'' = 'a'", ".F."},
      {"'' < 'a'", ".T."},
      {"'a' > ''", ".T."},
      {"'' = ''", ".T."},
      {"'  ' = ''", ".F."},
      // Then trailing blanks go.
      {"'abc   ' = 'abc'", ".T."},
      {"'abc' = 'abc  '", ".T."},
      {"'abcd' = 'abc'", ".F."},
      {"'abc' < 'abd'", ".T."},
      {"'ABC' = 'abc'", ".F."},
      // Patterns: the right side beginning or ending with an asterisk.
      {"'xabcx' = '*abc*'", ".T."},
      {"'abc' = '*abc'", ".T."},
      {"'abcx' = 'abc*'", ".T."},
      {"'abc   ' = '*abc*'", ".T."},
      {"'ABC' = '*abc*'", ".F."},
      {"'ab c' = '*abc*'", ".F."},
      {"'anything' = '*'", ".T."},
      {"'   ' = '**'", ".T."},
      {"'x' = '***'", ".F."},  // only one asterisk goes at each end
      {"'a*b' = '*a*b*'", ".T."},
      {"'axb' = '*a*b*'", ".F."},
      {"'abc' = '*a?c*'", ".F."},  // after a leading asterisk "?" is a plain byte
      {"'a?c' = '*a?c*'", ".T."},
      {"'abc' = 'a?c*'", ".T."},
      {"'xabc' = 'a?c*'", ".F."},  // "?" stands for the value's byte at its own position
      {"'abcd' = '?bc*'", ".T."},
      {"'ab' = '*abc*'", ".F."},
      {"'*abc*' = 'xabcx'", ".F."},  // the pattern is always the right side
      {"'abc' # '*b*'", ".F."},
      {"'abc' < '*z*'", ".T."},
      {"'abc' >= '*z*'", ".F."},
      // Containment: bytes as they are.
      {"'abc' $ 'xabcx'", ".T."},
      {"'ABC' $ 'xabcx'", ".F."},
      {"'abc ' $ 'abc'", ".F."},
      {"'' $ 'abc'", ".T."},
      // Joining.
      {"'ab' + 'cd'", "'abcd'"},
      {"'' + 'x'", "'x'"},
      {"'ab  ' - 'cd'", "'abcd  '"},
      {"'ab' - 'cd  '", "'abcd  '"},
      // Exact equality: whole bytes, blanks and letter case count.
      {"'abc' == 'abc'", ".T."},
      {"'abc ' == 'abc'", ".F."},
      {"'xabcx' == '*abc*'", ".F."},
      {"1 == 1.0", ".T."},
      {".F. == .F.", ".T."},
  };
  TExpHandler handler;
  ExpectAll(handler, kCases);
}

TEST(ExpLanguage, HonoursTheCompareOptionsTakenAtCompileTime) {
  TExpHandler handler;
  handler.SetCaseInsensitive(true);
  EXPECT_EQ(".T.", Eval(handler, "'abc' = 'ABC'"));
  EXPECT_EQ(".T.", Eval(handler, "'xABCx' = '*abc*'"));
  // Cyrillic letters of the stored code page: small a (0xA0) and capital A (0x80).
  EXPECT_EQ(".T.", Eval(handler, "'\xA0\xE0' = '\x80\x90'"));
  handler.SetCaseInsensitive(false);
  handler.SetPartialCompare(false);
  EXPECT_EQ(".F.", Eval(handler, "'xabcx' = '*abc*'"));
  EXPECT_EQ(".T.", Eval(handler, "'*abc*' = '*abc*'"));
  // Operators keep the options they were made with.
  handler.Compile("'xabcx' = '*abc*'");
  handler.SetPartialCompare(true);
  EXPECT_EQ(".F.", testing::Show(handler.Evaluate()));

  TExpHandler percent(nullptr, '%', '_');
  EXPECT_EQ(".T.", Eval(percent, "'xabcx' = '%abc%'"));
  EXPECT_EQ(".T.", Eval(percent, "'abc' = 'a_c%'"));
  EXPECT_EQ(".F.", Eval(percent, "'xabcx' = '*abc*'"));
}

TEST(ExpLanguage, KeepsTheResultTypeAndOperandCount) {
  TExpHandler handler;
  handler.Compile("1 + (2 * 3)");
  EXPECT_EQ(3, handler.OperandCount());
  EXPECT_EQ(TExpValueType::kUnknown, handler.ResultType());
  handler.Evaluate();
  EXPECT_EQ(TExpValueType::kNumber, handler.ResultType());

  handler.Compile("ABS(-1) > 0");
  EXPECT_EQ(3, handler.OperandCount());
  handler.Evaluate();
  EXPECT_EQ(TExpValueType::kBoolean, handler.ResultType());

  handler.Compile("");
  EXPECT_FALSE(handler.HasExpression());
  EXPECT_EQ(0, handler.OperandCount());
  EXPECT_EQ(TExpValueKind::kNothing, handler.Evaluate().kind);
  EXPECT_EQ(TExpValueType::kUnknown, handler.ResultType());

  handler.Compile("()");
  EXPECT_TRUE(handler.HasExpression());
  EXPECT_EQ(0, handler.OperandCount());
  EXPECT_EQ("NIL", testing::Show(handler.Evaluate()));
}

TEST(ExpLanguage, ARejectedTextLeavesNoTree) {
  TExpHandler handler;
  handler.Compile("1 = 1");
  EXPECT_THROW(handler.Compile("1 = 1 .AND. NOSUCH(2)"), EExpressionError);
  EXPECT_FALSE(handler.HasExpression());
  EXPECT_EQ(0, handler.OperandCount());
  EXPECT_EQ(TExpValueKind::kNothing, handler.Evaluate().kind);

  // A failed evaluation keeps the tree.
  handler.Compile("1 > 'x'");
  EXPECT_THROW(handler.Evaluate(), EExpressionError);
  EXPECT_TRUE(handler.HasExpression());
}

struct ErrorCase {
  const char* text;
  const char* message;
};

TEST(ExpLanguage, ReportsEachFailureWithItsMessage) {
  constexpr ErrorCase kCases[] = {
      {"1 >", "Syntax Error in expression \"1 >\""},
      {"1 +   ", "Syntax Error in expression \"1 +   \""},
      {"1 2", "Syntax Error in expression \"1 2\""},
      {"1 = = 2", "Syntax Error in expression \"1 = = 2\""},
      {"1 =* 2", "Syntax Error in expression \"1 =* 2\""},
      {"1 ANDX 2", "Syntax Error in expression \"1 ANDX 2\""},
      {"1 NOT 2", "Syntax Error in expression \"1 NOT 2\""},
      {"!", "Syntax Error in expression \"!\""},
      {"'x' = '*O'Brien*'", "Syntax Error in expression \"'x' = '*O'Brien*'\""},
      {"\xE0\xE1", "Syntax Error in expression \"\xE0\xE1\""},
      {"(1 + 2", "Missing closing parentheses"},
      {"((1)", "Missing closing parentheses"},
      {"ABS(1", "Missing closing parentheses"},
      // Parentheses do not look at quotes, so the ")" inside ends the sub-expression.
      {"(')')", "Syntax Error in expression \"(')')\""},
      {".T", "Missing closing period"},
      {".X.", "Expecting \".T.\" or \".F.\""},
      {".TRUE.", "Expecting \".T.\" or \".F.\""},
      {"'abc", "Missing closing \"'\" on literal"},
      {"\"abc", "Missing closing \"\"\" on literal"},
      {"[abc", "Missing closing \"[\" on literal"},
      {"{2026", "Missing closing \"{\" on literal"},
      {"NOSUCH(1)", "There is no function for NOSUCH"},
      {"nosuch()", "There is no function for NOSUCH"},
      {"RECNO()", "There is no function for RECNO"},  // table functions need a table
      {"abc = 1", "Field/variable abc is unknown"},
      {"NOT", "Field/variable NOT is unknown"},
  };
  TExpHandler handler;
  for (const ErrorCase& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_THAT([&] { handler.Compile(c.text); },
                ThrowsMessage<EExpressionError>(StrEq(c.message)));
  }
}

TEST(ExpLanguage, ReportsEvaluationFailuresWithTheirMessages) {
  constexpr ErrorCase kCases[] = {
      {"1 > 'x'", "The two sides of an operation do not match"},
      {"'x' = .T.", "The two sides of an operation do not match"},
      {"1 = ()", "The two sides of an operation do not match"},
      {".T. + .T.", "A number value is required but invalid"},
      {".T. ^ .T.", "A number value is required but invalid"},
      {".T. > .F.", "A assigned value is required but invalid"},
      {".T. $ .F.", "A assigned value is required but invalid"},
      {"1 $ 2", "A assigned value is required but invalid"},
      {"1 .AND. 2", "A assigned value is required but invalid"},
      {"NOT 1", "A assigned value is required but invalid"},
      {"'a' * 'b'", "A assigned value is required but invalid"},
      {"'a' .OR. 'b'", "A assigned value is required but invalid"},
      {"() = ()", "A assigned value is required but invalid"},
      // No text grows beyond the widest column.
      {"SPACE(40000) + SPACE(40000)", "Expression cannot be evaluated"},
  };
  TExpHandler handler;
  for (const ErrorCase& c : kCases) {
    SCOPED_TRACE(c.text);
    handler.Compile(c.text);
    EXPECT_THAT([&] { handler.Evaluate(); }, ThrowsMessage<EExpressionError>(StrEq(c.message)));
  }
}

// No text compiles to an operator without its operands (every operator must
// be followed by more text), so the tree is built by hand here.
TEST(ExpLanguage, ReportsAMissingOperandByTheOperatorsDisplayName) {
  struct Case {
    TExpOperation op;
    bool with_left;
    bool with_right;
    const char* message;
  };
  constexpr Case kCases[] = {
      {TExpOperation::kGreater, false, true, "Target value missing for > operation"},
      {TExpOperation::kPower, true, false, "Target value missing for ^ operation"},
      {TExpOperation::kContained, false, true, "Target value missing for in string operation"},
      {TExpOperation::kExactlyEqual, true, false,
       "Target value missing for exactly equal operation"},
      {TExpOperation::kNot, false, false, "Target value missing for .NOT. operation"},
      {TExpOperation::kAnd, false, true, "Target value missing for .AND. operation"},
      {TExpOperation::kOr, true, false, "Target value missing for .OR. operation"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.message);
    TExpOperator op(c.op, TExpCompareOptions{});
    op.SetOperands(c.with_left ? std::make_unique<TExpBlnLit>(true) : nullptr,
                   c.with_right ? std::make_unique<TExpBlnLit>(true) : nullptr);
    EXPECT_THAT([&] { op.Evaluate(); }, ThrowsMessage<EExpressionError>(StrEq(c.message)));
  }
  // NOT needs no left operand.
  TExpOperator negation(TExpOperation::kNot, TExpCompareOptions{});
  negation.SetOperands(nullptr, std::make_unique<TExpBlnLit>(false));
  EXPECT_TRUE(negation.Evaluate().boolean);
}

TEST(ExpLanguage, NestsDeeplyOrRefusesWithAMessage) {
  TExpHandler handler;
  const std::string deep = std::string(100, '(') + "1" + std::string(100, ')');
  EXPECT_EQ("1", Eval(handler, deep));

  const std::string too_deep = std::string(2000, '(') + "1" + std::string(2000, ')');
  EXPECT_THAT([&] { handler.Compile(too_deep); },
              ThrowsMessage<EExpressionError>(StrEq("Expression cannot be evaluated")));

  std::string chain = "1";
  for (int i = 0; i < 5000; ++i) chain += "+1";
  EXPECT_THAT([&] { handler.Compile(chain); },
              ThrowsMessage<EExpressionError>(StrEq("Expression cannot be evaluated")));

  std::string nots;
  for (int i = 0; i < 1000; ++i) nots += ".T. .AND. NOT ";
  nots += ".T.";
  EXPECT_THAT([&] { handler.Compile(nots); },
              ThrowsMessage<EExpressionError>(StrEq("Expression cannot be evaluated")));
}

// A long text that nests little: a balanced tree of 8,192 comparisons
// (about 150 KB). The last one alone holds, so every comparison must bind to
// its own two numbers and every .OR. to its own two groups.
std::string BalancedOrTree(int levels, int* leaf) {
  if (levels == 0) {
    const int n = (*leaf)++;
    return n == (1 << 13) - 1 ? "7=7" : std::to_string(n) + "=-1";
  }
  const std::string left = BalancedOrTree(levels - 1, leaf);
  return "(" + left + " .OR. " + BalancedOrTree(levels - 1, leaf) + ")";
}

TEST(ExpLanguage, CompilesALongShallowText) {
  TExpHandler handler;
  int leaf = 0;
  const std::string text = BalancedOrTree(13, &leaf);
  ASSERT_GT(text.size(), 100000u);
  EXPECT_EQ(".T.", Eval(handler, text));
  EXPECT_EQ(2 * (1 << 13), handler.OperandCount());
  std::string none_holds = text;
  none_holds.replace(none_holds.find("7=7"), 3, "7=8");
  EXPECT_EQ(".F.", Eval(handler, none_holds));
}

TEST(ExpLanguage, TellsWhereACompileFailureLies) {
  TExpHandler handler;
  try {
    handler.Compile("1 + 'abc");
    FAIL() << "no failure";
  } catch (const EExpressionError& e) {
    EXPECT_EQ(5, e.Position());
  }
}

}  // namespace
}  // namespace zakaz::dbf
