// Failures of the settings file layer. The file is the only thing that can
// fail here: reading never fails (a missing or unreadable file reads as the
// caller's defaults), so the one exception is a write the file system refused.
#pragma once

#include <stdexcept>
#include <string>

namespace zakaz {

class ESettingsError : public std::runtime_error {
 public:
  ESettingsError(const std::string& message, std::string path)
      : std::runtime_error(message), path_(std::move(path)) {}

  // Full path of the settings file the write was meant for.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace zakaz
