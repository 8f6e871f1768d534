// ftptool: for support staff checking a supplier's FTP server, and for tests.
// Opens one session the way the exchange operations do (the system's fixed
// account unless told otherwise, passive mode unless told otherwise), runs the
// given operations in order, then ends with ABOR and QUIT. Progress goes to
// stderr; results (sizes, names) to stdout. A failure prints the message the
// user would read and exits with 1; a bad command line exits with 2.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "ftp/ftp_client.h"

namespace {

using zakaz::ftp::TFtpClient;
using zakaz::ftp::TNetComponent;
using zakaz::ftp::TWorkMode;

// The account the settings dialog's hidden fields hold; the program always
// logs in with it.
constexpr char kDefaultUser[] = "briolan";
constexpr char kDefaultPassword[] = "hG&4T!9K";
constexpr int64_t kProgressStep = 1 << 20;

struct Operation {
  std::string name;
  std::vector<std::string> args;
};

struct Options {
  bool passive = true;
  bool quiet = false;
  std::string user = kDefaultUser;
  std::string password = kDefaultPassword;
  std::string host;
  int port = 21;
  int timeout_seconds = 60;
  std::vector<Operation> operations;
};

int Usage() {
  std::cerr << "usage: ftptool [--active] [--user U] [--password P] [--timeout SECONDS] [--quiet]\n"
               "               HOST[:PORT] OP...\n"
               "operations, run in order:\n"
               "  cd DIR            change the remote directory\n"
               "  size PATH         print the size of a remote file (-1: none given)\n"
               "  get REMOTE LOCAL  fetch a remote file into a new local file\n"
               "  put LOCAL REMOTE  store a local file\n"
               "  ls MASK           print the names the server lists for MASK\n"
               "  rm NAME           delete a remote file\n";
  return 2;
}

int Arity(const std::string& op) {
  if (op == "cd" || op == "size" || op == "ls" || op == "rm") return 1;
  if (op == "get" || op == "put") return 2;
  return -1;
}

bool ParseNumber(const std::string& text, int low, int high, int* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
      text.size() > 9) {
    return false;
  }
  *value = std::atoi(text.c_str());
  return *value >= low && *value <= high;
}

bool Parse(int argc, char** argv, Options* options) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--active") {
      options->passive = false;
    } else if (arg == "--quiet") {
      options->quiet = true;
    } else if ((arg == "--user" || arg == "--password" || arg == "--timeout") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (arg == "--user") options->user = value;
      if (arg == "--password") options->password = value;
      if (arg == "--timeout" && !ParseNumber(value, 0, 86400, &options->timeout_seconds)) {
        return false;
      }
    } else if (arg.rfind("--", 0) == 0) {
      return false;
    } else {
      break;
    }
  }
  if (i >= argc) return false;
  const std::string target = argv[i++];
  const size_t colon = target.rfind(':');
  options->host = target.substr(0, colon);
  if (colon != std::string::npos &&
      !ParseNumber(target.substr(colon + 1), 1, 65535, &options->port)) {
    return false;
  }
  if (options->host.empty() || i >= argc) return false;
  while (i < argc) {
    Operation op{argv[i++], {}};
    const int arity = Arity(op.name);
    if (arity < 0 || i + arity > argc) return false;
    for (int k = 0; k < arity; ++k) op.args.push_back(argv[i++]);
    options->operations.push_back(std::move(op));
  }
  return true;
}

void Run(TFtpClient& client, const Operation& op) {
  const auto& a = op.args;
  if (op.name == "cd") {
    client.ChangeRemoteDir(a[0]);
  } else if (op.name == "size") {
    std::cout << client.RemoteSize(a[0]) << "\n";
  } else if (op.name == "get") {
    client.SetTransferType(zakaz::ftp::ftBinary);
    client.FetchFile(a[0], a[1]);
  } else if (op.name == "put") {
    client.StoreFile(a[0], a[1]);
  } else if (op.name == "ls") {
    std::vector<std::string> names;
    client.ListNames(names, a[0]);
    for (const auto& name : names) std::cout << name << "\n";
  } else if (op.name == "rm") {
    client.RemoveRemoteFile(a[0]);
  }
  std::cout.flush();
}

// Messages carry CR LF line breaks (a reply's lines, a socket error's two
// parts); a terminal wants plain ones and no empty line after the last.
std::string ForTerminal(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.erase(at, 1);
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

void ShowProgress(TFtpClient& client) {
  client.OnWorkBegin = [](TNetComponent&, TWorkMode mode, int64_t max) {
    std::cerr << (mode == zakaz::ftp::wmRead ? "receiving" : "sending");
    if (max > 0) std::cerr << " " << max << " bytes";
    std::cerr << "\n";
  };
  client.OnWork = [next = int64_t{kProgressStep}](TNetComponent&, TWorkMode,
                                                  int64_t count) mutable {
    if (count >= next) {
      std::cerr << "  " << count << " bytes\n";
      next = (count / kProgressStep + 1) * kProgressStep;
    }
  };
  client.OnWorkEnd = [](TNetComponent&, TWorkMode) { std::cerr << "  done\n"; };
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, &options)) return Usage();

  TFtpClient client;
  client.SetHost(options.host);
  client.SetPort(options.port);
  client.SetUsername(options.user);
  client.SetPassword(options.password);
  client.SetPassive(options.passive);
  client.SetStallLimit(std::chrono::seconds(options.timeout_seconds));
  if (!options.quiet) ShowProgress(client);

  try {
    client.OpenSession();
    if (!options.quiet) std::cerr << "connected to " << options.host << "\n";
    try {
      for (const auto& op : options.operations) Run(client, op);
    } catch (const std::exception&) {
      // Ends the session as the price-list fetch does, then reports.
      try {
        client.AbortTransfer();
        client.EndSession();
      } catch (const std::exception& ending) {
        std::cerr << "while ending the session: " << ForTerminal(ending.what()) << "\n";
      }
      throw;
    }
    client.AbortTransfer();
    client.EndSession();
  } catch (const std::exception& error) {
    std::cerr << ForTerminal(error.what()) << "\n";
    return 1;
  }
  return 0;
}
