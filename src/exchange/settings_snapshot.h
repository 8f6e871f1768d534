// The live settings copied at one moment, so that an operation running on a
// worker thread reads values, never the settings dialog's widgets. Take()
// is called on the thread that owns the source, before the operation starts.
#pragma once

#include <string>

#include "settings/live_settings.h"

namespace zakaz::exchange {

class TSettingsSnapshot : public ILiveSettings {
 public:
  explicit TSettingsSnapshot(const ILiveSettings& source) : source_(source) { Take(); }

  void Take() {
    client_code_ = source_.ClientCode();
    server_ = source_.Server();
    login_ = source_.Login();
    password_ = source_.Password();
    passive_ = source_.Passive();
    price_directory_ = source_.PriceDirectory();
  }

  std::string ClientCode() const override { return client_code_; }
  std::string Server() const override { return server_; }
  std::string Login() const override { return login_; }
  std::string Password() const override { return password_; }
  bool Passive() const override { return passive_; }
  std::string PriceDirectory() const override { return price_directory_; }

 private:
  const ILiveSettings& source_;
  std::string client_code_;
  std::string server_;
  std::string login_;
  std::string password_;
  bool passive_ = false;
  std::string price_directory_;
};

}  // namespace zakaz::exchange
