#include "support/ftp_real_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
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

// The fixed account's password as crypt(3) SHA-512 with a fixed salt, the
// form every daemon's password file takes:
//   openssl passwd -6 -salt zakaztest 'hG&4T!9K'
constexpr char kPasswordHash[] =
    "$6$zakaztest$xov3RbzdkUvkj/QrETFqckckWb6ZooC1ZTZPjJQ2OCfza/"
    "8t8M20Kl6HyXOnXOaH6gDGSl1tIDdIWkHmg7GhD.";

#ifndef ZAKAZ_SOURCE_DIR
#define ZAKAZ_SOURCE_DIR "."
#endif

// A daemon's file, relative to a package's root ("usr/sbin/vsftpd"): from the
// folder named by $ZAKAZ_FTP_DAEMONS, else from the private folder the test
// set-up unpacks the packages into, else as the system has it.
fs::path DaemonFile(const std::string& relative) {
  std::vector<fs::path> roots;
  if (const char* dir = std::getenv("ZAKAZ_FTP_DAEMONS"); dir != nullptr && *dir != '\0') {
    roots.emplace_back(dir);
  }
  roots.emplace_back(fs::path(ZAKAZ_SOURCE_DIR) / ".cache" / "ftp-daemons");
  roots.emplace_back("/");
  for (const auto& root : roots) {
    if (fs::exists(root / relative)) return root / relative;
  }
  return {};
}

// The system user a virtual user's session runs as: an existing unprivileged
// account whose home directory exists (vsftpd enters it before the root).
struct SessionUser {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;
};

bool FindSessionUser(SessionUser* user, std::string* why) {
  for (const char* name : {"ftp", "daemon", "bin", "nobody"}) {
    const passwd* entry = ::getpwnam(name);
    if (entry == nullptr || entry->pw_uid == 0 || !fs::is_directory(entry->pw_dir)) continue;
    *user = {name, entry->pw_uid, entry->pw_gid};
    return true;
  }
  *why = "no unprivileged system user with a home directory to run sessions as";
  return false;
}

// The fixed account as a passwd(5)-like line mapped onto `user`: account,
// hash, uid, gid, an empty comment, `home`, then `rest` (the daemon's own
// fields).
std::string VirtualUserLine(const SessionUser& user, const std::string& home,
                            const std::string& rest) {
  return std::string(FtpRealServer::kUser) + ":" + kPasswordHash + ":" + std::to_string(user.uid) +
         ":" + std::to_string(user.gid) + "::" + home + rest + "\n";
}

bool NeedRoot(const char* daemon, std::string* why) {
  if (::geteuid() == 0) return true;
  *why = std::string(daemon) + " switches to the session's user only when started as root";
  return false;
}

void WriteText(const fs::path& path, const std::string& text, fs::perms perms) {
  std::ofstream(path, std::ios::binary) << text;
  std::error_code ignored;
  fs::permissions(path, perms, fs::perm_options::replace, ignored);
}

bool RunQuietly(const std::vector<std::string>& argv) {
  pid_t pid = -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int status = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (status != 0) return false;
  int exit_status = 0;
  return ::waitpid(pid, &exit_status, 0) == pid && WIFEXITED(exit_status) &&
         WEXITSTATUS(exit_status) == 0;
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

const char* FtpRealServer::KindName(Kind kind) {
  switch (kind) {
    case kVsftpd:
      return "vsftpd";
    case kPureFtpd:
      return "pure-ftpd";
    case kProftpd:
      return "proftpd";
    case kPyftpdlib:
      break;
  }
  return "pyftpdlib";
}

std::string FtpRealServer::TestName(Kind kind) {
  std::string name;
  for (const char c : std::string(KindName(kind))) {
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
  }
  name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  return name;
}

bool FtpRealServer::Required() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string(ci) == "true";
}

