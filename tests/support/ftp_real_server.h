// A real FTP server from the distribution (vsftpd, pure-ftpd, proftpd or
// python3-pyftpdlib) on 127.0.0.1 and a free high port, serving a directory
// the test fills, with the supplier's fixed account allowed to read and write.
//
// The object starts the server in the foreground in a process group of its
// own and ends that group when destroyed. The account is a virtual user known
// only to this server: its password file (and for vsftpd its PAM service)
// lies in the object's own temporary folder, and the daemons run the session
// as an existing unprivileged system user. Nothing on the machine changes: no
// account, password or PAM file is created outside that folder.
//
// The daemons are taken from $ZAKAZ_FTP_DAEMONS, else from the private folder
// scripts/ftp_daemons.sh unpacks them into (.cache/ftp-daemons of the source
// tree), else from the system. vsftpd, pure-ftpd and proftpd switch users to
// run a virtual user's session, so they need root; without it Start says why.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zakaz::testing {

class FtpRealServer {
 public:
  enum Kind { kVsftpd, kPyftpdlib, kPureFtpd, kProftpd };
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
  const char* Name() const { return KindName(kind_); }
  static const char* KindName(Kind kind);
  // The name as a parameterised test's name may spell it: letters and digits
  // only, a capital first ("pure-ftpd" -> "Pureftpd").
  static std::string TestName(Kind kind);
  // Gives the server's account write access to everything under the root.
  void OpenUpRoot() const;

  // True where a server that cannot start is a failure rather than a reason
  // to skip: in CI (CI=true), whose machine is set up to run all four.
  static bool Required();

 private:
  bool StartVsftpd(std::string* why);
  bool StartPureFtpd(std::string* why);
  bool StartProftpd(std::string* why);
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

// Starts `server` (an FtpRealServer) in a test body or SetUp; when it cannot
// start, fails the test under CI=true and skips it elsewhere.
#define ZAKAZ_START_REAL_SERVER_OR_SKIP(server)                       \
  do {                                                                \
    std::string zakaz_why_;                                           \
    if (!(server).Start(&zakaz_why_)) {                               \
      if (::zakaz::testing::FtpRealServer::Required()) {              \
        FAIL() << (server).Name() << " cannot start: " << zakaz_why_; \
      }                                                               \
      GTEST_SKIP() << zakaz_why_;                                     \
    }                                                                 \
  } while (false)
