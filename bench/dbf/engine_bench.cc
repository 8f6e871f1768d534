// The table engine on a 100,000-row sample price list: record reads by
// number (one positioned read each), column reads on top, and appends.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dbf/table/dbf_columns.h"
#include "sample_price_list.h"

namespace zakaz::dbf {
namespace {

constexpr int kRows = 100000;

// The sample list, made once per run in a fresh temporary directory.
const std::string& PriceList() {
  static const std::string path = [] {
    char pattern[] = "/tmp/dbf-engine-bench-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    const std::string file = std::string(dir != nullptr ? dir : "/tmp") + "/price.DBF";
    WriteSamplePriceList(file, {kRows, 1, 0});
    return file;
  }();
  return path;
}

void BM_GotoEveryRecord(benchmark::State& state) {
  TDbfColumns table(PriceList(), false, false);
  const int count = table.RecordCount();
  for (auto _ : state) {
    for (int n = 1; n <= count; ++n) table.GotoRecord(n);
    benchmark::DoNotOptimize(table.RecordBuffer()[0]);
  }
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(count) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GotoEveryRecord)->Unit(benchmark::kMillisecond);

// The platform's floor for (a): the same positioned reads straight from the
// system call, without the engine.
void BM_RawPositionedReads(benchmark::State& state) {
  TDbfColumns table(PriceList(), false, false);
  const int count = table.RecordCount();
  const int fd = ::open(PriceList().c_str(), O_RDONLY | O_CLOEXEC);
  std::string buffer(static_cast<size_t>(table.RecordLength()), ' ');
  for (auto _ : state) {
    for (int n = 1; n <= count; ++n) {
      benchmark::DoNotOptimize(
          ::pread(fd, buffer.data(), buffer.size(),
                  table.HeaderLength() + static_cast<off_t>(n - 1) * table.RecordLength()));
    }
  }
  ::close(fd);
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(count) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RawPositionedReads)->Unit(benchmark::kMillisecond);

// Every column of every record: GetNumber for numbers, GetString (into a
// reused string) for the rest.
void BM_GotoEveryRecordReadEveryColumn(benchmark::State& state) {
  TDbfColumns table(PriceList(), false, false);
  const int count = table.RecordCount();
  const int fields = table.FieldCount();
  std::string text;
  double sum = 0;
  size_t length = 0;
  for (auto _ : state) {
    for (int n = 1; n <= count; ++n) {
      table.GotoRecord(n);
      for (int c = 1; c <= fields; ++c) {
        if (table.FieldType(c) == 'N') {
          sum += table.GetNumber(c);
        } else {
          table.GetString(c, &text);
          length += text.size();
        }
      }
    }
  }
  benchmark::DoNotOptimize(sum);
  benchmark::DoNotOptimize(length);
  const double records = static_cast<double>(count) * static_cast<double>(state.iterations());
  state.counters["records/s"] = benchmark::Counter(records, benchmark::Counter::kIsRate);
  state.counters["columns/s"] = benchmark::Counter(records * fields, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GotoEveryRecordReadEveryColumn)->Unit(benchmark::kMillisecond);

// What the ReadAt seam allows the cursor layer: the same walk served from a
// 64 KiB read-ahead block (one platform read per block instead of per
// record). A sketch for the figures only; the cursor owns the real block.
class ReadAheadTable : public TDbfColumns {
 public:
  using TDbfColumns::TDbfColumns;
  size_t ReadAt(int64_t offset, void* buffer, size_t count) override {
    if (offset < block_start_ || offset + static_cast<int64_t>(count) > block_end_) {
      block_.resize(65536);
      const size_t got = TDbfColumns::ReadAt(offset, block_.data(), block_.size());
      block_start_ = offset;
      block_end_ = offset + static_cast<int64_t>(got);
    }
    const size_t available = static_cast<size_t>(std::max<int64_t>(0, block_end_ - offset));
    const size_t n = std::min(count, available);
    std::memcpy(buffer, block_.data() + (offset - block_start_), n);
    return n;
  }

 private:
  std::vector<char> block_;
  int64_t block_start_ = 0;
  int64_t block_end_ = 0;
};

void BM_GotoEveryRecordThroughReadAheadSeam(benchmark::State& state) {
  ReadAheadTable table(PriceList(), false, false);
  const int count = table.RecordCount();
  const int fields = table.FieldCount();
  std::string text;
  double sum = 0;
  for (auto _ : state) {
    for (int n = 1; n <= count; ++n) {
      table.GotoRecord(n);
      for (int c = 1; c <= fields; ++c) {
        if (table.FieldType(c) == 'N') {
          sum += table.GetNumber(c);
        } else {
          table.GetString(c, &text);
          sum += static_cast<double>(text.size());
        }
      }
    }
  }
  benchmark::DoNotOptimize(sum);
  const double records = static_cast<double>(count) * static_cast<double>(state.iterations());
  state.counters["records/s"] = benchmark::Counter(records, benchmark::Counter::kIsRate);
  state.counters["columns/s"] = benchmark::Counter(records * fields, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GotoEveryRecordThroughReadAheadSeam)->Unit(benchmark::kMillisecond);

// Column reads alone, on one record already in the buffer.
void BM_ColumnReadsInBuffer(benchmark::State& state) {
  TDbfColumns table(PriceList(), false, false);
  table.GotoRecord(1);
  const int fields = table.FieldCount();
  std::string text;
  double sum = 0;
  for (auto _ : state) {
    for (int c = 1; c <= fields; ++c) {
      if (table.FieldType(c) == 'N') {
        sum += table.GetNumber(c);
      } else {
        table.GetString(c, &text);
        sum += static_cast<double>(text.size());
      }
    }
  }
  benchmark::DoNotOptimize(sum);
  state.counters["columns/s"] =
      benchmark::Counter(static_cast<double>(fields) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ColumnReadsInBuffer);

// Appending: one record write plus one header rewrite each.
void BM_AppendRecord(benchmark::State& state) {
  const std::string path = PriceList() + ".append.DBF";
  CreateEmptyTable(path, PriceListColumns());
  TDbfColumns table(path, false, true);
  table.BlankRecord();
  table.PutText(1, "NAME");
  table.PutNumber(3, 12.5);
  for (auto _ : state) table.AppendRecord();
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AppendRecord);

}  // namespace
}  // namespace zakaz::dbf

BENCHMARK_MAIN();