bool FtpRealServer::Start(std::string* why) {
  port_ = FreePort();
  OpenUpRoot();
  switch (kind_) {
    case kVsftpd:
      return StartVsftpd(why);
    case kPureFtpd:
      return StartPureFtpd(why);
    case kProftpd:
      return StartProftpd(why);
    case kPyftpdlib:
      break;
  }
  return StartPyftpdlib(why);
}

// vsftpd checks passwords through PAM only, and PAM reads services from
// /etc/pam.d only. The daemon therefore runs in a mount namespace of its own
// in which the test's folder with one service (pam_pwdfile on the test's
// password file) is mounted over /etc/pam.d; the machine's PAM stack is
// neither changed nor seen. The virtual user's session runs as guest_username.
bool FtpRealServer::StartVsftpd(std::string* why) {
  const fs::path vsftpd = DaemonFile("usr/sbin/vsftpd");
  if (vsftpd.empty()) {
    *why = "vsftpd is not unpacked (scripts/ftp_daemons.sh) nor installed";
    return false;
  }
  if (!fs::exists("/lib/x86_64-linux-gnu/security/pam_pwdfile.so") &&
      !fs::exists("/usr/lib/x86_64-linux-gnu/security/pam_pwdfile.so")) {
    *why = "libpam-pwdfile is not installed";
    return false;
  }
  if (!fs::exists("/usr/bin/unshare")) {
    *why = "unshare (util-linux) is not installed";
    return false;
  }
  SessionUser user;
  if (!NeedRoot("vsftpd", why) || !FindSessionUser(&user, why)) return false;

  const fs::path dir = work_.Path();
  WriteText(dir / "ftpd.passwd", std::string(kUser) + ":" + kPasswordHash + "\n",
            fs::perms::owner_read | fs::perms::owner_write);
  fs::create_directories(dir / "pam.d");
  WriteText(dir / "pam.d" / "zakaz-ftp",
            "auth required pam_pwdfile.so nodelay pwdfile=" + (dir / "ftpd.passwd").string() +
                "\naccount required pam_permit.so\n",
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
  fs::create_directories(dir / "empty");

  const fs::path config = dir / "vsftpd.conf";
  std::ostringstream out;
  out << "listen=YES\n"
         "listen_ipv6=NO\n"
         "listen_address=127.0.0.1\n"
      << "listen_port=" << port_ << "\n"
      << "background=NO\n"
         "anonymous_enable=NO\n"
         "local_enable=YES\n"
         "guest_enable=YES\n"
      << "guest_username=" << user.name << "\n"
      << "virtual_use_local_privs=YES\n"
         "write_enable=YES\n"
         "local_umask=022\n"
         "anon_umask=022\n"
      << "local_root=" << root_.string() << "\n"
      << "chroot_local_user=NO\n"
         "check_shell=NO\n"
         "pasv_enable=YES\n"
         "pasv_min_port=40000\n"
         "pasv_max_port=44999\n"
         "port_enable=YES\n"
         "connect_from_port_20=NO\n"
         "pam_service_name=zakaz-ftp\n"
      << "secure_chroot_dir=" << (dir / "empty").string() << "\n"
      << "delay_failed_login=0\n"
         "seccomp_sandbox=NO\n"
         "isolate=NO\n"
         "isolate_network=NO\n"
         "xferlog_enable=NO\n"
         "dirmessage_enable=NO\n"
         "userlist_enable=NO\n"
         "tcp_wrappers=NO\n";
  WriteText(config, out.str(), fs::perms::owner_read | fs::perms::owner_write);
  // unshare execs the shell, which execs vsftpd: the daemon keeps the pid.
  return Spawn({"/usr/bin/unshare", "--mount", "--propagation", "private", "/bin/sh", "-c",
                "mount --bind \"$1\" /etc/pam.d && exec \"$2\" \"$3\"", "sh",
                (dir / "pam.d").string(), vsftpd.string(), config.string()},
               why) &&
         WaitUntilListening(why);
}

// pure-ftpd keeps virtual users in its own database (PureDB), made here from
// a password file with the package's own pure-pw.
bool FtpRealServer::StartPureFtpd(std::string* why) {
  const fs::path daemon = DaemonFile("usr/sbin/pure-ftpd");
  const fs::path pure_pw = DaemonFile("usr/bin/pure-pw");
  if (daemon.empty() || pure_pw.empty()) {
    *why = "pure-ftpd is not unpacked (scripts/ftp_daemons.sh) nor installed";
    return false;
  }
  SessionUser user;
  if (!NeedRoot("pure-ftpd", why) || !FindSessionUser(&user, why)) return false;

  const fs::path dir = work_.Path();
  // "/./" ends the part of the home the session is chrooted to; the limits
  // after it stay empty.
  WriteText(dir / "pureftpd.passwd", VirtualUserLine(user, root_.string() + "/./", "::::::::::::"),
            fs::perms::owner_read | fs::perms::owner_write);
  const fs::path database = dir / "pureftpd.pdb";
  if (!RunQuietly({pure_pw.string(), "mkdb", database.string(), "-f",
                   (dir / "pureftpd.passwd").string()})) {
    *why = "pure-pw mkdb failed";
    return false;
  }
  return Spawn({daemon.string(), "--login", "puredb:" + database.string(), "--bind",
                "127.0.0.1," + std::to_string(port_), "--noanonymous", "--dontresolve",
                "--passiveportrange", "40000:44999", "--umask", "133:022"},
               why) &&
         WaitUntilListening(why);
}

// proftpd reads virtual users from an AuthUserFile in passwd(5) form, which it
// refuses unless only its owner can read it.
bool FtpRealServer::StartProftpd(std::string* why) {
  const fs::path daemon = DaemonFile("usr/sbin/proftpd");
  if (daemon.empty()) {
    *why = "proftpd is not unpacked (scripts/ftp_daemons.sh) nor installed";
    return false;
  }
  SessionUser user;
  if (!NeedRoot("proftpd", why) || !FindSessionUser(&user, why)) return false;

  const fs::path dir = work_.Path();
  const auto owner_only = fs::perms::owner_read | fs::perms::owner_write;
  WriteText(dir / "ftpd.passwd", VirtualUserLine(user, root_.string(), ":/bin/false"), owner_only);
  WriteText(dir / "ftpd.group", user.name + ":x:" + std::to_string(user.gid) + ":\n", owner_only);
  std::ostringstream out;
  out << "ServerType standalone\n"
         "DefaultServer on\n"
      << "Port " << port_ << "\n"
      << "DefaultAddress 127.0.0.1\n"
         "SocketBindTight on\n"
         "UseIPv6 off\n"
      << "User " << user.name << "\n"
      << "Group " << user.name << "\n"
      << "Umask 022\n"
      << "PidFile " << (dir / "proftpd.pid").string() << "\n"
      << "ScoreboardFile " << (dir / "proftpd.scoreboard").string() << "\n"
      << "SystemLog " << (dir / "proftpd.log").string() << "\n"
      << "DelayTable none\n"
         "WtmpLog off\n"
         "TransferLog none\n"
         "AuthOrder mod_auth_file.c\n"
      << "AuthUserFile " << (dir / "ftpd.passwd").string() << "\n"
      << "AuthGroupFile " << (dir / "ftpd.group").string() << "\n"
      << "AuthPAM off\n"
         "RequireValidShell off\n"
         "UseReverseDNS off\n"
         "AllowOverwrite on\n"
         "PassivePorts 40000 44999\n";
  const fs::path config = dir / "proftpd.conf";
  WriteText(config, out.str(), owner_only);
  return Spawn({daemon.string(), "--nodaemon", "--config", config.string()}, why) &&
         WaitUntilListening(why);
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
      "FTPHandler.auth_failed_timeout = 0\n"
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
