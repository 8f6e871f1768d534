#include "dbf/dataset/dataset_fields.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "common/ascii_text.h"
#include "common/format_message.h"
#include "common/formats.h"
#include "dbf/base/errors.h"
#include "dbf/base/julian_day.h"
#include "dbf/base/number_text.h"
#include "dbf/dataset/dataset_internal.h"
#include "dbf/dataset/dataset_messages.h"
#include "dbf/dataset/dataset_table.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"

namespace zakaz::dbf {
namespace msg = dataset_messages;

namespace {

// Day 0 of the program's date values is 30 December 1899.
constexpr double kJulianDayOfDateZero = kJulianDay18991230;

// A number in the range message: printf's "%.15g" with a full stop, as the
// message has always shown it (the message is support's text, not a display).
std::string RangeNumberText(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", value);
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == ',') *p = '.';
  }
  return text;
}

// A whole number: optional sign, decimal digits, blanks around.
bool ParseWhole(std::string_view text, int64_t* value) {
  text = TrimSpaceOrControl(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  uint64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    if (magnitude > (std::numeric_limits<uint64_t>::max() - 9) / 10) return false;
    magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
  }
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (magnitude > limit) return false;
  *value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

// Payload readers and writers of a calculated-field slot (has-value byte
// first, then the value).
double SlotDouble(const uint8_t* slot) {
  double value;
  std::memcpy(&value, slot + 1, sizeof value);
  return value;
}
void SetSlotDouble(uint8_t* slot, double value) {
  slot[0] = 1;
  std::memcpy(slot + 1, &value, sizeof value);
}
int64_t SlotWhole(const uint8_t* slot) {
  int64_t value;
  std::memcpy(&value, slot + 1, sizeof value);
  return value;
}
void SetSlotWhole(uint8_t* slot, int64_t value) {
  slot[0] = 1;
  std::memcpy(slot + 1, &value, sizeof value);
}

}  // namespace

