// The functions of the expression language: each one's main path and its
// argument checks.
#include "dbf/expr/exp_functions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "dbf/base/errors.h"
#include "dbf/expr/exp_handler.h"
#include "dbf/expr/exp_text.h"
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

TEST(ExpFunctions, RegistersTheGlobalFunctionsOnce) {
  EXPECT_EQ(55u, GlobalFunctions().Size());
  EXPECT_EQ(7u, TableFunctions().Size());
  ASSERT_NE(nullptr, GlobalFunctions().Find("substr"));
  EXPECT_EQ("SUBSTR", GlobalFunctions().Find("SubStr")->name);
  EXPECT_EQ(nullptr, GlobalFunctions().Find("RECNO"));

  TFunctionReg registry;
  EXPECT_TRUE(registry.Add(*GlobalFunctions().Find("ABS")));
  EXPECT_FALSE(registry.Add(*GlobalFunctions().Find("ABS")));
}

TEST(ExpFunctions, ComputeNumbers) {
  constexpr EvalCase kCases[] = {
      {"ABS(-2.5)", "2.5"},
      {"ABS(3)", "3"},
      {"ACOS(1)", "0"},
      {"ASIN(1) * 2 = PI", ".T."},
      {"ATAN(1) * 4 = PI()", ".T."},
      {"ATN2(1, 0) * 2 = PI", ".T."},
      {"COS(0)", "1"},
      {"SIN(0)", "0"},
      {"TAN(0)", "0"},
      {"DTOR(180) = PI", ".T."},
      {"RTOD(PI)", "180"},
      {"PI()", "3.141593"},
      {"CEILING(1.2)", "2"},
      {"CEILING(-1.2)", "-1"},
      {"FLOOR(1.8)", "1"},
      {"FLOOR(-1.2)", "-2"},
      {"INT(2.7)", "2:Integer"},
      {"INT(-2.7)", "-2:Integer"},
      {"LOG(1)", "0"},
      {"LOG10(1000)", "3"},
      {"MOD(7, 3)", "1"},
      {"MOD(-7, 3)", "2"},
      {"MOD(7, -3)", "-2"},
      {"FV(100, 0, 12)", "1200"},
      {"FV(100, 0.1, 2)", "210"},
      {"PV(100, 0, 12)", "1200"},
      {"PV(121, 0.1, 2) > 209.9", ".T."},
      {"MAX(1, 2)", "2"},
      {"MIN(1, 2)", "1"},
      {"MAX('b', 'a')", "'b'"},
      {"MIN({20260101}, {20250101})", "{20250101}"},
      {"1 + INT(1.5)", "2:Integer"},
      {"INT(1.5) + 1", "2"},
  };
  TExpHandler handler;
  for (const EvalCase& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, Eval(handler, c.text));
  }
}

TEST(ExpFunctions, ChooseAndTest) {
  constexpr EvalCase kCases[] = {
      {"BETWEEN(2, 1, 3)", ".T."},
      {"BETWEEN(4, 1, 3)", ".F."},
      {"BETWEEN('b', 'a', 'c')", ".T."},
      {"INLIST(2, 1, 2, 3)", ".T."},
      {"INLIST('x', 'a', 'b')", ".F."},
      {"INLIST('a  ', 'a')", ".T."},
      {"IIF(1 > 0, 'yes', 'no')", "'yes'"},
      {"IIF(.F., 1, 2)", "2"},
      {"IIF(.T., 1, 1 > 'x')", "1"},  // only the chosen side is evaluated
      {"EMPTY('   ')", ".T."},
      {"EMPTY(' x ')", ".F."},
      {"EMPTY(0)", ".T."},
      {"EMPTY(.F.)", ".T."},
      {"EMPTY({  })", ".T."},
      {"EMPTY(())", ".T."},
      {"DESCEND(5)", "-5"},
      {"DESCEND(.T.)", ".F."},
      {"DESCEND(CHR(1)) = CHR(255)", ".T."},
  };
  TExpHandler handler;
  for (const EvalCase& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, Eval(handler, c.text));
  }
}

