// Field objects of a TTableDataSet: one typed accessor per column (data
// fields) or per calculated value (calculated fields).
//
// Fields belong to their dataset. Declared fields are added with
// TTableDataSet::AddField before opening and live as long as the dataset;
// when none are declared, the opening creates one per column and the closing
// destroys them, so a reference to such a field is good only while the
// dataset stays open. A field reads the row the dataset says is current: the
// active row of the window, the row being computed while calculated fields
// run (OnCalcFields), or the record just read while OnFilterRecord runs.
// Setting a field changes only the dataset's row buffer; Post writes it.
//
// Each class reads one kind of value from the row and converts the others
// from it: a string field reads text (translated to the program's code page),
// the whole-number fields a number rounded halves-to-even, the float and
// currency fields a double, the boolean field a flag, the date field a day
// count (days since 30 December 1899, the program's date-time value), the
// date-time field the engine's number. Text given to a numeric field is
// checked and reported with the field's own message.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zakaz::dbf {

class TTableDataSet;
class TDataSetTable;

enum class TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftAutoInc,
  ftLargeint,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftDate,
  ftTime,
  ftDateTime,
  ftMemo,
  ftBlob,
};

enum class TFieldKind { fkData, fkCalculated };

// The type's name as messages show it ("String", "Integer", "Float", ...).
const char* FieldTypeName(TFieldType type);

class TField {
 public:
  virtual ~TField() = default;
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& FieldName() const { return name_; }
  TFieldType DataType() const { return type_; }
  TFieldKind FieldKind() const { return kind_; }
  bool Calculated() const { return kind_ == TFieldKind::fkCalculated; }
  // Declared size (string fields: characters; others 0).
  int32_t Size() const { return size_; }
  // The column number the field reads (1..), 0 for a calculated field.
  int32_t FieldNo() const { return field_no_; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  TTableDataSet& DataSet() const { return *dataset_; }

  // Reading. With no current row (closed dataset, empty window) a field is
  // null: empty text, zero, false.
  bool IsNull() const;
  std::string AsString() const;
  int32_t AsInteger() const;
  int64_t AsLargeInt() const;
  double AsFloat() const;
  bool AsBoolean() const;

  // Setting: only while the dataset edits or inserts (calculated fields also
  // while calculated fields are computed). Throws EDatabaseError with the
  // dataset layer's messages, or ETableError from the engine (a number too
  // wide for its column); a failed set leaves the row as it was.
  void SetAsString(std::string_view text);
  void SetAsInteger(int32_t value) { SetAsLargeInt(value); }
  void SetAsLargeInt(int64_t value);
  void SetAsFloat(double value);
  void SetAsBoolean(bool value);
  void Clear();  // null

 protected:
  TField(TTableDataSet& dataset, std::string name, TFieldType type, int32_t size, TFieldKind kind);

  // What a class reads natively; `is_null` tells whether the row holds a
  // value. The defaults convert from the native reading.
  virtual std::string ReadText(bool* is_null) const = 0;
  virtual double ReadNumber(bool* is_null) const = 0;
  virtual int64_t ReadWhole(bool* is_null) const;
  virtual bool ReadFlag(bool* is_null) const;
  // Store a value (checks done by the caller, range and text checks here).
  virtual void StoreText(std::string_view text) = 0;
  virtual void StoreNumber(double value) = 0;
  virtual void StoreWhole(int64_t value) { StoreNumber(static_cast<double>(value)); }
  virtual void StoreFlag(bool value) { StoreWhole(value ? 1 : 0); }
  virtual void StoreNull() = 0;
  // Room the field takes in the calculated-field area (has-value byte
  // excluded).
  virtual int32_t CalcPayloadSize() const { return 8; }

  // Access for the classes: the row being read, its calculated-field slot
  // (has-value byte first), and the table object. Null when there is no row.
  uint8_t* Record() const;
  uint8_t* CalcSlot() const;
  TDataSetTable& Table() const;
  [[noreturn]] void ConversionError(const char* text, std::string_view value) const;
  [[noreturn]] void AccessError(const char* type_name) const;

 private:
  friend class TTableDataSet;
  void BeginSet();
  void EndSet();

  TTableDataSet* dataset_;
  std::string name_;
  TFieldType type_;
  int32_t size_;
  TFieldKind kind_;
  int32_t field_no_ = 0;
  int32_t calc_offset_ = -1;
  bool read_only_ = false;
  bool created_at_open_ = false;
};

// C columns. Reads the column without trailing bytes <= 0x20, cut to Size()
// and translated to the program's code page; null when nothing remains.
class TStringField : public TField {
 public:
  TStringField(TTableDataSet& dataset, std::string name, int32_t size,
               TFieldKind kind = TFieldKind::fkData);