// Rounds halves to the even neighbour, saturating at the 64-bit range.
int64_t RoundToWhole(double value) {
  if (std::isnan(value)) return 0;
  const double rounded = std::nearbyint(value);
  if (rounded >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (rounded <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(rounded);
}

const char* FieldTypeName(TFieldType type) {
  switch (type) {
    case TFieldType::ftUnknown:
      return "Unknown";
    case TFieldType::ftString:
      return "String";
    case TFieldType::ftSmallint:
      return "SmallInt";
    case TFieldType::ftInteger:
      return "Integer";
    case TFieldType::ftWord:
      return "Word";
    case TFieldType::ftAutoInc:
      return "AutoInc";
    case TFieldType::ftLargeint:
      return "LargeInt";
    case TFieldType::ftBoolean:
      return "Boolean";
    case TFieldType::ftFloat:
      return "Float";
    case TFieldType::ftCurrency:
      return "Currency";
    case TFieldType::ftDate:
      return "Date";
    case TFieldType::ftTime:
      return "Time";
    case TFieldType::ftDateTime:
      return "DateTime";
    case TFieldType::ftMemo:
      return "Memo";
    case TFieldType::ftBlob:
      return "Blob";
  }
  return "Unknown";
}

// ---- TField --------------------------------------------------------------------

TField::TField(TTableDataSet& dataset, std::string name, TFieldType type, int32_t size,
               TFieldKind kind)
    : dataset_(&dataset), name_(std::move(name)), type_(type), size_(size), kind_(kind) {}

uint8_t* TField::Record() const {
  if (Calculated() || field_no_ == 0) return nullptr;
  return dataset_->FieldRecord();
}

uint8_t* TField::CalcSlot() const {
  if (!Calculated() || calc_offset_ < 0) return nullptr;
  uint8_t* area = dataset_->FieldCalcArea();
  return area ? area + calc_offset_ : nullptr;
}

TDataSetTable& TField::Table() const { return *dataset_->table_; }

void TField::ConversionError(const char* text, std::string_view value) const {
  throw EDatabaseError(FormatMessage(text, {value, name_}));
}

void TField::AccessError(const char* type_name) const {
  throw EDatabaseError(FormatMessage(msg::kCannotAccessAs, {name_, std::string_view(type_name)}));
}

int64_t TField::ReadWhole(bool* is_null) const { return RoundToWhole(ReadNumber(is_null)); }

bool TField::ReadFlag(bool* is_null) const { return ReadNumber(is_null) != 0; }

bool TField::IsNull() const {
  bool is_null = true;
  if (type_ == TFieldType::ftString || type_ == TFieldType::ftMemo || type_ == TFieldType::ftBlob ||
      type_ == TFieldType::ftDate) {
    ReadText(&is_null);
  } else {
    ReadNumber(&is_null);
  }
  return is_null;
}

std::string TField::AsString() const {
  bool is_null = true;
  return ReadText(&is_null);
}

int32_t TField::AsInteger() const {
  bool is_null = true;
  return static_cast<int32_t>(ReadWhole(&is_null));
}

int64_t TField::AsLargeInt() const {
  bool is_null = true;
  return ReadWhole(&is_null);
}

double TField::AsFloat() const {
  bool is_null = true;
  return ReadNumber(&is_null);
}

bool TField::AsBoolean() const {
  bool is_null = true;
  return ReadFlag(&is_null);
}

void TField::BeginSet() {
  TTableDataSet& ds = *dataset_;
  const bool calculating = ds.calc_buffer_ != nullptr;
  if (calculating) {
    // While calculated fields are computed only they can be set.
    if (!Calculated()) throw EDatabaseError(msg::kNotEditing);
    return;
  }
  if (ds.state_ != TDataSetState::dsEdit && ds.state_ != TDataSetState::dsInsert) {
    throw EDatabaseError(msg::kNotEditing);
  }
  if (read_only_) throw EDatabaseError(FormatMessage(msg::kFieldReadOnly, {name_}));
  if (!Calculated() && field_no_ == 0) throw EDatabaseError(msg::kNotEditing);
}

void TField::EndSet() { dataset_->AfterFieldSet(*this); }

void TField::SetAsString(std::string_view text) {
  BeginSet();
  StoreText(text);
  EndSet();
}

void TField::SetAsLargeInt(int64_t value) {
  BeginSet();
  StoreWhole(value);
  EndSet();
}

void TField::SetAsFloat(double value) {
  BeginSet();
  StoreNumber(value);
  EndSet();
}

void TField::SetAsBoolean(bool value) {
  BeginSet();
  StoreFlag(value);
  EndSet();
}

void TField::Clear() {
  BeginSet();
  StoreNull();
  EndSet();
}

// ---- TStringField ----------------------------------------------------------------

TStringField::TStringField(TTableDataSet& dataset, std::string name, int32_t size, TFieldKind kind)
    : TField(dataset, std::move(name), TFieldType::ftString, size, kind) {}

std::string TStringField::ReadText(bool* is_null) const {
  std::string text;
  if (const uint8_t* slot = CalcSlot()) {
    if (slot[0] != 0) text = reinterpret_cast<const char*>(slot + 1);
  } else if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    Table().GetString(FieldNo(), &text);
    // The field's buffer holds Size() characters and a terminating zero.
    const size_t length = std::min(text.find('\0'), static_cast<size_t>(std::max(Size(), 0)));
    if (length < text.size()) text.resize(length);
    // Translated in place: every shown row reads its fields, and Translate
    // would copy the text once more.
    if (DataSet().TranslateASCII()) FromOemInPlace(text.data(), text.size());
  }
  *is_null = text.empty();
  return text;
}

double TStringField::ReadNumber(bool* is_null) const {
  const std::string text = ReadText(is_null);
  if (*is_null) return 0;
  double value = 0;
  if (!ParseLocaleNumber(text, &value)) ConversionError(msg::kInvalidFloatValue, text);
  return value;
}

void TStringField::StoreText(std::string_view text) {
  text = text.substr(0, std::min(text.size(), static_cast<size_t>(std::max(Size(), 0))));
  if (uint8_t* slot = CalcSlot()) {
    std::memset(slot, 0, static_cast<size_t>(CalcPayloadSize()) + 1);
    slot[0] = 1;
    std::memcpy(slot + 1, text.data(), text.size());
  } else if (uint8_t* record = Record()) {
    const std::string stored = DataSet().Translate(text, true);
    TBufferLoan loan(Table(), record);
    Table().PutString(FieldNo(), stored);
  }
}

void TStringField::StoreNumber(double value) { StoreText(FormatFloat(value)); }

void TStringField::StoreNull() {
  if (uint8_t* slot = CalcSlot()) {
    std::memset(slot, 0, static_cast<size_t>(CalcPayloadSize()) + 1);
  } else if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    Table().PutText(FieldNo(), "");
  }
}

