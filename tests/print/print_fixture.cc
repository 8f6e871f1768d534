#include "print/print_fixture.h"

#include <cstdio>
#include <filesystem>

#include "common/code_page.h"
#include "ordering/price_columns.h"
#include "ordering/price_row.h"
#include "support/run_command.h"

namespace zakaz::testing {

std::string StoredText(const std::string& utf8) { return Utf8ToCp1251(utf8); }

std::string CommandOutput(const std::string& command) {
  const CommandResult result = RunCommand(command);
  return result.status == 0 ? result.out : std::string();
}

std::string PdfText(const std::string& pdf) {
  return CommandOutput("pdftotext -layout '" + pdf + "' -");
}

int PdfPages(const std::string& pdf) {
  const std::string info = CommandOutput("pdfinfo '" + pdf + "'");
  const size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

size_t Find(const std::string& text, const std::string& needle, size_t from) {
  return from == std::string::npos ? std::string::npos : text.find(needle, from);
}

PrintFixture::PrintFixture(const std::vector<PriceRow>& rows) {
  std::filesystem::create_directories(dir_.Path() / "demand");
  const std::string path = dir_.File("demand/1234D6B3.DBF");
  WritePriceTable(path, rows);
  ConfigurePriceTable(table_);
  table_.SetTableName(path);
  table_.Open();
  printer_ = std::make_unique<TGridPrinter>(table_, PriceGridColumns(), PriceRowColourRule(table_),
                                            prompts_);
  printer_->PrinterInstalled = [] { return false; };
}

std::string PrintFixture::PrintToPdf(const std::string& name) {
  printer_->Build();
  const std::string path = dir_.File(name);
  return printer_->ExportPdf(QString::fromStdString(path)) ? path : std::string();
}

}  // namespace zakaz::testing
