#include "support/run_command.h"

#include <sys/wait.h>

#include <cstdio>

namespace zakaz::testing {

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char chunk[4096];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.out.append(chunk, n);
  const int raw = ::pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

}  // namespace zakaz::testing
