// "Повторить" without the window: a 500-row archived order repeated on a
// 100,000-row sample price list. The archived file is read, one scan of the
// price list finds the rows, and each gets its quantity. Ten of the codes
// are in no row, so the scan always reaches the end of the list.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"
#include "ordering/price_list.h"
#include "ordering/repeat_order.h"
#include "sample_price_list.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPriceRows = 100000;
constexpr int kOrderRows = 500;
constexpr int kMissingCodes = 10;
constexpr char kArchived[] = "archive\\0001AAAA.dbf";

struct RepeatBench {
  RepeatBench()
      : dir(fs::temp_directory_path() / ("zakaz_repeat_bench_" + std::to_string(::getpid()))) {
    zakaz::dbf::BuildTranslationTables();
    fs::create_directories(dir / "archive");
    zakaz::dbf::TSampleOptions options;
    options.rows = kPriceRows;
    options.seed = 5;
    zakaz::dbf::WriteSamplePriceList((dir / "price.dbf").string(), options);
    fs::current_path(dir);
    // The codes of rows spread over the whole list, the last one included.
    std::vector<std::string> all;
    price_list.OpenPriceList();
    zakaz::dbf::TTableDataSet& table = price_list.Table();
    for (table.First(); !table.Eof(); table.Next())
      all.push_back(table.FieldByName("Kod").AsString());
    price_list.Close();
    std::vector<std::string> codes;
    const size_t found = kOrderRows - kMissingCodes;
    for (size_t i = 1; i <= found; ++i) codes.push_back(all[i * all.size() / found - 1]);
    for (int i = 0; i < kMissingCodes; ++i) codes.push_back("NONE" + std::to_string(i));
    zakaz::dbf::CreateEmptyTable((dir / "archive" / "0001AAAA.dbf").string(),
                                 zakaz::dbf::PriceListColumns());
    zakaz::dbf::TTableDataSet archive("Writer");
    archive.SetTableName(kArchived);
    archive.Open();
    for (const std::string& code : codes) {
      archive.Append();
      archive.FieldByName("NAME").SetAsString("Product " + code);
      archive.FieldByName("QUANT").SetAsInteger(3);
      archive.FieldByName("Kod").SetAsString(code);
      archive.Post();
    }
    archive.Close();
  }
  ~RepeatBench() {
    price_list.Close();
    fs::current_path(fs::temp_directory_path());
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  fs::path dir;
  zakaz::TPriceList price_list;
};

RepeatBench& Bench() {
  static RepeatBench bench;
  return bench;
}

// Read the archived order and apply it on the price list already open.
void BM_RepeatOnOpenPriceList(benchmark::State& state) {
  RepeatBench& bench = Bench();
  bench.price_list.OpenPriceList();
  for (auto _ : state) {
    zakaz::dbf::TTableDataSet archived;
    const zakaz::TArchivedOrder order = zakaz::ReadArchivedOrder(archived, kArchived);
    benchmark::DoNotOptimize(zakaz::ApplyArchivedOrder(bench.price_list, order));
  }
  bench.price_list.Close();
}
BENCHMARK(BM_RepeatOnOpenPriceList)->Unit(benchmark::kMillisecond);

// As the window does it: the archived order read, the price list reopened,
// the quantities set, the order view's filter.
void BM_RepeatWithReopening(benchmark::State& state) {
  RepeatBench& bench = Bench();
  for (auto _ : state) {
    zakaz::dbf::TTableDataSet archived;
    const zakaz::TArchivedOrder order = zakaz::ReadArchivedOrder(archived, kArchived);
    bench.price_list.OpenPriceList();
    const zakaz::TRepeatSummary summary = zakaz::ApplyArchivedOrder(bench.price_list, order);
    bench.price_list.ShowOrderedRows();
    state.counters["transferred"] = summary.transferred;
    state.counters["not_in_price"] = summary.not_in_price;
    state.counters["out_of_stock"] = summary.out_of_stock;
  }
  bench.price_list.Close();
}
BENCHMARK(BM_RepeatWithReopening)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
