#include "settings/ini_file.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <system_error>

#include "common/atomic_file.h"
#include "common/code_page.h"
#include "common/format_message.h"
#include "common/unique_fd.h"
#include "settings/errors.h"
#include "settings/ini_text.h"
#include "settings/messages.h"

namespace zakaz {
namespace {

// The file's bytes, or nothing with `*error` set when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, int* error) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    *error = errno;
    return std::nullopt;
  }
  std::string data;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof(buffer));
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = errno;
      return std::nullopt;
    }
    if (n == 0) return data;
    data.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

IniFile::IniFile(const std::string& path) {
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
  path_ = absolute.empty() ? path : absolute.string();
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view default_value) const {
  int error = 0;
  const std::optional<std::string> text = ReadWholeFile(path_, &error);
  if (!text) return std::string(default_value);
  const std::optional<std::string> value =
      FindIniValue(*text, Utf8ToCp1251(section), Utf8ToCp1251(key));
  if (!value) return std::string(default_value);
  return Cp1251ToUtf8(*value);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const auto refused = [this] {
    return ESettingsError(FormatMessage(kUnableToWriteTo, {path_}), path_);
  };
  int error = 0;
  std::optional<std::string> text = ReadWholeFile(path_, &error);
  // A file that exists but cannot be read must not be replaced by one that
  // holds only the new key: everything else in it would be lost.
  if (!text) {
    if (error != ENOENT) throw refused();
    text.emplace();
  }
  const std::string updated =
      SetIniValue(*text, Utf8ToCp1251(section), Utf8ToCp1251(key), Utf8ToCp1251(value));
  try {
    WriteFileAtomically(path_, updated);
  } catch (const std::system_error&) {
    throw refused();
  }
}

}  // namespace zakaz