// ---- Whole numbers -----------------------------------------------------------------

TWholeNumberField::TWholeNumberField(TTableDataSet& dataset, std::string name, TFieldType type,
                                     TFieldKind kind)
    : TField(dataset, std::move(name), type, 0, kind) {
  switch (type) {
    case TFieldType::ftSmallint:
      min_ = -32768;
      max_ = 32767;
      break;
    case TFieldType::ftLargeint:
      min_ = std::numeric_limits<int64_t>::min();
      max_ = std::numeric_limits<int64_t>::max();
      break;
    default:
      min_ = std::numeric_limits<int32_t>::min();
      max_ = std::numeric_limits<int32_t>::max();
      break;
  }
}

int64_t TWholeNumberField::ReadWhole(bool* is_null) const {
  *is_null = true;
  int64_t value = 0;
  if (const uint8_t* slot = CalcSlot()) {
    if (slot[0] == 0) return 0;
    value = SlotWhole(slot);
  } else if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    if (Table().IsUnsetNumber(FieldNo())) return 0;
    value = RoundToWhole(Table().GetNumber(FieldNo()));
  } else {
    return 0;
  }
  *is_null = false;
  // Stored into 16, 32 or 64 bits as the field's type says.
  switch (DataType()) {
    case TFieldType::ftSmallint:
      return static_cast<int16_t>(value);
    case TFieldType::ftLargeint:
      return value;
    default:
      return static_cast<int32_t>(value);
  }
}

double TWholeNumberField::ReadNumber(bool* is_null) const {
  return static_cast<double>(ReadWhole(is_null));
}

std::string TWholeNumberField::ReadText(bool* is_null) const {
  const int64_t value = ReadWhole(is_null);
  return *is_null ? std::string() : std::to_string(value);
}

void TWholeNumberField::StoreWhole(int64_t value) {
  if (value < min_ || value > max_) {
    throw EDatabaseError(FormatMessage(
        msg::kValueOutOfRange,
        {RangeNumberText(static_cast<double>(value)), FieldName(),
         RangeNumberText(static_cast<double>(min_)), RangeNumberText(static_cast<double>(max_))}));
  }
  if (uint8_t* slot = CalcSlot()) {
    SetSlotWhole(slot, value);
  } else if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    Table().PutNumber(FieldNo(), static_cast<double>(value));
  }
}

void TWholeNumberField::StoreNumber(double value) {
  if (std::isnan(value) || value < static_cast<double>(min_) || value > static_cast<double>(max_)) {
    throw EDatabaseError(FormatMessage(
        msg::kValueOutOfRange,
        {RangeNumberText(value), FieldName(), RangeNumberText(static_cast<double>(min_)),
         RangeNumberText(static_cast<double>(max_))}));
  }
  StoreWhole(RoundToWhole(value));
}

void TWholeNumberField::StoreText(std::string_view text) {
  if (TrimSpaceOrControl(text).empty()) {
    StoreNull();
    return;
  }
  int64_t value = 0;
  if (!ParseWhole(text, &value)) ConversionError(msg::kInvalidIntegerValue, text);
  StoreWhole(value);
}

void TWholeNumberField::StoreNull() {
  if (uint8_t* slot = CalcSlot()) {
    slot[0] = 0;
  } else if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    Table().PutNumber(FieldNo(), 0);
  }
}

// ---- Floating point ------------------------------------------------------------------

TFloatField::TFloatField(TTableDataSet& dataset, std::string name, TFieldKind kind, TFieldType type)
    : TField(dataset, std::move(name), type, 0, kind) {}

