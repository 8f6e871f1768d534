#include "app/rtf_reader.h"

#include <gtest/gtest.h>

#include "support/file_bytes.h"

namespace zakaz {
namespace {

RtfRun Span(std::string text, bool b = false, bool i = false, bool u = false, int hp = 24) {
  RtfRun r;
  r.text = std::move(text);
  r.bold = b;
  r.italic = i;
  r.underline = u;
  r.half_points = hp;
  return r;
}

RtfParagraph Para(std::vector<RtfRun> runs) { return RtfParagraph{std::move(runs)}; }

struct Case {
  const char* name;
  const char* rtf;
  RtfDocument expected;
};

TEST(RtfReader, ReadsTextAndFormats) {
  const Case kCases[] = {
      {"plain paragraph", R"({\rtf1\ansi Hello world})", {{Para({Span("Hello world")})}}},
      {"paragraphs", R"({\rtf1 One\par Two\par})", {{Para({Span("One")}), Para({Span("Two")})}}},
      {"empty paragraph kept",
       R"({\rtf1 A\par\par B})",
       {{Para({Span("A")}), Para({}), Para({Span("B")})}}},
      {"bold on and off",
       R"({\rtf1 a\b b\b0 c})",
       {{Para({Span("a"), Span("b", true), Span("c")})}}},
      {"group restores format",
       R"({\rtf1 {\i\ul x}y})",
       {{Para({Span("x", false, true, true), Span("y")})}}},
      {"ulnone", R"({\rtf1\ul a\ulnone b})", {{Para({Span("a", false, false, true), Span("b")})}}},
      {"font size",
       R"({\rtf1\fs32 big\fs16 small})",
       {{Para({Span("big", false, false, false, 32), Span("small", false, false, false, 16)})}}},
      {"plain resets",
       R"({\rtf1\b\i\fs40 a\plain b})",
       {{Para({Span("a", true, true, false, 40), Span("b")})}}},
      {"cp1251 escapes",
       R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8\'ec\'e5\'f0 \'b9\'a8})",
       {{Para({Span("Пример №Ё")})}}},
      {"raw cp1251 byte", "{\\rtf1 \xc0\xff}", {{Para({Span("Ая")})}}},
      {"unicode with fallback",
       R"({\rtf1 \u1055?\u1088?\uc2\u1080\'3f\'3fx})",
       {{Para({Span("Приx")})}}},
      {"negative unicode", R"({\rtf1 \u-3913?})", {{Para({Span("\xef\x82\xb7")})}}},
      {"surrogate pair", R"({\rtf1 \u-10179?\u-8704?})", {{Para({Span("\xf0\x9f\x98\x80")})}}},
      {"lone surrogate", R"({\rtf1 \u-10179?x})", {{Para({Span("\xef\xbf\xbdx")})}}},
      {"escaped symbols",
       R"({\rtf1 a\\b\{c\}d\~e})",
       {{Para({Span("a\\b{c}d\xc2\xa0"
                    "e")})}}},
      {"line and tab", R"({\rtf1 a\line b\tab c})", {{Para({Span("a\nb\tc")})}}},
      {"newlines in source ignored", "{\\rtf1 a\r\nb\n}", {{Para({Span("ab")})}}},
      {"tables skipped",
       R"({\rtf1\ansi{\fonttbl{\f0\fswiss Arial;}{\f1 Times;}}{\colortbl;\red255\green0\blue0;})"
       R"({\stylesheet{\s0 Normal;}}{\info{\title T}}\f0 Text})",
       {{Para({Span("Text")})}}},
      {"starred destination skipped",
       R"({\rtf1 {\*\generator Writer;}a{\*\unknown b}c})",
       {{Para({Span("ac")})}}},
      {"binary data skipped", "{\\rtf1 a{\\pict\\bin4 }{}\\}b}", {{Para({Span("ab")})}}},
      {"quotes and dashes",
       R"({\rtf1 \ldblquote a\rdblquote\emdash b})",
       {{Para({Span("\xe2\x80\x9c"
                    "a\xe2\x80\x9d\xe2\x80\x94"
                    "b")})}}},
      {"unknown words ignored", R"({\rtf1\pard\qc\sa120\cf1 x\par})", {{Para({Span("x")})}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, ParseRtf(c.rtf));
  }
}

TEST(RtfReader, DamagedInputNeverFails) {
  const Case kCases[] = {
      {"unclosed group", R"({\rtf1 {\b a)", {{Para({Span("a", true)})}}},
      {"surplus closing braces", R"({\rtf1 a}}} b)", {{Para({Span("a b")})}}},
      {"truncated escape", R"({\rtf1 a\')", {{Para({Span("a")})}}},
      {"bad hex escape", R"({\rtf1 a\'zzb})", {{Para({Span("azzb")})}}},
      {"backslash at end", "{\\rtf1 a\\", {{Para({Span("a")})}}},
      {"huge parameter", R"({\rtf1\fs99999999999999999999 a})", {{Para({Span("a")})}}},
      {"huge binary length", R"({\rtf1 a\bin999999999999)", {{Para({Span("a")})}}},
      {"empty", "", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, ParseRtf(c.rtf));
  }
}

TEST(RtfReader, NonRtfInputIsPlainWindows1251Text) {
  EXPECT_EQ((RtfDocument{{Para({Span("Первая")}), Para({}), Para({Span("3")})}}),
            ParseRtf("\xcf\xe5\xf0\xe2\xe0\xff\r\n\r\n3\r\n"));
}

TEST(RtfReader, ReadsTheProgramsHelpText) {
  const std::string text = testing::ReadFile(ZAKAZ_SOURCE_DIR "/resources/help.rtf");
  ASSERT_FALSE(text.empty());
  const RtfDocument doc = ParseRtf(text);
  ASSERT_FALSE(doc.paragraphs.empty());
  ASSERT_FALSE(doc.paragraphs[0].runs.empty());
  EXPECT_TRUE(doc.paragraphs[0].runs[0].bold);
  std::string all;
  for (const auto& p : doc.paragraphs) {
    for (const auto& r : p.runs) all += r.text;
  }
  EXPECT_NE(std::string::npos, all.find("Сохранить"));
  EXPECT_EQ(std::string::npos, all.find("Arial"));  // the font table stays out
}

}  // namespace
}  // namespace zakaz
