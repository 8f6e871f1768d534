// The dataset over a 100,000-row sample price list with 100 rows ordered
// (QUANT > 0): opening, walking, setting the two filters, posting one row and
// the copy walk that saves an order. Run:
//   build/bench/dbf_dataset_bench
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "dbf/dataset/dataset_table.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"
#include "sample_price_list.h"

namespace zakaz::dbf {
namespace {

constexpr int kRows = 100000;
constexpr int kOrdered = 100;

// A grid-sized view: the window holds 30 rows.
class TGridView : public TDataSetView {
 public:
  int32_t WindowRows() const override { return 30; }
};

}  // namespace

const std::string& Directory() {
  static const std::string dir = [] {
    std::string d = (std::filesystem::temp_directory_path() / "zakaz-dataset-bench").string();
    std::filesystem::create_directories(d);
    TSampleOptions options;
    options.rows = kRows;
    options.seed = 4;
    WriteSamplePriceList(d + "/price.DBF", options);
    // Exactly kOrdered live rows carry an order quantity.
    TDbfColumns table(d + "/price.DBF", false, true);
    int ordered = 0;
    for (int n = 1; n <= table.RecordCount() && ordered < kOrdered;) {
      table.GotoRecord(n);
      if (table.CurrentDeleted()) {
        ++n;
        continue;
      }
      table.PutNumber(5, 1 + ordered % 7);
      table.WriteRecord(n);
      ++ordered;
      n += kRows / kOrdered - 7;
    }
    return d;
  }();
  return dir;
}

namespace {

std::string PricePath() { return Directory() + "/price.DBF"; }

void Prepare(TTableDataSet& ds) {
  ds.SetTableName(PricePath());
  ds.SetExclusive(true);
  ds.SetLargeIntegerAs(TLargeIntegerAs::asInteger);
}

void BM_Open(benchmark::State& state) {
  TGridView grid;
  for (auto _ : state) {
    TTableDataSet ds("PriceTable");
    ds.AttachView(&grid);
    Prepare(ds);
    ds.Open();
    benchmark::DoNotOptimize(ds.RecNo());
    ds.Close();
    ds.DetachView(&grid);
  }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMicrosecond);

void BM_WalkUnfiltered(benchmark::State& state) {
  TTableDataSet ds("PriceTable");
  TGridView grid;
  ds.AttachView(&grid);
  Prepare(ds);
  ds.Open();
  int64_t rows = 0;
  int64_t reads = 0;
  for (auto _ : state) {
    const int64_t before = ds.Table()->RecordReads();
    for (ds.First(); !ds.Eof(); ds.Next()) ++rows;
    reads += ds.Table()->RecordReads() - before;
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
  state.counters["reads/row"] = static_cast<double>(reads) / static_cast<double>(rows);
  ds.DetachView(&grid);
}
BENCHMARK(BM_WalkUnfiltered)->Unit(benchmark::kMillisecond);

// Next inside the 30-row window: no record is read.
void BM_NextInsideWindow(benchmark::State& state) {
  TTableDataSet ds("PriceTable");
  TGridView grid;
  ds.AttachView(&grid);
  Prepare(ds);
  ds.Open();
  int64_t reads = 0;
  int64_t steps = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ds.First();
    const int64_t before = ds.Table()->RecordReads();
    state.ResumeTiming();
    for (int i = 0; i < 29; ++i) ds.Next();
    steps += 29;
    reads += ds.Table()->RecordReads() - before;
  }
  state.counters["reads/Next"] = static_cast<double>(reads) / static_cast<double>(steps);
  ds.DetachView(&grid);
}
BENCHMARK(BM_NextInsideWindow)->Unit(benchmark::kMicrosecond);

void SetFilterBench(benchmark::State& state, const std::string& text) {
  TTableDataSet ds("PriceTable");
  TGridView grid;
  ds.AttachView(&grid);
  Prepare(ds);
  ds.SetFiltered(true);
  ds.Open();
  for (auto _ : state) {
    state.PauseTiming();
    ds.SetFilter("");  // forget the compiled text so the next set scans again
    state.ResumeTiming();
    ds.SetFilter(text);
  }
  state.counters["visible"] = ds.VisibleRows().Count();
  state.counters["set bytes"] = static_cast<double>(ds.Table()->MatchSet()->PageBytes());
  ds.DetachView(&grid);
}

void BM_SetQuantFilter(benchmark::State& state) { SetFilterBench(state, "QUANT>0"); }
BENCHMARK(BM_SetQuantFilter)->Unit(benchmark::kMillisecond);

void BM_SetNameFilter(benchmark::State& state) {
  SetFilterBench(state, "Name = '*" + Utf8ToCp1251("Аспирин") + "*'");
}
BENCHMARK(BM_SetNameFilter)->Unit(benchmark::kMillisecond);

void BM_EditPost(benchmark::State& state) {
  TTableDataSet ds("PriceTable");
  TGridView grid;
  ds.AttachView(&grid);
  Prepare(ds);
  ds.SetFilter("QUANT>0");
  ds.SetFiltered(true);
  ds.Open();
  int quant = 1;
  for (auto _ : state) {
    ds.Edit();
    ds.FieldByName("QUANT").SetAsInteger(quant);
    ds.Post();
    quant = quant % 9 + 1;
  }
  ds.DetachView(&grid);
}
BENCHMARK(BM_EditPost)->Unit(benchmark::kMicrosecond);

// Saving an order: structure, then First / CopyRecordTo / Next over the 100
// ordered rows under "QUANT>0".
void BM_CopyWalk(benchmark::State& state) {
  TTableDataSet price("PriceTable");
  TGridView grid;
  price.AttachView(&grid);
  Prepare(price);
  price.SetFilter("QUANT>0");
  price.SetFiltered(true);
  price.Open();
  const std::string order_path = Directory() + "/order.DBF";
  int64_t copied = 0;
  int64_t reads = 0;
  for (auto _ : state) {
    const int64_t before = price.Table()->RecordReads();
    price.CopyStructure(order_path);
    TTableDataSet order("OrderTable");
    order.SetTableName(order_path);
    order.SetExclusive(true);
    order.Open();
    for (price.First(); !price.Eof(); price.Next()) {
      price.CopyRecordTo(order);
      ++copied;
    }
    order.Close();
    reads += price.Table()->RecordReads() - before;
  }
  state.counters["rows"] = static_cast<double>(copied) / static_cast<double>(state.iterations());
  state.counters["source reads"] =
      static_cast<double>(reads) / static_cast<double>(state.iterations());
  price.DetachView(&grid);
}
BENCHMARK(BM_CopyWalk)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zakaz::dbf

int main(int argc, char** argv) {
  zakaz::dbf::Directory();  // the sample table is made before any timing starts
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
