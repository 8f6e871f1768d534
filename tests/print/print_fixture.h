// Shared pieces of the print tests: a pending order written to a temporary
// directory and opened as the main window's dataset, a grid printer over it,
// and the PDF tools of poppler-utils run on the printed file.
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "dbf/dataset/table_dataset.h"
#include "print/grid_printer.h"
#include "support/fake_user_prompts.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz::testing {

// A product name in UTF-8 as the table stores it (Windows-1251).
std::string StoredText(const std::string& utf8);

// Output of `command` (run by the shell); empty when it fails.
std::string CommandOutput(const std::string& command);
// pdftotext -layout of `pdf`.
std::string PdfText(const std::string& pdf);
int PdfPages(const std::string& pdf);

class PrintFixture {
 public:
  // Writes `rows` as "demand\1234D6B3.DBF" and opens it as PriceTable.
  explicit PrintFixture(const std::vector<PriceRow>& rows);

  dbf::TTableDataSet& Table() { return table_; }
  TGridPrinter& Printer() { return *printer_; }
  FakeUserPrompts& Prompts() { return prompts_; }
  std::string File(const std::string& name) const { return dir_.File(name); }
  // Builds the print and writes it to `name` in the temporary directory.
  std::string PrintToPdf(const std::string& name = "print.pdf");

 private:
  TempDir dir_;
  FakeUserPrompts prompts_;
  dbf::TTableDataSet table_{"PriceTable"};
  std::unique_ptr<TGridPrinter> printer_;
};

// Position of `needle` in `text` at or after `from`; npos when absent.
size_t Find(const std::string& text, const std::string& needle, size_t from = 0);

}  // namespace zakaz::testing
