// Evaluating the system's two filter texts on every record of a 100,000-row
// sample price list. Every record is first read into memory; each iteration
// copies the next record into the table's record buffer (as a read would
// leave it) and evaluates the compiled expression there, so the figures are
// the expression's cost per record plus a record copy, shown on its own as
// BM_CopyRecordOnly. The allocs_per_record counter counts heap allocations
// made while evaluating.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "dbf/base/errors.h"
#include "dbf/expr/exp_handler.h"
#include "dbf/table/code_page.h"
#include "dbf/table/dbf_columns.h"
#include "dbf/table/exp_dbf_link.h"
#include "sample_price_list.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Replaced so the benchmark can count allocations; new and delete stay a
// matched pair through malloc and free.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using zakaz::dbf::TDbfColumns;

constexpr int kRows = 100000;

struct PriceList {
  std::filesystem::path dir;
  std::unique_ptr<TDbfColumns> table;
  std::vector<uint8_t> records;  // every record, one after another
  size_t record_length = 0;

  PriceList() {
    dir = std::filesystem::temp_directory_path() / ("zakaz-expbench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "price.dbf").string();
    zakaz::dbf::TSampleOptions options;
    options.rows = kRows;
    options.seed = 1;
    zakaz::dbf::WriteSamplePriceList(path, options);
    table = std::make_unique<TDbfColumns>(path, false, false);
    record_length = static_cast<size_t>(table->RecordLength());
    records.resize(record_length * static_cast<size_t>(table->RecordCount()));
    for (int n = 1; n <= table->RecordCount(); ++n) {
      table->GotoRecord(n);
      std::memcpy(&records[record_length * static_cast<size_t>(n - 1)], table->RecordBuffer(),
                  record_length);
    }
  }
  ~PriceList() {
    table.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

PriceList& ThePriceList() {
  static PriceList list;
  return list;
}

void EvaluateEveryRecord(benchmark::State& state, const std::string& utf8_text) {
  PriceList& list = ThePriceList();
  zakaz::dbf::TExpHandler handler(std::make_unique<zakaz::dbf::TExpDbfLink>(*list.table));
  // The dataset hands the filter over in the stored code page.
  handler.Compile(zakaz::dbf::ToOem(zakaz::Utf8ToCp1251(utf8_text)));
  const size_t count = static_cast<size_t>(list.table->RecordCount());
  uint8_t* buffer = list.table->RecordBuffer();
  size_t next = 0;
  long matches = 0;
  const long allocations_before = g_allocations.load();
  for (auto _ : state) {
    std::memcpy(buffer, &list.records[list.record_length * next], list.record_length);
    const zakaz::dbf::TExpValue value = handler.Evaluate();
    matches += value.boolean ? 1 : 0;
    if (++next == count) next = 0;
  }
  const long allocations = g_allocations.load() - allocations_before;
  state.SetItemsProcessed(state.iterations());
  state.counters["allocs_per_record"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
  state.counters["match_ratio"] =
      static_cast<double>(matches) / static_cast<double>(state.iterations());
}

void BM_QuantFilter(benchmark::State& state) { EvaluateEveryRecord(state, "QUANT>0"); }
void BM_NamePatternNoMatch(benchmark::State& state) {
  EvaluateEveryRecord(state, "Name = '*аспирин*'");
}
void BM_NamePatternSomeMatch(benchmark::State& state) {
  EvaluateEveryRecord(state, "Name = '*Аспирин*'");
}

void BM_CopyRecordOnly(benchmark::State& state) {
  PriceList& list = ThePriceList();
  const size_t count = static_cast<size_t>(list.table->RecordCount());
  uint8_t* buffer = list.table->RecordBuffer();
  size_t next = 0;
  for (auto _ : state) {
    std::memcpy(buffer, &list.records[list.record_length * next], list.record_length);
    benchmark::ClobberMemory();
    if (++next == count) next = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

// Compiling a long text: "QUANT=1 OR QUANT=2 OR ..." of about state.range(0)
// bytes, against the price list's columns. The comparisons all bind; the OR
// chain is refused once it nests deeper than the language allows, so the
// figure is the whole cost of the refusal (it grew with the square of the
// length before the operators were bound in one sweep per priority).
void BM_CompileLongText(benchmark::State& state) {
  PriceList& list = ThePriceList();
  zakaz::dbf::TExpHandler handler(std::make_unique<zakaz::dbf::TExpDbfLink>(*list.table));
  std::string text = "QUANT=0";
  for (int i = 1; text.size() < static_cast<size_t>(state.range(0)); ++i) {
    text += " OR QUANT=" + std::to_string(i);
  }
  for (auto _ : state) {
    try {
      handler.Compile(text);
    } catch (const zakaz::dbf::EExpressionError&) {
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

BENCHMARK(BM_CompileLongText)
    ->Arg(1 << 10)
    ->Arg(12 << 10)
    ->Arg(120 << 10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuantFilter);
BENCHMARK(BM_NamePatternNoMatch);
BENCHMARK(BM_NamePatternSomeMatch);
BENCHMARK(BM_CopyRecordOnly);

}  // namespace

BENCHMARK_MAIN();
