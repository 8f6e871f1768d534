// The built-in unpacker's time and peak memory for a packed price list of
// 20 and 200 MB: the table is streamed from the archive into its file, so
// the peak resident size must not grow with the table. The archive (a ZIP of
// a table-like pattern) is written block by block too, so the figure is the
// unpacker's own. Peak memory is the process's maximum resident size after
// the run (getrusage), reported as the counter peak_rss_MiB.
#include <archive.h>
#include <archive_entry.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "exchange/price_unpacker.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

double PeakResidentMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// A ZIP holding price.dbf of `size` bytes of rows that differ a little, as
// a price list's do.
void WriteArchive(const fs::path& path, int64_t size) {
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_open_filename(writer, path.c_str());
  archive_entry* entry = archive_entry_new();
  archive_entry_set_pathname(entry, "price.dbf");
  archive_entry_set_filetype(entry, AE_IFREG);
  archive_entry_set_perm(entry, 0644);
  archive_entry_set_size(entry, size);
  archive_write_header(writer, entry);
  std::vector<char> block(1 << 16);
  for (int64_t done = 0, row = 0; done < size;) {
    for (size_t i = 0; i < block.size(); i += 372, ++row) {
      const std::string text = " ANALGIN TABL 500MG N" + std::to_string(row % 9973) + " ";
      for (size_t j = 0; j < text.size() && i + j < block.size(); ++j) block[i + j] = text[j];
    }
    const int64_t part = std::min<int64_t>(static_cast<int64_t>(block.size()), size - done);
    archive_write_data(writer, block.data(), static_cast<size_t>(part));
    done += part;
  }
  archive_entry_free(entry);
  archive_write_close(writer);
  archive_write_free(writer);
}

void BM_UnpackPriceList(benchmark::State& state) {
  const int64_t size = state.range(0) << 20;
  zakaz::testing::TempDir dir;
  fs::create_directories(dir.Path() / "in");
  const fs::path archive = dir.Path() / "in" / "price.rar";
  WriteArchive(archive, size);
  const zakaz::exchange::TPriceTableCheck any_table = [](const fs::path&) {};
  for (auto _ : state) {
    const auto failure = zakaz::exchange::UnpackPriceList(archive, dir.Path(), any_table);
    if (failure) state.SkipWithError(failure->c_str());
  }
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["peak_rss_MiB"] = PeakResidentMiB();
}

BENCHMARK(BM_UnpackPriceList)
    ->Arg(20)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
