#include "common/atomic_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/ascii_text.h"
#include "common/unique_fd.h"

namespace zakaz {
namespace {

// Between a target's name and the unique characters of its temporary file.
constexpr char kTemporaryMark[] = ".tmp-";

[[noreturn]] void ThrowErrno(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The temporary file must not outlive a failed write, or the directory fills
// with debris that nobody cleans up.
class TempFileGuard {
 public:
  explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
  ~TempFileGuard() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  void Dismiss() { path_.clear(); }

 private:
  std::string path_;
};

void WriteAll(int fd, std::string_view data, const std::string& temp_path) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno, "write " + temp_path);
    }
    // A zero-byte write makes no progress; treat it as a full disk rather
    // than spinning.
    if (n == 0) ThrowErrno(ENOSPC, "write " + temp_path);
    data.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view contents) {
  std::string target = path;
  mode_t mode = 0666 & ~[] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
  }();

  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    // Follow a link so that the rename replaces the file it points to, not
    // the link.
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      target = resolved;
      ::free(resolved);
    }
    // The effective identity decides, as it would for an open() for writing.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
      ThrowErrno(errno, "access " + target);
    }
    mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    ThrowErrno(errno, "stat " + path);
  }

  std::string temp_path = target + kTemporaryMark + "XXXXXX";
  UniqueFd fd(::mkostemp(temp_path.data(), O_CLOEXEC));
  if (!fd) ThrowErrno(errno, "create temporary file beside " + target);
  TempFileGuard guard(temp_path);

  if (::fchmod(fd.Get(), mode) != 0) ThrowErrno(errno, "chmod " + temp_path);
  WriteAll(fd.Get(), contents, temp_path);
  if (::fsync(fd.Get()) != 0) ThrowErrno(errno, "fsync " + temp_path);
  // close() can report a deferred write error (for example on NFS).
  if (::close(fd.Release()) != 0) ThrowErrno(errno, "close " + temp_path);
  if (::rename(temp_path.c_str(), target.c_str()) != 0) ThrowErrno(errno, "rename to " + target);
  guard.Dismiss();

  // Make the rename itself durable. The new contents are already in place
  // and complete at this point, so a failure here cannot be undone and is not
  // reported as a failed write.
  UniqueFd dir(::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir) ::fsync(dir.Get());
}

bool IsUnfinishedAtomicWrite(std::string_view file_name, std::string_view target_suffix) {
  constexpr size_t kUniqueLength = 6;  // what mkostemp puts for the Xs
  const size_t tail = std::strlen(kTemporaryMark) + kUniqueLength;
  if (file_name.size() < target_suffix.size() + tail) return false;
  const std::string_view before = file_name.substr(0, file_name.size() - tail);
  return file_name.substr(before.size(), std::strlen(kTemporaryMark)) == kTemporaryMark &&
         EndsWithIgnoringAsciiCase(before, target_suffix);
}

void SyncToDisk(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) ThrowErrno(errno, "open " + path);
  if (::fsync(fd.Get()) != 0) ThrowErrno(errno, "fsync " + path);
}

void SyncParentDirectory(const std::string& path) {
  const std::string parent = std::filesystem::path(path).parent_path().string();
  SyncToDisk(parent.empty() ? "." : parent);
}

}  // namespace zakaz
