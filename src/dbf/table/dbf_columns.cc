#include "dbf/table/dbf_columns.h"

#include <cmath>
#include <cstring>

#include "common/ascii_text.h"
#include "common/format_message.h"
#include "dbf/base/errors.h"
#include "dbf/base/julian_day.h"
#include "dbf/base/number_text.h"
#include "dbf/table/messages.h"

namespace zakaz::dbf {
namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

bool IsNumericType(char type) { return type == 'N' || type == 'F'; }

int64_t GetLittle(const uint8_t* p, int size) {
  uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | p[i];
  if (size < 8 && (value >> (8 * size - 1)) != 0) value |= ~uint64_t{0} << (8 * size);
  return static_cast<int64_t>(value);
}

void PutLittle(uint8_t* p, int64_t value, int size) {
  const auto bits = static_cast<uint64_t>(value);
  for (int i = 0; i < size; ++i) p[i] = static_cast<uint8_t>(bits >> (8 * i));
}

bool AllDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

// ---- lookups and properties ------------------------------------------------

const TDbfDescriptor& TDbfColumns::FindField(std::string_view name) {
  const std::string_view wanted = TrimEndSpaceOrControl(name);
  if (last_found_ != nullptr && EqualIgnoringAsciiCase(last_found_->name, wanted)) {
    // Only a first match may be served from the cache.
    bool earlier = false;
    for (const TDbfDescriptor& d : Descriptors()) {
      if (&d == last_found_) break;
      if (EqualIgnoringAsciiCase(d.name, wanted)) {
        earlier = true;
        break;
      }
    }
    if (!earlier) return *last_found_;
  }
  for (const TDbfDescriptor& d : Descriptors()) {
    if (EqualIgnoringAsciiCase(d.name, wanted)) {
      last_found_ = &d;
      return d;
    }
  }
  throw ETableError(FormatMessage(kNoFieldName, {Path() + "->" + std::string(wanted)}));
}

int TDbfColumns::FieldNumber(std::string_view name) {
  const std::string_view wanted = TrimEndSpaceOrControl(name);
  for (const TDbfDescriptor& d : Descriptors()) {
    if (EqualIgnoringAsciiCase(d.name, wanted)) return d.number;
  }
  return 0;
}

const TDbfDescriptor& TDbfColumns::FindTyped(std::string_view name, std::string_view types) {
  const TDbfDescriptor& column = FindField(name);
  if (types.find(column.type) == std::string_view::npos) {
    throw ETableError(FormatMessage(kIncorrectType, {name}));
  }
  return column;
}

std::string TDbfColumns::FieldName(int n) const {
  const TDbfDescriptor* c = Column(n);
  return c != nullptr ? c->name : std::string();
}

char TDbfColumns::FieldType(int n) const {
  const TDbfDescriptor* c = Column(n);
  return c != nullptr ? c->type : '\0';
}

int TDbfColumns::FieldWidth(int n) const {
  const TDbfDescriptor* c = Column(n);
  return c != nullptr ? c->width : 0;
}

int TDbfColumns::FieldDecimals(int n) const {
  const TDbfDescriptor* c = Column(n);
  return c != nullptr ? c->decimals : 0;
}

int TDbfColumns::FieldOffset(int n) const {
  const TDbfDescriptor* c = Column(n);
  return c != nullptr ? c->offset : 0;
}

bool TDbfColumns::IsBinaryNumeric(const TDbfDescriptor& column) const {
  if (Version() != kVersionExtended) return false;
  switch (column.type) {
    case 'I':
    case 'B':
    case 'T':
    case 'Y':
    case 'M':
    case 'G':
      return true;
    default:
      return false;
  }
}

// ---- whole records -----------------------------------------------------------

void TDbfColumns::BlankRecord() {
  std::memset(RecordBuffer(), ' ', static_cast<size_t>(RecordLength()));
  for (const TDbfDescriptor& d : Descriptors()) {
    if (IsNumericType(d.type) || IsBinaryNumeric(d)) {
      try {
        PutNumber(d.number, 0.0);
      } catch (const ETableError&) {
        // A column too narrow for its own zero ("0.00" in N(3,2)) stays
        // blank, which reads as 0 all the same.
      }
    }
  }
  MarkAllColumnsChanged();
  SetRecordChanged();
  Notify(TNotifyEvent::kRecordBlanked, 0);
}

void TDbfColumns::SetDeletionFlag(uint8_t flag) {
  if (RecordBuffer()[0] == flag) return;
  RecordBuffer()[0] = flag;
  MarkColumnChanged(0);
  SetRecordChanged();
  // Without a current record there is no place to write in; appending here
  // would add a record nobody asked for.
  if (CurrentRecord() >= 1 && CurrentRecord() <= RecordCount()) WriteRecord(CurrentRecord());
}

void TDbfColumns::DeleteRecord() { SetDeletionFlag(kDeletedFlag); }

void TDbfColumns::RecallRecord() { SetDeletionFlag(kLiveFlag); }

// ---- text --------------------------------------------------------------------

std::string_view TDbfColumns::GetTextView(int n) const {
  const TDbfDescriptor* c = Column(n);
  if (c == nullptr) return {};
  return std::string_view(reinterpret_cast<const char*>(RecordBuffer()) + c->offset,
                          static_cast<size_t>(c->width));
}

std::string TDbfColumns::GetText(int n) const { return std::string(GetTextView(n)); }

std::string TDbfColumns::GetText(std::string_view name) { return GetText(FindField(name).number); }

void TDbfColumns::StoreText(const TDbfDescriptor& column, std::string_view text) {
  uint8_t* target = RecordBuffer() + column.offset;
  const size_t width = static_cast<size_t>(column.width);
  const size_t length = std::min(width, text.size());
  std::memset(target, ' ', width);
  const bool left = column.type == 'C' || column.type == 'D' || column.type == 'L';
  std::memcpy(target + (left ? 0 : width - length), text.data(), length);
  MarkColumnChanged(column.number);
  SetRecordChanged();
}

void TDbfColumns::PutText(int n, std::string_view text) {
  if (const TDbfDescriptor* c = Column(n)) StoreText(*c, text);
}

void TDbfColumns::PutText(std::string_view name, std::string_view text) {
  StoreText(FindField(name), text);
}

// ---- strings -----------------------------------------------------------------

void TDbfColumns::GetString(int n, std::string* out) const {
  out->clear();
  const TDbfDescriptor* c = Column(n);
  if (c == nullptr) return;
  std::string_view text = TrimEndSpaceOrControl(GetTextView(n));
  switch (c->type) {
    case 'N':
    case 'F':
      text = TrimStartSpaceOrControl(text);
      if (text.empty()) {
        FormatFixed(0.0, c->decimals, out);
      } else {
        out->assign(text);
      }
      return;
    case 'D':
      if (const int day = JulianDayFromStored(text); day > 0) out->assign(ShortDateText(day));
      return;
    case 'L':
      out->assign(GetLogical(n) ? "T" : "F");
      return;
    default:
      out->assign(text);
  }
}

std::string TDbfColumns::GetString(int n) const {
  std::string out;
  GetString(n, &out);
  return out;
}

std::string TDbfColumns::GetString(std::string_view name) {
  return GetString(FindField(name).number);
}

void TDbfColumns::PutString(int n, std::string_view text) {
  const TDbfDescriptor* c = Column(n);
  if (c == nullptr) return;
  switch (c->type) {
    case 'D': {
      const std::string_view trimmed = TrimEndSpaceOrControl(text);
      int day = 0;
      if (trimmed.empty() || trimmed.find_first_not_of('0') == std::string_view::npos) {
        day = 0;
      } else if (trimmed.size() == 8 && AllDigits(trimmed)) {
        day = JulianDayFromStored(trimmed);
        if (day == 0) day = kJulianDay18991230;
      } else if (!ParseShortDate(trimmed, &day)) {
        throw ETableError(FormatMessage(kNotValidDate, {trimmed}));
      }
      PutDate(n, day);
      return;
    }
    case 'N':
    case 'F': {
      const std::string_view trimmed = TrimEndSpaceOrControl(text);
      double value = 0;
      if (!trimmed.empty() && !ParseLocaleNumber(trimmed, &value)) {
        throw ETableError(FormatMessage(kInvalidValue, {"Number", c->name}));
      }
      PutNumber(n, value);
      return;
    }
    case 'L': {
      const char first = text.empty() ? 'F' : text.front();
      if (std::string_view("TtYyJj").find(first) != std::string_view::npos) {
        PutLogical(n, true);
      } else if (std::string_view("FfNn").find(first) != std::string_view::npos) {
        PutLogical(n, false);
      } else {
        double value = 0;
        if (!ParseLocaleNumber(text, &value)) {
          throw ETableError(FormatMessage(kInvalidValue, {"Logical", c->name}));
        }
        PutLogical(n, std::trunc(value) != 0);
      }
      return;
    }
    default:
      StoreText(*c, text);
  }
}

void TDbfColumns::PutString(std::string_view name, std::string_view text) {
  PutString(FindField(name).number, text);
}

// ---- numbers -----------------------------------------------------------------

double TDbfColumns::GetNumber(int n) const {
  const TDbfDescriptor* c = Column(n);
  if (c == nullptr) return 0;
  const uint8_t* bytes = RecordBuffer() + c->offset;
  if (IsBinaryNumeric(*c)) {
    switch (c->type) {
      case 'I':
        return static_cast<double>(GetLittle(bytes, 4));
      case 'B': {
        double value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
      }
      case 'Y':
        return static_cast<double>(GetLittle(bytes, 8)) / 10000.0;
      case 'T':
        return static_cast<double>(GetLittle(bytes, 4)) * kMillisecondsPerDay +
               static_cast<double>(GetLittle(bytes + 4, 4));
      default:  // M, G: a block number, four blanks for none
        if (c->width >= 4 && std::memcmp(bytes, "    ", 4) == 0) return 0;
        return static_cast<double>(GetLittle(bytes, 4));
    }
  }
  const std::string_view text = TrimEndSpaceOrControl(GetTextView(n));
  if (text.empty()) return 0;
  double value = 0;
  if (!ParseDecimal(text, &value)) {
    if (IsUnsetNumber(n)) return 0;
    throw ETableError(FormatMessage(
        kInvalidNumeric, {BaseFileName() + "->" + c->name + " (" + std::string(text) + ")"}));
  }
  return value;
}

bool TDbfColumns::IsUnsetNumber(int n) const {
  const TDbfDescriptor* c = Column(n);
  if (c == nullptr || (c->type != 'N' && c->type != 'F') || IsBinaryNumeric(*c)) return false;
  const std::string_view text = TrimSpaceOrControl(GetTextView(n));
  return !text.empty() && text.find_first_not_of('*') == std::string_view::npos;
}

double TDbfColumns::GetNumber(std::string_view name) {
  return GetNumber(FindTyped(name, "NFBGIM").number);
}

void TDbfColumns::PutNumber(int n, double value) {
  const TDbfDescriptor* c = Column(n);
  if (c == nullptr) return;
  const bool binary = IsBinaryNumeric(*c);
  const bool text_numeric =
      c->type == 'N' || c->type == 'F' || c->type == 'B' || c->type == 'G' || c->type == 'M';
  if (!binary && !text_numeric) throw ETableError(FormatMessage(kIncorrectType, {c->name}));
  uint8_t* bytes = RecordBuffer() + c->offset;
  if (binary) {
    auto too_big = [&] {
      return ETableError(FormatMessage(kNumericTooBig, {c->name + " - " + FormatFixed(value, 0)}));
    };
    switch (c->type) {
      case 'B':
        std::memcpy(bytes, &value, sizeof value);
        break;
      case 'Y': {
        const double scaled = std::round(value * 10000.0);
        if (!(std::fabs(scaled) < 9.2e18)) throw too_big();
        PutLittle(bytes, static_cast<int64_t>(scaled), 8);
        break;
      }
      case 'T': {
        if (!(std::fabs(value) < 9e18)) throw too_big();
        const double day = std::floor(value / kMillisecondsPerDay);
        const double ms = std::round(value - day * kMillisecondsPerDay);
        if (!(std::fabs(day) < 2147483647.0)) throw too_big();
        PutLittle(bytes, static_cast<int64_t>(day), 4);
        PutLittle(bytes + 4, static_cast<int64_t>(ms), 4);
        break;
      }
      default: {  // I, M, G: 32-bit integers
        const double rounded = std::round(value);
        if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throw too_big();
        PutLittle(bytes, static_cast<int64_t>(rounded), 4);
      }
    }
    MarkColumnChanged(n);
    SetRecordChanged();
    return;
  }
  // Width and decimals straight from descriptor bytes 16 and 17.
  const int width = c->raw[16];
  const int decimals = c->raw[17];
  thread_local std::string text;
  FormatFixed(value, decimals, &text);
  if (static_cast<int>(text.size()) > width || !std::isfinite(value)) {
    throw ETableError(FormatMessage(kNumericTooBig, {c->name + " - " + text}));
  }
  StoreText(*c, text);
}

void TDbfColumns::PutNumber(std::string_view name, double value) {
  PutNumber(FindTyped(name, "NFBGIM").number, value);
}

// ---- logicals ----------------------------------------------------------------

bool TDbfColumns::GetLogical(int n) const {
  const std::string_view text = GetTextView(n);
  return !text.empty() && std::string_view("TtYyJj").find(text) != std::string_view::npos;
}

bool TDbfColumns::GetLogical(std::string_view name) {
  return GetLogical(FindTyped(name, "L").number);
}

void TDbfColumns::PutLogical(int n, bool value) {
  const TDbfDescriptor* c = Column(n);
  if (c == nullptr) return;
  if (c->type != 'L') throw ETableError(FormatMessage(kInvalidValue, {"Logical", c->name}));
  StoreText(*c, value ? "T" : "F");
}

void TDbfColumns::PutLogical(std::string_view name, bool value) {
  PutLogical(FindTyped(name, "L").number, value);
}

// ---- dates -------------------------------------------------------------------

int TDbfColumns::GetDate(int n) const {
  const TDbfDescriptor* c = Column(n);
  if (c == nullptr) return 0;
  const std::string_view text = TrimEndSpaceOrControl(GetTextView(n));
  if (text.empty() || text == "00000000") return 0;
  if (text.size() == 8 && AllDigits(text)) {
    const int day = JulianDayFromStored(text);
    return day != 0 ? day : kJulianDay18991230;
  }
  int day = 0;
  if (!ParseShortDate(text, &day)) {
    throw ETableError(FormatMessage(
        kInvalidDate, {BaseFileName() + "->" + c->name + " (" + std::string(text) + ")"}));
  }
  return day;
}

int TDbfColumns::GetDate(std::string_view name) { return GetDate(FindTyped(name, "D").number); }

void TDbfColumns::PutDate(int n, int julian_day) {
  const TDbfDescriptor* c = Column(n);
  if (c == nullptr || c->type != 'D') return;
  if (julian_day == -1) throw ETableError(FormatMessage(kInvalidValue, {"Date", c->name}));
  StoreText(*c, StoredDate(julian_day));
}

void TDbfColumns::PutDate(std::string_view name, int julian_day) {
  PutDate(FindTyped(name, "D").number, julian_day);
}

}  // namespace zakaz::dbf
