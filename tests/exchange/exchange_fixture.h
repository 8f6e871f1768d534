// What the exchange tests share: fixed settings, a working directory with the
// four local directories, a scripted server, and the operations aimed at it.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "exchange/exchange_operations.h"
#include "settings/live_settings.h"
#include "support/fake_user_prompts.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace zakaz::testing {

class FixedSettings : public ILiveSettings {
 public:
  std::string ClientCode() const override { return client_code; }
  std::string Server() const override { return server; }
  std::string Login() const override { return login; }
  std::string Password() const override { return password; }
  bool Passive() const override { return passive; }
  std::string PriceDirectory() const override { return price_directory; }

  std::string client_code = "1234";
  std::string server;
  std::string login = "briolan";
  std::string password = "secret";
  bool passive = true;
  std::string price_directory = "price";
};

// The names in `dir`, sorted; empty when it does not exist.
inline std::vector<std::string> Names(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end;
       it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A working directory with `in`, `demand`, `temp` and `archive`, and the
// operations over it with their events recorded.
struct ExchangeBench {
  explicit ExchangeBench(const std::string& server_address)
      : operations(settings, prompts, dir.Path()) {
    for (const char* name : {"in", "demand", "temp", "archive"}) {
      std::filesystem::create_directory(dir.Path() / name);
    }
    settings.server = server_address;
    operations.Session().SetStallLimit(std::chrono::seconds(10));
    operations.OnStatus = [this](const std::string& text) { statuses.push_back(text); };
    operations.OnProgressMaximum = [this](int64_t maximum) { maxima.push_back(maximum); };
  }
  std::filesystem::path In() const { return dir.Path() / "in"; }
  std::filesystem::path Demand() const { return dir.Path() / "demand"; }
  std::filesystem::path Temp() const { return dir.Path() / "temp"; }
  std::filesystem::path Archive() const { return dir.Path() / "archive"; }

  TempDir dir;
  FixedSettings settings;
  FakeUserPrompts prompts;
  exchange::TExchangeOperations operations;
  std::vector<std::string> statuses;
  std::vector<int64_t> maxima;
};

}  // namespace zakaz::testing
