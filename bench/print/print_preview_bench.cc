// The print of a 2,500-row order taken from a 100,000-row price list (every
// 39th row has a quantity, the order view's filter "QUANT>0" in force), on
// the offscreen platform: the walk alone, walk and layout, a PDF file, and
// the preview window up to its first page shown.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QPixmap>
#include <QPrinter>
#include <filesystem>
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
constexpr int kOrdered = 2500;
constexpr int kEvery = 39;  // of the live rows, until kOrdered have a quantity

const fs::path& WorkDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("zakaz_print_bench_" + std::to_string(::getpid()));
    fs::create_directories(d);
    zakaz::dbf::TSampleOptions options;
    options.rows = kRows;
    options.seed = 7;
    const std::string path = (d / "price.DBF").string();
    zakaz::dbf::WriteSamplePriceList(path, options);
    zakaz::dbf::TTableDataSet table("Writer");
    table.SetTableName(path);
    table.Open();
    int row = 0;
    int ordered = 0;
    for (table.First(); !table.Eof(); table.Next(), ++row) {
      const bool order = row % kEvery == 0 && ordered < kOrdered;
      ordered += order ? 1 : 0;
      table.Edit();
      table.FieldByName("QUANT").SetAsInteger(order ? 1 + row % 7 : 0);
      table.Post();
    }
    table.Close();
    return d;
  }();
  return dir;
}

// The main window's dataset on the price list in the order view.
struct Order {
  Order() {
    zakaz::ConfigurePriceTable(table);
    table.SetTableName((WorkDir() / "price.DBF").string());
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

void ReportMemory(benchmark::State& state) {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_Walk(benchmark::State& state) {
  Order order;
  for (auto _ : state) {
    order.printer->Build();
    benchmark::DoNotOptimize(order.printer->Table().rows.size());
  }
  state.counters["rows"] = static_cast<double>(order.printer->Table().rows.size());
}
BENCHMARK(BM_Walk)->Unit(benchmark::kMillisecond);

void BM_WalkAndLayout(benchmark::State& state) {
  Order order;
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
}
BENCHMARK(BM_WalkAndLayout)->Unit(benchmark::kMillisecond);

void BM_Pdf(benchmark::State& state) {
  Order order;
  const QString path = QString::fromStdString((WorkDir() / "order.pdf").string());
  for (auto _ : state) {
    order.printer->Build();
    order.printer->ExportPdf(path);
  }
  state.counters["MB"] = static_cast<double>(fs::file_size(path.toStdString())) / 1e6;
  ReportMemory(state);
}
BENCHMARK(BM_Pdf)->Unit(benchmark::kMillisecond);

// "Печать" pressed the first time: walk, layout, the preview's pages drawn
// and its first page painted on screen.
void BM_PreviewFirstPage(benchmark::State& state) {
  int pages = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto order = std::make_unique<Order>();
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
BENCHMARK(BM_PreviewFirstPage)->Unit(benchmark::kMillisecond)->Iterations(5);

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