double TFloatField::ReadNumber(bool* is_null) const {
  *is_null = true;
  if (const uint8_t* slot = CalcSlot()) {
    if (slot[0] == 0) return 0;
    *is_null = false;
    return SlotDouble(slot);
  }
  if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    if (Table().IsUnsetNumber(FieldNo())) return 0;
    const double value = Table().GetNumber(FieldNo());
    *is_null = false;
    return value;
  }
  return 0;
}

std::string TFloatField::ReadText(bool* is_null) const {
  const double value = ReadNumber(is_null);
  return *is_null ? std::string() : FormatFloat(value);
}

void TFloatField::StoreNumber(double value) {
  if (uint8_t* slot = CalcSlot()) {
    SetSlotDouble(slot, value);
  } else if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    Table().PutNumber(FieldNo(), value);
  }
}

void TFloatField::StoreText(std::string_view text) {
  if (TrimSpaceOrControl(text).empty()) {
    StoreNull();
    return;
  }
  double value = 0;
  if (!ParseLocaleNumber(text, &value)) ConversionError(msg::kInvalidFloatValue, text);
  StoreNumber(value);
}

void TFloatField::StoreNull() {
  if (uint8_t* slot = CalcSlot()) {
    slot[0] = 0;
  } else if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    Table().PutNumber(FieldNo(), 0);
  }
}

void TCurrencyField::StoreNumber(double value) {
  if (Calculated()) TFloatField::StoreNumber(value);
}

void TCurrencyField::StoreNull() {
  if (Calculated()) TFloatField::StoreNull();
}

// ---- Boolean -----------------------------------------------------------------------------

TBooleanField::TBooleanField(TTableDataSet& dataset, std::string name, TFieldKind kind)
    : TField(dataset, std::move(name), TFieldType::ftBoolean, 0, kind) {}

bool TBooleanField::ReadFlag(bool* is_null) const {
  *is_null = true;
  if (const uint8_t* slot = CalcSlot()) {
    if (slot[0] == 0) return false;
    *is_null = false;
    return slot[1] != 0;
  }
  if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    *is_null = false;
    return Table().GetLogical(FieldNo());
  }
  return false;
}

double TBooleanField::ReadNumber(bool* is_null) const { return ReadFlag(is_null) ? 1 : 0; }

std::string TBooleanField::ReadText(bool* is_null) const {
  const bool value = ReadFlag(is_null);
  if (*is_null) return std::string();
  return value ? "True" : "False";
}

void TBooleanField::StoreFlag(bool value) {
  if (uint8_t* slot = CalcSlot()) {
    slot[0] = 1;
    slot[1] = value ? 1 : 0;
  } else if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    Table().PutLogical(FieldNo(), value);
  }
}

void TBooleanField::StoreNumber(double value) { StoreFlag(value != 0); }

void TBooleanField::StoreText(std::string_view text) {
  const std::string_view trimmed = TrimSpaceOrControl(text);
  if (trimmed.empty()) {
    StoreNull();
    return;
  }
  std::string upper(trimmed);
  for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  if (upper == "TRUE" || upper == "T" || upper == "YES" || upper == "Y") {
    StoreFlag(true);
  } else if (upper == "FALSE" || upper == "F" || upper == "NO" || upper == "N") {
    StoreFlag(false);
  } else {
    ConversionError(msg::kInvalidBooleanValue, text);
  }
}

void TBooleanField::StoreNull() {
  if (uint8_t* slot = CalcSlot()) {
    slot[0] = 0;
  } else if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    Table().PutText(FieldNo(), "");
  }
}

// ---- Date --------------------------------------------------------------------------------

TDateField::TDateField(TTableDataSet& dataset, std::string name, TFieldKind kind)
    : TField(dataset, std::move(name), TFieldType::ftDate, 0, kind) {}

double TDateField::ReadNumber(bool* is_null) const {
  *is_null = true;
  if (const uint8_t* slot = CalcSlot()) {
    if (slot[0] == 0) return 0;
    *is_null = false;
    return SlotDouble(slot);
  }
  if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    std::string_view text = Table().GetTextView(FieldNo());
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.size() != 8 || text == "00000000") return 0;
    const int julian_day = JulianDayFromStored(text);
    if (julian_day == 0) return 0;
    *is_null = false;
    return julian_day - kJulianDayOfDateZero;
  }
  return 0;
}

