// TDbfColumns: the column layer of the table engine. It reads and writes the
// values of the columns of the record in the record buffer, by column number
// (from 1) or by name (letter case ignored), and encodes and decodes them by
// type. Puts change only the record buffer; TDbfFile writes it.
//
// By-number operations give an empty or zero result (and puts do nothing) for
// a number outside 1..FieldCount(). By-name operations find the column with
// FindField (throwing "There is no field name %s" when absent) and check the
// type where the operation is typed. Reads allocate nothing except the strings
// they return; the views returned by GetTextView point into the record buffer
// and stay valid until the buffer changes or is swapped.
//
// Numbers are parsed and formatted here without the C locale: a full stop is
// the decimal point in the file whatever the process's locale says.
#pragma once

#include <string>
#include <string_view>

#include "dbf/table/dbf_file.h"

namespace zakaz::dbf {

class TDbfColumns : public TDbfFile {
 public:
  using TDbfFile::TDbfFile;

  // The first column whose stored name equals `name` (trailing blanks of
  // `name` ignored, letter case ignored). Throws "There is no field name %s"
  // with path->name.
  const TDbfDescriptor& FindField(std::string_view name);
  // Column number of `name`, 0 when absent.
  int FieldNumber(std::string_view name);

  // Fills the buffer with blanks and puts 0 into every numeric column; marks
  // every column changed; raises kRecordBlanked.
  void BlankRecord();

  // Sets the deletion flag to "*" (or a blank) and writes the record in
  // place, unless it already holds that flag. With no current record only the
  // buffer changes.
  void DeleteRecord();
  void RecallRecord();

  // Column properties.
  std::string FieldName(int n) const;
  char FieldType(int n) const;
  int FieldWidth(int n) const;
  int FieldDecimals(int n) const;
  int FieldOffset(int n) const;

  // The column's bytes as stored.
  std::string GetText(int n) const;
  std::string GetText(std::string_view name);
  std::string_view GetTextView(int n) const;
  // Blank-fills the column, then copies `text` cut to the width: left-aligned
  // for C, D and L, right-aligned for every other type.
  void PutText(int n, std::string_view text);
  void PutText(std::string_view name, std::string_view text);

  // The value as text: trailing bytes <= 0x20 removed; N/F also leading ones
  // (blank gives the written form of 0); D as dd.mm.yyyy or empty; L "T"/"F".
  std::string GetString(int n) const;
  std::string GetString(std::string_view name);
  // The same into `out`, reusing its storage (no allocation once it is large
  // enough).
  void GetString(int n, std::string* out) const;
  // D: a date text (empty, YYYYMMDD or dd.mm.yyyy); N/F: a number with a
  // full stop or comma as the decimal point; L: T/t/Y/y/J/j true, F/f/N/n
  // false, else a number (non-zero true); other types PutText.
  void PutString(int n, std::string_view text);
  void PutString(std::string_view name, std::string_view text);

  // The numeric value: blank gives 0. Throws "Invalid numeric value in field
  // %s". For version 0x30 the fixed-size types (I, B, Y, T) are decoded.
  double GetNumber(int n) const;
  double GetNumber(std::string_view name);
  // Formats `value` with the column's width and decimals (rounded, halves
  // away from zero), right-aligned. Throws "Field %s is the incorrect type"
  // for a non-numeric column and "numeric value too big in field %s" when the
  // text does not fit; the column is then unchanged.
  void PutNumber(int n, double value);
  void PutNumber(std::string_view name, double value);

  bool GetLogical(int n) const;
  bool GetLogical(std::string_view name);
  // Stores "T" or "F". Throws "Invalid Logical value for field %s" for a
  // column other than L.
  void PutLogical(int n, bool value);
  void PutLogical(std::string_view name, bool value);

  // Julian day number (1 January 1980 = 2444240); 0 for no date. Eight
  // digits that form no real date give 2415019 (30 December 1899); text that
  // is neither throws "Invalid date in field %s".
  int GetDate(int n) const;
  int GetDate(std::string_view name);
  // Stores YYYYMMDD for a positive day number, eight blanks otherwise; -1
  // throws "Invalid Date value for field %s"; non-D columns are left alone.
  void PutDate(int n, int julian_day);
  void PutDate(std::string_view name, int julian_day);

  // Whether text columns are translated between the ANSI and OEM code pages
  // by the dataset layer (the engine itself stores bytes as given).
  bool Translate() const { return translate_; }
  void SetTranslate(bool value) { translate_ = value; }

 protected:
  // The descriptor of column n, or nullptr outside 1..FieldCount().
  const TDbfDescriptor* Column(int n) const {
    return n >= 1 && n <= FieldCount() ? &Descriptors()[n - 1] : nullptr;
  }

 private:
  const TDbfDescriptor& FindTyped(std::string_view name, std::string_view types);
  void SetDeletionFlag(uint8_t flag);
  void StoreText(const TDbfDescriptor& column, std::string_view text);
  bool IsBinaryNumeric(const TDbfDescriptor& column) const;

  bool translate_ = true;
  const TDbfDescriptor* last_found_ = nullptr;
};

}  // namespace zakaz::dbf
