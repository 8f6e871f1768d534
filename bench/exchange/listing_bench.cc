// Taking the waybill names out of a hostile listing: 80,000 and 100,000
// (the most a listing may hold) distinct names, each listed twice, through
// WaybillNames (checking and de-duplicating them).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "exchange/remote_names.h"

namespace {

void BM_WaybillNames(benchmark::State& state) {
  std::vector<std::string> listing;
  for (int64_t i = 0; i < state.range(0); ++i) {
    listing.push_back("nakl" + std::to_string(i * 7919 % 1000003) + ".dbf");
  }
  listing.insert(listing.end(), listing.begin(), listing.end());
  for (auto _ : state) benchmark::DoNotOptimize(zakaz::exchange::WaybillNames(listing));
}

BENCHMARK(BM_WaybillNames)->Arg(80000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