std::string TDateField::ReadText(bool* is_null) const {
  const double value = ReadNumber(is_null);
  if (*is_null) return std::string();
  return ShortDateText(static_cast<int>(std::floor(value) + kJulianDayOfDateZero));
}

void TDateField::StoreNumber(double value) {
  if (uint8_t* slot = CalcSlot()) {
    SetSlotDouble(slot, value);
  } else if (uint8_t* record = Record()) {
    const int julian_day = static_cast<int>(std::floor(value) + kJulianDayOfDateZero);
    TBufferLoan loan(Table(), record);
    Table().PutText(FieldNo(), StoredDate(julian_day));
  }
}

void TDateField::StoreText(std::string_view text) {
  if (TrimSpaceOrControl(text).empty()) {
    StoreNull();
    return;
  }
  int julian_day = 0;
  if (!ParseShortDate(TrimSpaceOrControl(text), &julian_day))
    ConversionError(msg::kInvalidDateValue, text);
  StoreNumber(julian_day - kJulianDayOfDateZero);
}

void TDateField::StoreNull() {
  if (uint8_t* slot = CalcSlot()) {
    slot[0] = 0;
  } else if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    Table().PutText(FieldNo(), "");
  }
}

// ---- Date-time ---------------------------------------------------------------------------

TDateTimeField::TDateTimeField(TTableDataSet& dataset, std::string name, TFieldKind kind)
    : TFloatField(dataset, std::move(name), kind, TFieldType::ftDateTime) {}

double TDateTimeField::ReadNumber(bool* is_null) const {
  const double value = TFloatField::ReadNumber(is_null);
  if (value == 0) *is_null = true;
  return value;
}

std::string TDateTimeField::ReadText(bool* is_null) const {
  const double value = ReadNumber(is_null);
  return *is_null ? std::string() : FormatFloat(value);
}

// ---- Memo and blob -------------------------------------------------------------------------

TBlobField::TBlobField(TTableDataSet& dataset, std::string name, TFieldType type)
    : TField(dataset, std::move(name), type, 0, TFieldKind::fkData) {}

double TBlobField::ReadNumber(bool* is_null) const {
  *is_null = true;
  if (uint8_t* record = Record()) {
    TBufferLoan loan(Table(), record);
    double block = 0;
    if (ParseDecimal(Table().GetTextView(FieldNo()), &block) && block != 0) *is_null = false;
  }
  return 0;
}

std::string TBlobField::ReadText(bool* is_null) const {
  ReadNumber(is_null);
  return std::string();
}

void TBlobField::StoreText(std::string_view) {}
void TBlobField::StoreNumber(double) {}
void TBlobField::StoreNull() {}

std::unique_ptr<TField> MakeField(TTableDataSet& dataset, std::string name, TFieldType type,
                                  int32_t size, TFieldKind kind) {
  switch (type) {
    case TFieldType::ftString:
      return std::make_unique<TStringField>(dataset, std::move(name), size, kind);
    case TFieldType::ftSmallint:
      return std::make_unique<TSmallintField>(dataset, std::move(name), kind);
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftAutoInc:
      return std::make_unique<TIntegerField>(dataset, std::move(name), kind);
    case TFieldType::ftLargeint:
      return std::make_unique<TLargeintField>(dataset, std::move(name), kind);
    case TFieldType::ftFloat:
      return std::make_unique<TFloatField>(dataset, std::move(name), kind);
    case TFieldType::ftCurrency:
      return std::make_unique<TCurrencyField>(dataset, std::move(name), kind);
    case TFieldType::ftBoolean:
      return std::make_unique<TBooleanField>(dataset, std::move(name), kind);
    case TFieldType::ftDate:
    case TFieldType::ftTime:
      return std::make_unique<TDateField>(dataset, std::move(name), kind);
    case TFieldType::ftDateTime:
      return std::make_unique<TDateTimeField>(dataset, std::move(name), kind);
    case TFieldType::ftMemo:
    case TFieldType::ftBlob:
      return std::make_unique<TBlobField>(dataset, std::move(name), type);
    case TFieldType::ftUnknown:
      break;
  }
  return nullptr;
}

}  // namespace zakaz::dbf