TEST(ExpFunctions, WorkOnTexts) {
  constexpr EvalCase kCases[] = {
      {"ASC('A')", "65:Integer"},
      {"ASC('')", "0:Integer"},
      {"CHR(65)", "'A'"},
      {"AT('b', 'abcb')", "2:Integer"},
      {"AT('b', 'abcb', 2)", "4:Integer"},
      {"AT('z', 'abc')", "0:Integer"},
      {"AT('', 'abc')", "0:Integer"},
      {"ATC('B', 'abc')", "2:Integer"},
      {"LEN('ab  ')", "4:Integer"},
      {"LEN(')')", "1:Integer"},
      {"LEFT('abcd', 2)", "'ab'"},
      {"LEFT('ab', 5)", "'ab'"},
      {"LEFT('ab', -1)", "''"},
      {"RIGHT('abcd', 2)", "'cd'"},
      {"SUBSTR('abcdef', 2, 3)", "'bcd'"},
      {"SUBSTR('abcdef', 4)", "'def'"},
      {"SUBSTR('abc', 9)", "''"},
      {"SUBSTR('abc', 0, 2)", "'ab'"},
      {"LTRIM('  a ')", "'a '"},
      {"RTRIM('  a ')", "'  a'"},
      {"TRIM('a  ')", "'a'"},
      {"ALLTRIM('  a b  ')", "'a b'"},
      {"UPPER('abc\xA0\xE0')", "'ABC\x80\x90'"},
      {"LOWER('ABC\x80\x90')", "'abc\xA0\xE0'"},
      {"PROPER('hello wORLD')", "'Hello World'"},
      {"SPACE(3)", "'   '"},
      {"SPACE(0)", "''"},
      {"PADL('ab', 4)", "'  ab'"},
      {"PADR('ab', 4, '*')", "'ab**'"},
      {"PADC('ab', 5, '-')", "'-ab--'"},
      {"PADL('abcdef', 3)", "'abc'"},
      {"STR(12.5)", "'        13'"},
      {"STR(12.345, 8, 2)", "'   12.35'"},
      {"STR(-1.5, 5, 1)", "' -1.5'"},
      {"STR(123456, 3)", "'***'"},
      {"STRZERO(42, 5)", "'00042'"},
      {"STRZERO(-5, 4)", "'-005'"},
      {"STRTRAN('a-b-c', '-', '+')", "'a+b+c'"},
      {"STRTRAN('a-b-c', '-')", "'abc'"},
      {"STRTRAN('a-b-c-d', '-', '+', 2, 1)", "'a-b+c-d'"},
      {"SOUNDEX('Robert')", "'R163'"},
      {"SOUNDEX('Ashcraft')", "'A261'"},
      {"SOUNDEX('Tymczak')", "'T522'"},
      {"SOUNDEX('  ')", "'0000'"},
      {"VAL('12.5abc')", "12.5"},
      {"VAL('  -3')", "-3"},
      {"VAL('abc')", "0"},
  };
  TExpHandler handler;
  for (const EvalCase& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, Eval(handler, c.text));
  }
}

TEST(ExpFunctions, WorkOnDates) {
  constexpr EvalCase kCases[] = {
      {"CTOD('05.01.2026')", "{20260105}"}, {"CTOD('5.1.26')", "{20260105}"},
      {"CTOD('31.02.2026')", "{        }"}, {"CTOD('')", "{        }"},
      {"DTOC({20260105})", "'05.01.2026'"}, {"DTOC({ })", "'  .  .    '"},
      {"DTOS({05.01.2026})", "'20260105'"}, {"DTOS({})", "'        '"},
      {"DOW({20260104})", "1:Integer"},     {"DOW({20260105})", "2:Integer"},
      {"DOW({19800101})", "3:Integer"},     {"DOW({ })", "0:Integer"},
      {"DATE() > {20200101}", ".T."},       {"DTOS(DATE()) = DTOS(CTOD(DTOC(DATE())))", ".T."},
  };
  TExpHandler handler;
  for (const EvalCase& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.expected, Eval(handler, c.text));
  }
}

