// TExpDbfLink: the link between filter expressions and a table object. It
// finds every column under its name and under the table's alias, a full stop
// and its name (QUANT and PRICE.QUANT on price.DBF), and reads the record in
// the table's buffer through the column layer: C columns as their stored
// bytes, N and F through GetNumber, D through GetDate, L through GetLogical.
//
// The link refers to the table without owning it and must not outlive it;
// it is cheap to make, holding nothing but the upper-cased alias.
#pragma once

#include <string>
#include <string_view>

#include "dbf/expr/exp_link.h"

namespace zakaz::dbf {

class TDbfColumns;

class TExpDbfLink : public TExpUserLink {
 public:
  explicit TExpDbfLink(TDbfColumns& table);
  TExpDbfLink(const TExpDbfLink&) = delete;
  TExpDbfLink& operator=(const TExpDbfLink&) = delete;

  int FindColumn(std::string_view upper_name) const override;
  int ColumnCount() const override;
  char ColumnType(int column) const override;
  int ColumnWidth(int column) const override;
  std::string_view ColumnName(int column) const override;

  std::string_view ColumnBytes(int column) const override;
  double ColumnNumber(int column) override;
  bool ColumnLogical(int column) override;
  long ColumnDate(int column) override;

  long RecordNumber() const override;
  bool RecordDeleted() const override;
  bool AtBof() const override;
  bool AtEof() const override;

 private:
  // The first column whose name, upper-cased and without trailing blanks,
  // is `upper_name`; 0 for none.
  int FindName(std::string_view upper_name) const;

  TDbfColumns& table_;
  std::string alias_;  // upper-cased
};

}  // namespace zakaz::dbf
