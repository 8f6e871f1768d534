// Running another program from a test: a shell command, its standard output
// and its exit code.
#pragma once

#include <string>

namespace zakaz::testing {

struct CommandResult {
  int status = -1;  // the exit code; -1 when it could not run or was killed
  std::string out;  // standard output (add " 2>&1" to the command for errors too)
};

// Runs `command` with /bin/sh and waits for it.
CommandResult RunCommand(const std::string& command);

}  // namespace zakaz::testing
