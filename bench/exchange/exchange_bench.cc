// The send and waybill operations against vsftpd on 127.0.0.1, next to curl
// doing the same transfers in one session each, in the same run: 100 orders
// of 100 rows stored into zayav/, and 100 waybills of 100 rows fetched from
// nakl/1234/ (the operation also asks SIZE and deletes each one; curl only
// fetches). Needs root, vsftpd and curl; see bench/README.md.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "common/user_prompts.h"
#include "exchange/exchange_operations.h"
#include "settings/live_settings.h"
#include "support/ftp_real_server.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using zakaz::testing::FtpRealServer;
using zakaz::testing::TempDir;

constexpr int kFiles = 100;
// PASV as the operations use it, not EPSV.
constexpr char kCurlMode[] = "--ftp-pasv --disable-epsv";
// A table of 100 rows of the price-list row: header, 13 column descriptors,
// 100 records of 372 bytes.
constexpr size_t kTableSize = 32 + 13 * 32 + 1 + 100 * 372 + 1;

class Settings : public zakaz::ILiveSettings {
 public:
  explicit Settings(int port) : port_(port) {}
  std::string ClientCode() const override { return "1234"; }
  std::string Server() const override { return "127.0.0.1:" + std::to_string(port_); }
  std::string Login() const override { return FtpRealServer::kUser; }
  std::string Password() const override { return FtpRealServer::kPassword; }
  bool Passive() const override { return true; }
  std::string PriceDirectory() const override { return "price"; }

 private:
  int port_;
};

class SilentPrompts : public zakaz::IUserPrompts {
 public:
  void Warning(std::string_view) override {}
  void Error(std::string_view) override {}
  void Information(std::string_view) override {}
  bool Confirm(std::string_view) override { return true; }
  void ShowException(std::string_view) override {}
};

std::string Name(const char* prefix, int i) {
  char name[16];
  std::snprintf(name, sizeof name, "%s%04d.dbf", prefix, i);
  return name;
}

void WriteTables(const fs::path& dir, const char* prefix) {
  fs::create_directories(dir);
  const std::string bytes(kTableSize, 'r');
  for (int i = 0; i < kFiles; ++i) std::ofstream(dir / Name(prefix, i), std::ios::binary) << bytes;
}

// One vsftpd for the whole run, and a working directory for the program.
struct Bench {
  Bench() {
    for (const char* name : {"in", "demand", "temp", "archive"}) {
      fs::create_directories(local.Path() / name);
    }
    fs::create_directories(server_root.Path() / "zayav");
    fs::create_directories(server_root.Path() / "nakl" / "1234");
    server = std::make_unique<FtpRealServer>(FtpRealServer::kVsftpd, server_root.Path());
    std::string why;
    if (!server->Start(&why)) {
      std::fprintf(stderr, "vsftpd cannot run here: %s\n", why.c_str());
      std::exit(1);
    }
    settings = std::make_unique<Settings>(server->Port());
  }
  std::string Url(const std::string& path) const {
    return "ftp://" + std::string(FtpRealServer::kUser) + ":" +
           "hG%264T%219K@127.0.0.1:" + std::to_string(server->Port()) + "/" + path;
  }

  TempDir server_root;
  TempDir local;
  std::unique_ptr<FtpRealServer> server;
  std::unique_ptr<Settings> settings;
  SilentPrompts prompts;
};

Bench& Shared() {
  static Bench bench;
  return bench;
}

void BM_SendOrders(benchmark::State& state) {
  Bench& bench = Shared();
  zakaz::exchange::TExchangeOperations operations(*bench.settings, bench.prompts,
                                                  bench.local.Path());
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(bench.local.Path() / "archive");
    fs::create_directories(bench.local.Path() / "archive");
    WriteTables(bench.local.Path() / "demand", "o");
    state.ResumeTiming();
    operations.SendOrders();
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kTableSize));
}

void BM_CurlStoreOrders(benchmark::State& state) {
  Bench& bench = Shared();
  const fs::path demand = bench.local.Path() / "curl_demand";
  WriteTables(demand, "c");
  std::string files;
  for (int i = 0; i < kFiles; ++i) files += (files.empty() ? "" : ",") + Name("c", i);
  const std::string command = "cd " + demand.string() + " && curl -s -S " + kCurlMode + " -T '{" +
                              files + "}' '" + bench.Url("zayav/") + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("curl failed");
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kTableSize));
}

void BM_FetchWaybills(benchmark::State& state) {
  Bench& bench = Shared();
  zakaz::exchange::TExchangeOperations operations(*bench.settings, bench.prompts,
                                                  bench.local.Path());
  const fs::path remote = bench.server_root.Path() / "nakl" / "1234";
  for (auto _ : state) {
    state.PauseTiming();
    WriteTables(remote, "n");
    bench.server->OpenUpRoot();
    state.ResumeTiming();
    operations.FetchWaybills();
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kTableSize));
}

void BM_CurlFetchWaybills(benchmark::State& state) {
  Bench& bench = Shared();
  const fs::path remote = bench.server_root.Path() / "nakl" / "curl";
  WriteTables(remote, "n");
  bench.server->OpenUpRoot();
  const fs::path in = bench.local.Path() / "curl_in";
  fs::create_directories(in);
  const std::string command = "curl -s -S " + std::string(kCurlMode) + " '" +
                              bench.Url("nakl/curl/n00[00-99].dbf") + "' -o '" + in.string() +
                              "/n00#1.dbf'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("curl failed");
  }
  state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kTableSize));
}

BENCHMARK(BM_SendOrders)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CurlStoreOrders)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FetchWaybills)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CurlFetchWaybills)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
