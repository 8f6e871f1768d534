#include "support/ftp_real_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "common/unique_fd.h"
#include "support/poll.h"

extern char** environ;

namespace zakaz::testing {
namespace {

namespace fs = std::filesystem;

int FreePort() {
  zakaz::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

bool CanConnect(int port) {
  zakaz::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return ::connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Run(const std::string& command, const std::string& input = {}) {
  FILE* pipe = ::popen(command.c_str(), "w");
  if (pipe == nullptr) return false;
  if (!input.empty()) std::fwrite(input.data(), 1, input.size(), pipe);
  return ::pclose(pipe) == 0;
}

// vsftpd logs in local system users only, so the fixed account must exist as
// one. Parallel test processes serialise on a lock file while they check it.
bool EnsureAccount(std::string* why) {
  zakaz::UniqueFd lock(::open("/tmp/zakaz-ftp-account.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!lock.Valid() || ::flock(lock.Get(), LOCK_EX) != 0) {
    *why = "cannot lock the account set-up";
    return false;
  }
  const std::string user = FtpRealServer::kUser;
  const passwd* entry = ::getpwnam(user.c_str());
  if (entry == nullptr) {
    // Home "/" because vsftpd enters the home directory before local_root.
    if (!Run("useradd --no-create-home --home-dir / --shell /bin/sh " + user + " 2>/dev/null")) {
      *why = "useradd failed";
      return false;
    }
  } else if (!fs::is_directory(entry->pw_dir)) {
    Run("usermod --home / " + user);
  }
  if (!Run("chpasswd", user + ":" + FtpRealServer::kPassword + "\n")) {
    *why = "chpasswd failed";
    return false;
  }
  return true;
}

}  // namespace

FtpRealServer::~FtpRealServer() {
  if (pid_ > 0) {
    ::kill(-pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
}

void FtpRealServer::OpenUpRoot() const {
  std::error_code ignored;
  // The root lies inside a private temp dir; the account must be able to pass.
  for (fs::path dir = root_; dir.has_relative_path() && dir != fs::temp_directory_path();
       dir = dir.parent_path()) {
    fs::permissions(dir, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add,
                    ignored);
  }
  fs::permissions(root_, fs::perms::all, fs::perm_options::replace, ignored);
  for (auto it = fs::recursive_directory_iterator(root_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(),
                    it->is_directory()
                        ? fs::perms::all
                        : fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec |
                                             fs::perms::others_exec),
                    fs::perm_options::replace, ignored);
  }
}

bool FtpRealServer::Start(std::string* why) {
  port_ = FreePort();
  OpenUpRoot();
  return kind_ == kVsftpd ? StartVsftpd(why) : StartPyftpdlib(why);
}

bool FtpRealServer::StartVsftpd(std::string* why) {
  if (!fs::exists("/usr/sbin/vsftpd")) {
    *why = "vsftpd is not installed";
    return false;
  }
  if (::geteuid() != 0) {
    *why = "vsftpd logs in local users only when started as root";
    return false;
  }
  if (!EnsureAccount(why)) return false;
  std::error_code ignored;
  fs::create_directories("/var/run/vsftpd/empty", ignored);

  const fs::path config = work_.Path() / "vsftpd.conf";
  std::ofstream out(config);
  out << "listen=YES\n"
         "listen_ipv6=NO\n"
         "listen_address=127.0.0.1\n"
      << "listen_port=" << port_ << "\n"
      << "background=NO\n"
         "anonymous_enable=NO\n"
         "local_enable=YES\n"
         "write_enable=YES\n"
         "local_umask=022\n"
      << "local_root=" << root_.string() << "\n"
      << "chroot_local_user=NO\n"
         "pasv_enable=YES\n"
         "pasv_min_port=40000\n"
         "pasv_max_port=44999\n"
         "port_enable=YES\n"
         "connect_from_port_20=NO\n"
         "pam_service_name=vsftpd\n"
         "secure_chroot_dir=/var/run/vsftpd/empty\n"
         "seccomp_sandbox=NO\n"
         "isolate=NO\n"
         "isolate_network=NO\n"
         "xferlog_enable=NO\n"
         "dirmessage_enable=NO\n"
         "userlist_enable=NO\n"
         "tcp_wrappers=NO\n";
  out.close();
  return Spawn({"/usr/sbin/vsftpd", config.string()}, why) && WaitUntilListening(why);
}

bool FtpRealServer::StartPyftpdlib(std::string* why) {
  if (!fs::exists("/usr/bin/python3")) {
    *why = "/usr/bin/python3 is not installed";
    return false;
  }
  const std::string script =
      "import sys\n"
      "from pyftpdlib.authorizers import DummyAuthorizer\n"
      "from pyftpdlib.handlers import FTPHandler\n"
      "from pyftpdlib.servers import FTPServer\n"
      "authorizer = DummyAuthorizer()\n"
      "authorizer.add_user(sys.argv[1], sys.argv[2], sys.argv[3], perm='elradfmwMT')\n"
      "FTPHandler.authorizer = authorizer\n"
      "server = FTPServer(('127.0.0.1', int(sys.argv[4])), FTPHandler)\n"
      "server.serve_forever()\n";
  return Spawn({"/usr/bin/python3", "-c", script, kUser, kPassword, root_.string(),
                std::to_string(port_)},
               why) &&
         WaitUntilListening(why);
}

bool FtpRealServer::Spawn(const std::vector<std::string>& argv, std::string* why) {
  const std::string log = (work_.Path() / "server.log").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int status = ::posix_spawn(&pid_, args[0], &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (status != 0) {
    pid_ = -1;
    *why = "cannot start " + argv[0];
    return false;
  }
  return true;
}

bool FtpRealServer::WaitUntilListening(std::string* why) {
  bool ended = false;
  const bool listening = PollUntil(
      [&] {
        int status = 0;
        ended = ::waitpid(pid_, &status, WNOHANG) == pid_;
        return ended || CanConnect(port_);
      },
      std::chrono::seconds(15), std::chrono::milliseconds(20));
  if (ended) {
    pid_ = -1;
    *why = std::string(Name()) + " ended at start: " + ReadAll(work_.Path() / "server.log");
    return false;
  }
  if (!listening) *why = std::string(Name()) + " did not start listening";
  return listening;
}

}  // namespace zakaz::testing
