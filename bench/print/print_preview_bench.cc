// The print of an order taken from a 100,000-row price list, the order
// view's filter "QUANT>0" in force, on the offscreen platform: 2,500 ordered
// rows (every 39th row has a quantity) and 20,000 (every 5th). The walk
// alone, walk and layout, a PDF file, and the preview window up to its first
// page shown. The argument of each benchmark is the number of ordered rows.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QPixmap>
#include <QPrinter>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "dbf/dataset/table_dataset.h"
#include "ordering/price_columns.h"
#include "ordering/price_row.h"
#include "print/grid_printer.h"
#include "print/page_builder.h"
#include "print/preview_form.h"
#include "sample_price_list.h"
#include "support/fake_user_prompts.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRows = 100000;

const fs::path& WorkDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("zakaz_print_bench_" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

// The price list with `ordered` rows carrying a quantity: every 39th live
// row for 2,500 (as the figures were first taken), every 5th for 20,000.
std::string PriceList(int ordered_rows) {
  const fs::path path = WorkDir() / ("price" + std::to_string(ordered_rows) + ".DBF");
  if (fs::exists(path)) return path.string();
  // Some of the sample's rows are deleted: every 4th live row gives 20,000.
  const int every = ordered_rows <= 2500 ? 39 : kRows / ordered_rows - 1;
  zakaz::dbf::TSampleOptions options;
  options.rows = kRows;
  options.seed = 7;
  zakaz::dbf::WriteSamplePriceList(path.string(), options);
  zakaz::dbf::TTableDataSet table("Writer");
  table.SetTableName(path.string());
  table.Open();
  int row = 0;
  int ordered = 0;
  for (table.First(); !table.Eof(); table.Next(), ++row) {
    const bool order = row % every == 0 && ordered < ordered_rows;
    ordered += order ? 1 : 0;
    table.Edit();
    table.FieldByName("QUANT").SetAsInteger(order ? 1 + row % 7 : 0);
    table.Post();
  }
  table.Close();
  return path.string();
}

// The main window's dataset on the price list in the order view.
struct Order {
  explicit Order(int ordered_rows) {
    zakaz::ConfigurePriceTable(table);
    table.SetTableName(PriceList(ordered_rows));
    table.Open();
    table.SetFilter("QUANT>0");
    table.SetFiltered(true);
    printer = std::make_unique<zakaz::TGridPrinter>(table, zakaz::PriceGridColumns(),
                                                    zakaz::PriceRowColourRule(table), prompts);
    printer->SetPrintTitle(QStringLiteral("ООО Бриолан. Прайслист от 05.03.2009 14:22:10"));
  }
  zakaz::testing::FakeUserPrompts prompts;
  zakaz::dbf::TTableDataSet table{"PriceTable"};
  std::unique_ptr<zakaz::TGridPrinter> printer;
};

// The peak resident memory since the last ResetPeakMemory, so that writing
// the sample price list and the benchmarks run before do not count: what
// they freed is handed back to the system first.
void ResetPeakMemory() {
  ::malloc_trim(0);
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

void ReportMemory(benchmark::State& state) {
  std::ifstream status("/proc/self/status");
  std::string line;
  double kb = 0;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) kb = std::stod(line.substr(6));
  }
  state.counters["peak_rss_MB"] = kb / 1024.0;
}

void BM_Walk(benchmark::State& state) {
  PriceList(static_cast<int>(state.range(0)));
  ResetPeakMemory();
  Order order(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    order.printer->Build();
    benchmark::DoNotOptimize(order.printer->Table().rows.size());
  }
  state.counters["rows"] = static_cast<double>(order.printer->Table().rows.size());
  ReportMemory(state);
}
BENCHMARK(BM_Walk)->Arg(2500)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_WalkAndLayout(benchmark::State& state) {
  PriceList(static_cast<int>(state.range(0)));
  ResetPeakMemory();
  Order order(static_cast<int>(state.range(0)));
  QPrinter device(QPrinter::HighResolution);
  device.setOutputFormat(QPrinter::PdfFormat);
  device.setOutputFileName((WorkDir() / "layout.pdf").string().c_str());
  int pages = 0;
  for (auto _ : state) {
    order.printer->Build();
    const zakaz::PageBuilder layout(order.printer->Table(), order.printer->Settings(), device);
    pages = layout.PageCount();
  }
  state.counters["pages"] = pages;
  ReportMemory(state);
}
BENCHMARK(BM_WalkAndLayout)->Arg(2500)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_Pdf(benchmark::State& state) {
  PriceList(static_cast<int>(state.range(0)));
  ResetPeakMemory();
  Order order(static_cast<int>(state.range(0)));
  const QString path = QString::fromStdString((WorkDir() / "order.pdf").string());
  for (auto _ : state) {
    order.printer->Build();
    order.printer->ExportPdf(path);
  }
  state.counters["MB"] = static_cast<double>(fs::file_size(path.toStdString())) / 1e6;
  ReportMemory(state);
}
BENCHMARK(BM_Pdf)->Arg(2500)->Unit(benchmark::kMillisecond);

// "Печать" pressed the first time: walk, layout, the preview window shown
// and its first page painted on screen.
void BM_PreviewFirstPage(benchmark::State& state) {
  PriceList(static_cast<int>(state.range(0)));
  ResetPeakMemory();
  int pages = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto order = std::make_unique<Order>(static_cast<int>(state.range(0)));
    state.ResumeTiming();
    order->printer->Preview();
    QApplication::processEvents();
    QPixmap shown = order->printer->PreviewForm()->grab();
    benchmark::DoNotOptimize(shown);
    pages = order->printer->PreviewForm()->PageCount();
    state.PauseTiming();
    order.reset();
    state.ResumeTiming();
  }
  state.counters["pages"] = pages;
  ReportMemory(state);
}
BENCHMARK(BM_PreviewFirstPage)->Arg(2500)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(WorkDir(), ignored);
  return 0;
}
