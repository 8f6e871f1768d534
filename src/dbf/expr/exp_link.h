// TExpUserLink: what a filter expression needs from the table it is compiled
// against: the table's column registry (each column under its own name and
// under alias + "." + name) and read access to the record buffer.
//
// The handler keeps a plain pointer to its link; the link must outlive every
// handler compiled against it, and the link in turn reads whatever record the
// table's buffer holds at the moment of the call. TExpDbfLink adapts a table
// object; tests and tools can supply their own.
#pragma once

#include <string_view>

namespace zakaz::dbf {

class TExpUserLink {
 public:
  virtual ~TExpUserLink() = default;

  // Column number (from 1) registered under `upper_name` ("QUANT" or
  // "PRICE.QUANT"), 0 when the table has no such column. The name arrives
  // upper-cased.
  virtual int FindColumn(std::string_view upper_name) const = 0;
  virtual int ColumnCount() const = 0;
  // The type letter ("C", "N", ...), width and name of a column 1..ColumnCount.
  virtual char ColumnType(int column) const = 0;
  virtual int ColumnWidth(int column) const = 0;
  virtual std::string_view ColumnName(int column) const = 0;

  // Reads of the record in the buffer. ColumnBytes gives the stored bytes
  // (full width, no translation) and stays valid while the buffer holds the
  // record. The typed reads follow the engine's rules and throw its
  // ETableError for text they cannot read.
  virtual std::string_view ColumnBytes(int column) const = 0;
  virtual double ColumnNumber(int column) = 0;
  virtual bool ColumnLogical(int column) = 0;
  // Julian day number, 0 for no date.
  virtual long ColumnDate(int column) = 0;

  // Cursor state for the table's own functions.
  virtual long RecordNumber() const = 0;
  virtual bool RecordDeleted() const = 0;
  virtual bool AtBof() const = 0;
  virtual bool AtEof() const = 0;
};

}  // namespace zakaz::dbf
