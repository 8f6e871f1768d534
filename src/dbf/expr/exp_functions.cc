#include "dbf/expr/exp_functions.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "common/ascii_text.h"
#include "dbf/expr/exp_link.h"
#include "dbf/expr/exp_nodes.h"
#include "dbf/expr/exp_text.h"

namespace zakaz::dbf {

namespace {

constexpr long kMaxText = kMaxExpText;
constexpr char kMaxTextRule[] = "between 0 and 65535";

using Call = TExpFunctionCall;

TExpValue Num(double value) { return TExpValue::Number(value); }
TExpValue Whole(double value) { return TExpValue::Number(value, TExpValueType::kInteger); }
TExpValue Result(Call& call) { return TExpValue::Text(call.Result()); }
TExpValue TextResult(Call& call, std::string_view text) {
  call.Result().assign(text);
  return Result(call);
}

// A length argument: negative means none, beyond kMaxText is refused.
long Length(Call& call, int index) {
  const double value = call.Number(index);
  if (value > kMaxText) call.FailRule(kMaxTextRule);
  return call.Whole(index, 0, kMaxText);
}

// Text, numbers (with dates) and booleans are the families that compare.
int Family(TExpValueType type) {
  if (IsNumericFamily(type)) return 1;
  if (type == TExpValueType::kText || type == TExpValueType::kMemo) return 2;
  if (type == TExpValueType::kBoolean) return 3;
  return 0;
}

// Requires arguments first..last to have a value of one comparable family.
void RequireSameType(Call& call, int first, int last) {
  const TExpValue& head = call.Value(first);
  if (head.kind == TExpValueKind::kNothing) call.Text(first);  // reports the missing value
  const int family = Family(head.type);
  for (int i = first; i <= last; ++i) {
    const TExpValue& value = call.Value(i);
    if (value.kind == TExpValueKind::kNothing) call.Text(i);
    if (family == 0 || Family(value.type) != family) call.FailSameType();
  }
}

int CompareValues(const TExpValue& a, const TExpValue& b) {
  if (a.kind == TExpValueKind::kText) {
    const int c = TrimTrailingControls(a.text).compare(TrimTrailingControls(b.text));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (a.kind == TExpValueKind::kBoolean)
    return static_cast<int>(a.boolean) - static_cast<int>(b.boolean);
  return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
}

// --- Numbers ---------------------------------------------------------------

TExpValue Abs(Call& c) { return Num(std::fabs(c.Number(0))); }
TExpValue Acos(Call& c) {
  const double x = c.Number(0);
  if (!(x >= -1 && x <= 1)) c.FailRule("between -1 and 1");
  return Num(std::acos(x));
}
TExpValue Asin(Call& c) {
  const double x = c.Number(0);
  if (!(x >= -1 && x <= 1)) c.FailRule("between -1 and 1");
  return Num(std::asin(x));
}
TExpValue Atan(Call& c) { return Num(std::atan(c.Number(0))); }
TExpValue Atn2(Call& c) { return Num(std::atan2(c.Number(0), c.Number(1))); }
TExpValue Cos(Call& c) { return Num(std::cos(c.Number(0))); }
TExpValue Sin(Call& c) { return Num(std::sin(c.Number(0))); }
TExpValue Tan(Call& c) { return Num(std::tan(c.Number(0))); }
TExpValue Dtor(Call& c) { return Num(c.Number(0) * std::numbers::pi / 180); }
TExpValue Rtod(Call& c) { return Num(c.Number(0) * 180 / std::numbers::pi); }
TExpValue Pi(Call&) { return Num(std::numbers::pi); }
TExpValue Ceiling(Call& c) { return Num(std::ceil(c.Number(0))); }
TExpValue Floor(Call& c) { return Num(std::floor(c.Number(0))); }
TExpValue Int(Call& c) { return Whole(std::trunc(c.Number(0))); }
TExpValue Log(Call& c) {
  const double x = c.Number(0);
  if (!(x > 0)) c.FailRule("greater than 0");
  return Num(std::log(x));
}
TExpValue Log10(Call& c) {
  const double x = c.Number(0);
  if (!(x > 0)) c.FailRule("greater than 0");
  return Num(std::log10(x));
}
TExpValue Mod(Call& c) {
  const double a = c.Number(0);
  const double b = c.Number(1);
  if (b == 0) c.FailRule("other than 0");
  return Num(a - b * std::floor(a / b));
}
TExpValue Fv(Call& c) {
  const double payment = c.Number(0), rate = c.Number(1), periods = c.Number(2);
  if (rate == 0) return Num(payment * periods);
  return Num(payment * (std::pow(1 + rate, periods) - 1) / rate);
}
TExpValue Pv(Call& c) {
  const double payment = c.Number(0), rate = c.Number(1), periods = c.Number(2);
  if (rate == 0) return Num(payment * periods);
  return Num(payment * (1 - std::pow(1 + rate, -periods)) / rate);
}

// --- Comparisons and choice -------------------------------------------------

TExpValue Max(Call& c) {
  RequireSameType(c, 0, 1);
  return CompareValues(c.Value(0), c.Value(1)) >= 0 ? c.Value(0) : c.Value(1);
}
TExpValue Min(Call& c) {
  RequireSameType(c, 0, 1);
  return CompareValues(c.Value(0), c.Value(1)) <= 0 ? c.Value(0) : c.Value(1);
}
TExpValue Between(Call& c) {
  RequireSameType(c, 0, 2);
  return TExpValue::Boolean(CompareValues(c.Value(0), c.Value(1)) >= 0 &&
                            CompareValues(c.Value(0), c.Value(2)) <= 0);
}
TExpValue Inlist(Call& c) {
  RequireSameType(c, 0, c.Count() - 1);
  for (int i = 1; i < c.Count(); ++i) {
    if (CompareValues(c.Value(0), c.Value(i)) == 0) return TExpValue::Boolean(true);
  }
  return TExpValue::Boolean(false);
}
TExpValue Iif(Call& c) {
  const int chosen = c.Boolean(0) ? 1 : 2;
  const TExpValue& value = c.Value(chosen);
  if (value.kind == TExpValueKind::kNothing) c.Text(chosen);  // reports the missing value
  return value;
}
TExpValue Empty(Call& c) {
  const TExpValue& value = c.Value(0);
  switch (value.kind) {
    case TExpValueKind::kNothing:
      return TExpValue::Boolean(true);
    case TExpValueKind::kText:
      return TExpValue::Boolean(TrimTrailingControls(value.text).empty());
    case TExpValueKind::kFloat:
      return TExpValue::Boolean(value.number == 0);
    case TExpValueKind::kBoolean:
      return TExpValue::Boolean(!value.boolean);
  }
  return TExpValue::Boolean(true);
}
TExpValue Descend(Call& c) {
  const TExpValue& value = c.Value(0);
  switch (value.kind) {
    case TExpValueKind::kNothing:
      c.Text(0);
      break;  // reports the missing value
    case TExpValueKind::kText: {
      std::string& out = c.Result();
      out.assign(value.text);
      for (char& ch : out) ch = static_cast<char>((256 - static_cast<unsigned char>(ch)) & 0xFF);
      return TExpValue::Text(out, value.type);
    }
    case TExpValueKind::kFloat:
      return TExpValue::Number(-value.number, value.type == TExpValueType::kInteger
                                                  ? TExpValueType::kInteger
                                                  : TExpValueType::kNumber);
    case TExpValueKind::kBoolean:
      return TExpValue::Boolean(!value.boolean);
  }
  return TExpValue::Nothing();
}

// --- Texts -----------------------------------------------------------------

TExpValue Asc(Call& c) {
  const std::string_view text = c.Text(0);
  return Whole(text.empty() ? 0 : static_cast<unsigned char>(text.front()));
}
TExpValue Chr(Call& c) {
  const double code = std::trunc(c.Number(0));
  if (!(code >= 0 && code <= 255)) c.FailRule("between 0 and 255");
  c.Result().assign(1, static_cast<char>(static_cast<int>(code)));
  return Result(c);
}
TExpValue AtCommon(Call& c, bool ignore_case) {
  std::string_view needle = c.Text(0);
  std::string_view haystack = c.Text(1);
  const long occurrence = c.Count() > 2 ? c.Whole(2, 0, kMaxText + 1L) : 1;
  if (needle.empty() || occurrence < 1) return Whole(0);
  std::string upper_needle, upper_haystack;
  if (ignore_case) {
    upper_needle = OemUpperText(needle);
    upper_haystack = OemUpperText(haystack);
    needle = upper_needle;
    haystack = upper_haystack;
  }
  size_t from = 0;
  for (long k = 1;; ++k) {
    const size_t found = haystack.find(needle, from);
    if (found == std::string_view::npos) return Whole(0);
    if (k == occurrence) return Whole(static_cast<double>(found + 1));
    from = found + 1;
  }
}
TExpValue At(Call& c) { return AtCommon(c, false); }
TExpValue Atc(Call& c) { return AtCommon(c, true); }
TExpValue Len(Call& c) { return Whole(static_cast<double>(c.Text(0).size())); }
TExpValue Left(Call& c) {
  const std::string_view text = c.Text(0);
  const long n = c.Whole(1, 0, static_cast<long>(text.size()));
  return TextResult(c, text.substr(0, static_cast<size_t>(n)));
}
TExpValue Right(Call& c) {
  const std::string_view text = c.Text(0);
  const long n = c.Whole(1, 0, static_cast<long>(text.size()));
  return TextResult(c, text.substr(text.size() - static_cast<size_t>(n)));
}
TExpValue Substr(Call& c) {
  const std::string_view text = c.Text(0);
  const long size = static_cast<long>(text.size());
  const long from = std::max(1L, c.Whole(1, 1, size + 1L));
  if (from > size) return TextResult(c, {});
  const long rest = size - from + 1;
  const long n = c.Count() > 2 ? c.Whole(2, 0, rest) : rest;
  return TextResult(c, text.substr(static_cast<size_t>(from - 1), static_cast<size_t>(n)));
}
TExpValue Ltrim(Call& c) { return TextResult(c, TrimStartSpaces(c.Text(0))); }
TExpValue Rtrim(Call& c) { return TextResult(c, TrimEndSpaces(c.Text(0))); }
TExpValue Alltrim(Call& c) { return TextResult(c, TrimEndSpaces(TrimStartSpaces(c.Text(0)))); }
TExpValue UpperFn(Call& c) {
  std::string& out = c.Result();
  out.assign(c.Text(0));
  for (char& ch : out) ch = static_cast<char>(OemUpper(static_cast<unsigned char>(ch)));
  return Result(c);
}
TExpValue LowerFn(Call& c) {
  std::string& out = c.Result();
  out.assign(c.Text(0));
  for (char& ch : out) ch = static_cast<char>(OemLower(static_cast<unsigned char>(ch)));
  return Result(c);
}
TExpValue Proper(Call& c) {
  std::string& out = c.Result();
  out.assign(c.Text(0));
  bool word_start = true;
  for (char& ch : out) {
    const auto byte = static_cast<unsigned char>(ch);
    if (OemIsLetter(byte)) {
      ch = static_cast<char>(word_start ? OemUpper(byte) : OemLower(byte));
      word_start = false;
    } else {
      word_start = !(byte >= '0' && byte <= '9') && byte != '\'';
    }
  }
  return Result(c);
}
TExpValue Space(Call& c) {
  c.Result().assign(static_cast<size_t>(Length(c, 0)), ' ');
  return Result(c);
}
TExpValue Pad(Call& c, int where) {  // -1 left, 0 centre, 1 right
  const std::string_view text = c.Text(0);
  const size_t width = static_cast<size_t>(Length(c, 1));
  char fill = ' ';
  if (c.Count() > 2) {
    const std::string_view fill_text = c.Text(2);
    if (!fill_text.empty()) fill = fill_text.front();
  }
  std::string& out = c.Result();
  if (text.size() >= width) return TextResult(c, text.substr(0, width));
  const size_t spare = width - text.size();
  const size_t before = where < 0 ? spare : (where == 0 ? spare / 2 : 0);
  out.assign(before, fill);
  out.append(text);
  out.append(spare - before, fill);
  return Result(c);
}
TExpValue Padl(Call& c) { return Pad(c, -1); }
TExpValue Padc(Call& c) { return Pad(c, 0); }
TExpValue Padr(Call& c) { return Pad(c, 1); }
TExpValue StrCommon(Call& c, char pad) {
  const double value = c.Number(0);
  const long width = c.Count() > 1 ? Length(c, 1) : 10;
  const long decimals = c.Count() > 2 ? c.Whole(2, 0, 30) : 0;
  c.Result() = FormatExpNumber(value, static_cast<int>(width), static_cast<int>(decimals), pad);
  return Result(c);
}
TExpValue Str(Call& c) { return StrCommon(c, ' '); }
TExpValue Strzero(Call& c) { return StrCommon(c, '0'); }
TExpValue Strtran(Call& c) {
  const std::string_view text = c.Text(0);
  const std::string_view search = c.Text(1);
  const std::string_view replacement = c.Count() > 2 ? c.Text(2) : std::string_view();
  const long first = c.Count() > 3 ? c.Whole(3, 1, kMaxText + 1L) : 1;
  const long count = c.Count() > 4 ? c.Whole(4, 0, kMaxText + 1L) : kMaxText + 1L;
  std::string& out = c.Result();
  if (search.empty()) return TextResult(c, text);
  out.clear();
  size_t from = 0;
  long seen = 0, replaced = 0;
  while (replaced < count) {
    const size_t found = text.find(search, from);
    if (found == std::string_view::npos) break;
    ++seen;
    out.append(text.substr(from, found - from));
    if (seen >= first) {
      out.append(replacement);
      ++replaced;
    } else {
      out.append(search);
    }
    from = found + search.size();
    if (out.size() > static_cast<size_t>(kMaxText))
      c.FailRule("a text that stays within 65535 bytes");
  }
  out.append(text.substr(from));
  if (out.size() > static_cast<size_t>(kMaxText))
    c.FailRule("a text that stays within 65535 bytes");
  return Result(c);
}
TExpValue Soundex(Call& c) {
  // Letter groups of the classic sound code; 0 marks letters that separate.
  static constexpr char kCodes[] = "01230120022455012623010202";
  // ASCII letters only, whatever locale the process runs under.
  const auto upper = [](char ch) {
    return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 0x20) : ch;
  };
  const auto is_letter = [](char ch) { return ch >= 'A' && ch <= 'Z'; };
  std::string_view text = TrimStartSpaces(c.Text(0));
  std::string& out = c.Result();
  if (text.empty() || !is_letter(upper(text.front()))) return TextResult(c, "0000");
  out.assign(1, upper(text.front()));
  char last = kCodes[out[0] - 'A'];
  for (size_t i = 1; i < text.size() && out.size() < 4; ++i) {
    const char ch = upper(text[i]);
    if (!is_letter(ch)) break;  // the first word only
    const char code = kCodes[ch - 'A'];
    if (code != '0' && code != last) out += code;
    if (ch != 'H' && ch != 'W') last = code;
  }
  out.append(4 - out.size(), '0');
  return Result(c);
}
TExpValue Val(Call& c) {
  const std::string_view text = TrimStartSpaces(c.Text(0));
  size_t end = 0;
  if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  if (end < text.size() && text[end] == '.') {
    ++end;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  }
  return Num(ParseExpNumber(text.substr(0, end)).value_or(0));
}

// --- Dates -----------------------------------------------------------------

TExpValue Date(Call&) {
  return TExpValue::Number(static_cast<double>(TodayJulianDay()), TExpValueType::kDate);
}
TExpValue Ctod(Call& c) {
  const long day = ParseExpDate(c.Text(0)).value_or(0);
  return TExpValue::Number(static_cast<double>(day), TExpValueType::kDate);
}
TExpValue Dtoc(Call& c) { return TextResult(c, FormatExpDate(c.Date(0))); }
TExpValue Dtos(Call& c) { return TextResult(c, FormatExpDateStamp(c.Date(0))); }
TExpValue Dow(Call& c) {
  const long day = c.Date(0);
  return Whole(day <= 0 ? 0 : static_cast<double>((day + 1) % 7 + 1));
}

// --- The table's own ---------------------------------------------------------

int NamedColumn(Call& c) {
  const std::string upper = OemUpperText(TrimEndSpaces(TrimStartSpaces(c.Text(0))));
  return c.Link()->FindColumn(upper);
}
TExpValue Recno(Call& c) { return Whole(static_cast<double>(c.Link()->RecordNumber())); }
TExpValue Deleted(Call& c) { return TExpValue::Boolean(c.Link()->RecordDeleted()); }
TExpValue Bof(Call& c) { return TExpValue::Boolean(c.Link()->AtBof()); }
TExpValue Eof(Call& c) { return TExpValue::Boolean(c.Link()->AtEof()); }
TExpValue Type(Call& c) {
  const int column = NamedColumn(c);
  c.Result().assign(1, column > 0 ? c.Link()->ColumnType(column) : 'U');
  return Result(c);
}
TExpValue FieldLen(Call& c) {
  const int column = NamedColumn(c);
  return Whole(column > 0 ? c.Link()->ColumnWidth(column) : 0);
}
TExpValue Fieldno(Call& c) { return Whole(NamedColumn(c)); }

constexpr TExpFunctionDef kGlobal[] = {
    {"ABS", 1, 1, Abs},         {"ALLTRIM", 1, 1, Alltrim}, {"ACOS", 1, 1, Acos},
    {"ASIN", 1, 1, Asin},       {"ATAN", 1, 1, Atan},       {"ATN2", 2, 2, Atn2},
    {"ASC", 1, 1, Asc},         {"AT", 2, 3, At},           {"ATC", 2, 3, Atc},
    {"BETWEEN", 3, 3, Between}, {"CEILING", 1, 1, Ceiling}, {"CHR", 1, 1, Chr},
    {"COS", 1, 1, Cos},         {"CTOD", 1, 1, Ctod},       {"DATE", 0, 0, Date},
    {"DESCEND", 1, 1, Descend}, {"DOW", 1, 1, Dow},         {"DTOC", 1, 1, Dtoc},
    {"DTOR", 1, 1, Dtor},       {"DTOS", 1, 1, Dtos},       {"EMPTY", 1, 1, Empty},
    {"FLOOR", 1, 1, Floor},     {"FV", 3, 3, Fv},           {"IIF", 3, 3, Iif},
    {"INLIST", 2, -1, Inlist},  {"INT", 1, 1, Int},         {"LEFT", 2, 2, Left},
    {"LEN", 1, 1, Len},         {"LOG", 1, 1, Log},         {"LOG10", 1, 1, Log10},
    {"LOWER", 1, 1, LowerFn},   {"LTRIM", 1, 1, Ltrim},     {"MAX", 2, 2, Max},
    {"MIN", 2, 2, Min},         {"MOD", 2, 2, Mod},         {"PADC", 2, 3, Padc},
    {"PADL", 2, 3, Padl},       {"PADR", 2, 3, Padr},       {"PI", 0, 0, Pi},
    {"PV", 3, 3, Pv},           {"PROPER", 1, 1, Proper},   {"RIGHT", 2, 2, Right},
    {"RTOD", 1, 1, Rtod},       {"RTRIM", 1, 1, Rtrim},     {"SIN", 1, 1, Sin},
    {"SOUNDEX", 1, 1, Soundex}, {"SPACE", 1, 1, Space},     {"STR", 1, 3, Str},
    {"STRTRAN", 2, 5, Strtran}, {"STRZERO", 1, 3, Strzero}, {"SUBSTR", 2, 3, Substr},
    {"TAN", 1, 1, Tan},         {"TRIM", 1, 1, Rtrim},      {"UPPER", 1, 1, UpperFn},
    {"VAL", 1, 1, Val},
};

constexpr TExpFunctionDef kTable[] = {
    {"RECNO", 0, 0, Recno},     {"DELETED", 0, 0, Deleted}, {"BOF", 0, 0, Bof},
    {"EOF", 0, 0, Eof},         {"TYPE", 1, 1, Type},       {"LEN", 1, 1, FieldLen},
    {"FIELDNO", 1, 1, Fieldno},
};

int CompareNames(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ca = OemUpper(static_cast<unsigned char>(a[i]));
    const auto cb = OemUpper(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

bool TFunctionReg::Add(const TExpFunctionDef& def) {
  const auto at = std::lower_bound(defs_.begin(), defs_.end(), def.name,
                                   [](const TExpFunctionDef& d, std::string_view name) {
                                     return CompareNames(d.name, name) < 0;
                                   });
  if (at != defs_.end() && CompareNames(at->name, def.name) == 0) return false;
  defs_.insert(at, def);
  return true;
}

const TExpFunctionDef* TFunctionReg::Find(std::string_view name) const {
  const auto at = std::lower_bound(
      defs_.begin(), defs_.end(), name,
      [](const TExpFunctionDef& d, std::string_view n) { return CompareNames(d.name, n) < 0; });
  if (at != defs_.end() && CompareNames(at->name, name) == 0) return &*at;
  return nullptr;
}

namespace {

template <size_t N>
TFunctionReg RegistryOf(const TExpFunctionDef (&defs)[N]) {
  TFunctionReg registry;
  for (const auto& def : defs) registry.Add(def);
  return registry;
}

}  // namespace

const TFunctionReg& GlobalFunctions() {
  static const TFunctionReg registry = RegistryOf(kGlobal);
  return registry;
}

const TFunctionReg& TableFunctions() {
  static const TFunctionReg registry = RegistryOf(kTable);
  return registry;
}

}  // namespace zakaz::dbf
