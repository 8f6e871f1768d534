// A real FTP server from the distribution (vsftpd, or python3-pyftpdlib as a
// second, simpler one) on 127.0.0.1 and a free high port, serving a directory
// the test fills, with the system's fixed account allowed to read and write.
//
// The object starts the server in the foreground in a process group of its
// own and ends that group when destroyed. vsftpd authenticates local system
// users, so on first use (as root, which CI is) the account is created as a
// local user; without root, Start reports why the server cannot run and the
// test skips.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zakaz::testing {

class FtpRealServer {
 public:
  enum Kind { kVsftpd, kPyftpdlib };
  static constexpr char kUser[] = "briolan";
  static constexpr char kPassword[] = "hG&4T!9K";

  FtpRealServer(Kind kind, std::filesystem::path root) : kind_(kind), root_(std::move(root)) {}
  ~FtpRealServer();
  FtpRealServer(const FtpRealServer&) = delete;
  FtpRealServer& operator=(const FtpRealServer&) = delete;

  // Starts the server and waits until it takes connections. Returns false and
  // fills `why` when this machine cannot run it.
  bool Start(std::string* why);
  int Port() const { return port_; }
  const char* Name() const { return kind_ == kVsftpd ? "vsftpd" : "pyftpdlib"; }
  // Gives the server's account write access to everything under the root.
  void OpenUpRoot() const;

 private:
  bool StartVsftpd(std::string* why);
  bool StartPyftpdlib(std::string* why);
  bool Spawn(const std::vector<std::string>& argv, std::string* why);
  bool WaitUntilListening(std::string* why);

  Kind kind_;
  std::filesystem::path root_;
  TempDir work_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace zakaz::testing
