// dbftool: inspects, dumps and makes table files from the command line.
#include <csignal>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <vector>

#include "cmd_copy.h"
#include "cmd_count.h"
#include "commands.h"

namespace zakaz::dbftool {
namespace {

constexpr Command kCommands[] = {
    {"info", "info FILE", RunInfo},
    {"dump", "dump FILE", RunDump},
    {"sample", "sample N FILE [--seed S]", RunSample},
    {"count", "count FILE EXPR", RunCount},
    {"copy", "copy SRC DST [--where EXPR]", RunCopy},
};

int Usage(std::ostream& err) {
  err << "usage:\n";
  for (const Command& c : kCommands) err << "  dbftool " << c.usage << "\n";
  return 2;
}

}  // namespace

std::span<const Command> Commands() { return kCommands; }

// Filters "dump" understands besides the plain listing, one line each.
std::span<const DumpOption> DumpOptions() {
  static const std::vector<DumpOption> options = {
      {"--where", MakeWhereFilter},
  };
  return options;
}

}  // namespace zakaz::dbftool

int main(int argc, char** argv) {
  using namespace zakaz::dbftool;
  // "dbftool dump FILE | head" is how the tool is used: a reader that stops
  // early must not kill it with a signal; the commands see the stream fail
  // and stop instead.
  std::signal(SIGPIPE, SIG_IGN);
  if (argc < 2) return Usage(std::cerr);
  const std::string_view name = argv[1];
  Args args(argv + 2, argv + argc);
  for (const Command& c : Commands()) {
    if (c.name != name) continue;
    try {
      return c.run(args, std::cout, std::cerr);
    } catch (const std::runtime_error& e) {
      std::cout.flush();
      std::cerr << e.what() << "\n";
      return 1;
    }
  }
  std::cerr << "unknown command: " << name << "\n";
  return Usage(std::cerr);
}
