#include "settings/param_ini.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace zakaz {

std::string ExecutableDirectory() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) throw std::runtime_error("Cannot find the program's own executable");
    if (static_cast<size_t>(n) < buffer.size()) {
      // A deleted executable reads as "<path> (deleted)"; the suffix is on
      // the file name, so the directory part is still right.
      const std::string exe(buffer.data(), static_cast<size_t>(n));
      return exe.substr(0, exe.rfind('/') + 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool IsWritableDirectory(const std::string& path) {
  struct stat info {};
  // The effective identity decides, as it does when the file is written.
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string ParamIniPathFor(const std::string& executable_directory, const char* xdg_config_home,
                            const char* home) {
  if (IsWritableDirectory(executable_directory)) return executable_directory + kParamIniName;
  std::string config;
  if (xdg_config_home != nullptr && xdg_config_home[0] == '/') {
    config = xdg_config_home;
  } else {
    config = std::string(home != nullptr ? home : "") + "/.config";
  }
  return config + "/zakaz/" + kParamIniName;
}

std::string ParamIniPath() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    const passwd* entry = ::getpwuid(::geteuid());
    if (entry != nullptr) home = entry->pw_dir;
  }
  const std::string path =
      ParamIniPathFor(ExecutableDirectory(), std::getenv("XDG_CONFIG_HOME"), home);
  // Without the directory the settings could not be saved; a failure here
  // shows later, as the save's own message.
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  return path;
}

}  // namespace zakaz
