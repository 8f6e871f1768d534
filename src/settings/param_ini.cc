#include "settings/param_ini.h"

#include <unistd.h>

#include <stdexcept>
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

std::string ParamIniPath() { return ExecutableDirectory() + kParamIniName; }

}  // namespace zakaz