 protected:
  std::string ReadText(bool* is_null) const override;
  double ReadNumber(bool* is_null) const override;
  void StoreText(std::string_view text) override;
  void StoreNumber(double value) override;
  void StoreNull() override;
  int32_t CalcPayloadSize() const override { return Size() + 1; }
};

// Whole numbers: smallint (16-bit), integer (32-bit), large integer (64-bit).
// Never null as data fields (a blank column reads 0).
class TWholeNumberField : public TField {
 public:
  TWholeNumberField(TTableDataSet& dataset, std::string name, TFieldType type,
                    TFieldKind kind = TFieldKind::fkData);
  int64_t MinValue() const { return min_; }
  int64_t MaxValue() const { return max_; }

 protected:
  std::string ReadText(bool* is_null) const override;
  double ReadNumber(bool* is_null) const override;
  int64_t ReadWhole(bool* is_null) const override;
  void StoreText(std::string_view text) override;
  void StoreNumber(double value) override;
  void StoreWhole(int64_t value) override;
  void StoreNull() override;

 private:
  int64_t min_, max_;
};

class TSmallintField : public TWholeNumberField {
 public:
  TSmallintField(TTableDataSet& dataset, std::string name, TFieldKind kind = TFieldKind::fkData)
      : TWholeNumberField(dataset, std::move(name), TFieldType::ftSmallint, kind) {}
};
class TIntegerField : public TWholeNumberField {
 public:
  TIntegerField(TTableDataSet& dataset, std::string name, TFieldKind kind = TFieldKind::fkData)
      : TWholeNumberField(dataset, std::move(name), TFieldType::ftInteger, kind) {}
};
class TLargeintField : public TWholeNumberField {
 public:
  TLargeintField(TTableDataSet& dataset, std::string name, TFieldKind kind = TFieldKind::fkData)
      : TWholeNumberField(dataset, std::move(name), TFieldType::ftLargeint, kind) {}
};

// Floating point; the currency field is the same value kept for money. As
// data fields they are never null. Text is shown with the program's decimal
// comma and read with a comma or a full stop.
class TFloatField : public TField {
 public:
  TFloatField(TTableDataSet& dataset, std::string name, TFieldKind kind = TFieldKind::fkData,
              TFieldType type = TFieldType::ftFloat);

 protected:
  std::string ReadText(bool* is_null) const override;
  double ReadNumber(bool* is_null) const override;
  void StoreText(std::string_view text) override;
  void StoreNumber(double value) override;
  void StoreNull() override;
};

class TCurrencyField : public TFloatField {
 public:
  TCurrencyField(TTableDataSet& dataset, std::string name, TFieldKind kind = TFieldKind::fkData)
      : TFloatField(dataset, std::move(name), kind, TFieldType::ftCurrency) {}

 protected:
  // A currency data column receives nothing: the value lives in the buffer.
  void StoreNumber(double value) override;
  void StoreNull() override;
};

// L columns: "True" / "False" as text.
class TBooleanField : public TField {
 public:
  TBooleanField(TTableDataSet& dataset, std::string name, TFieldKind kind = TFieldKind::fkData);

 protected:
  std::string ReadText(bool* is_null) const override;
  double ReadNumber(bool* is_null) const override;
  bool ReadFlag(bool* is_null) const override;
  void StoreText(std::string_view text) override;
  void StoreNumber(double value) override;
  void StoreFlag(bool value) override;
  void StoreNull() override;
};

// D columns: null unless the column holds eight characters, not all zeros,
// that form a real date YYYYMMDD. Text is dd.mm.yyyy.
class TDateField : public TField {
 public:
  TDateField(TTableDataSet& dataset, std::string name, TFieldKind kind = TFieldKind::fkData);

 protected:
  std::string ReadText(bool* is_null) const override;
  double ReadNumber(bool* is_null) const override;
  void StoreText(std::string_view text) override;
  void StoreNumber(double value) override;
  void StoreNull() override;
};

// T columns: the engine's number; null when zero.
class TDateTimeField : public TFloatField {
 public:
  TDateTimeField(TTableDataSet& dataset, std::string name, TFieldKind kind = TFieldKind::fkData);

 protected:
  std::string ReadText(bool* is_null) const override;
  double ReadNumber(bool* is_null) const override;
};

// M, B and G columns: null when the block number is zero; contents are not
// read and nothing is stored.
class TBlobField : public TField {
 public:
  TBlobField(TTableDataSet& dataset, std::string name, TFieldType type);

 protected:
  std::string ReadText(bool* is_null) const override;
  double ReadNumber(bool* is_null) const override;
  void StoreText(std::string_view text) override;
  void StoreNumber(double value) override;
  void StoreNull() override;
};

// A field of `dataset` of the class that reads columns of `type` (`size`
// is a string field's width); nullptr for ftUnknown.
std::unique_ptr<TField> MakeField(TTableDataSet& dataset, std::string name, TFieldType type,
                                  int32_t size, TFieldKind kind);

}  // namespace zakaz::dbf