struct ErrorCase {
  const char* text;
  const char* message;
};

TEST(ExpFunctions, CheckTheirArguments) {
  constexpr ErrorCase kCases[] = {
      {"ABS('x')", "Number needed for Argument 1 of ABS"},
      {"LEFT('abc', 'x')", "Number needed for Argument 2 of LEFT"},
      {"UPPER(1)", "Text needed for Argument 1 of UPPER"},
      {"DTOC(1)", "Date needed for Argument 1 of DTOC"},
      {"IIF(1, 2, 3)", "Boolean needed for Argument 1 of IIF"},
      {"STRTRAN('a', 'b', 'c', 'd')", "Number needed for Argument 4 of STRTRAN"},
      {"UPPER(())", "A value is required for UPPER"},
      {"IIF(.T., (), 1)", "A value is required for IIF"},
      {"ACOS(2)", "Argument for ACOS must be between -1 and 1"},
      {"ASIN(-1.5)", "Argument for ASIN must be between -1 and 1"},
      {"CHR(256)", "Argument for CHR must be between 0 and 255"},
      {"LOG(0)", "Argument for LOG must be greater than 0"},
      {"LOG10(-1)", "Argument for LOG10 must be greater than 0"},
      {"MOD(1, 0)", "Argument for MOD must be other than 0"},
      {"SPACE(100000)", "Argument for SPACE must be between 0 and 65535"},
      {"PADL('a', 70000)", "Argument for PADL must be between 0 and 65535"},
      {"STRTRAN(SPACE(60000), ' ', 'ab')",
       "Argument for STRTRAN must be a text that stays within 65535 bytes"},
      {"MAX(1, 'a')", "All arguments for MAX must be of the same type"},
      {"BETWEEN(1, 2, .T.)", "All arguments for BETWEEN must be of the same type"},
      {"INLIST('a', 'b', 3)", "All arguments for INLIST must be of the same type"},
  };
  TExpHandler handler;
  for (const ErrorCase& c : kCases) {
    SCOPED_TRACE(c.text);
    handler.Compile(c.text);
    EXPECT_THAT([&] { handler.Evaluate(); }, ThrowsMessage<EExpressionError>(StrEq(c.message)));
  }
}

TEST(ExpFunctions, CheckTheNumberOfArgumentsWhenCompiled) {
  constexpr ErrorCase kCases[] = {
      {"ABS()", "A value is required for ABS"},
      {"SUBSTR('abc')", "A value is required for SUBSTR"},
      {"INLIST(1)", "A value is required for INLIST"},
      {"DATE(1)", "Argument for DATE must be at most 0 arguments"},
      {"LEFT('a', 1, 2)", "Argument for LEFT must be at most 2 arguments"},
  };
  TExpHandler handler;
  for (const ErrorCase& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_THAT([&] { handler.Compile(c.text); },
                ThrowsMessage<EExpressionError>(StrEq(c.message)));
  }
}

TEST(ExpFunctions, SplitArgumentsOutsideQuotesAndParentheses) {
  TExpHandler handler;
  EXPECT_EQ("'a,b'", Eval(handler, "LEFT('a,b,c', 3)"));
  EXPECT_EQ("'x(y'", Eval(handler, "LEFT([x(y)], MAX(1, 3))"));
  EXPECT_EQ("1", Eval(handler, "IIF('{,}' = '{,}', 1, 2)"));
  EXPECT_EQ("','", Eval(handler, "SUBSTR(\"a,b\", 1 + (1), 1)"));
}

}  // namespace
}  // namespace zakaz::dbf
