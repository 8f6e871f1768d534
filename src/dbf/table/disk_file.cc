#include "dbf/table/disk_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/file_path.h"
#include "common/format_message.h"
#include "dbf/base/errors.h"
#include "dbf/table/messages.h"

namespace zakaz::dbf {
namespace {

bool FileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// A byte-range lock tied to the open file description, so two opens in one
// process exclude each other as two programs do.
bool SetRangeLock(int fd, short type, int64_t offset, int64_t length) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = offset;
  lock.l_len = length;
  return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

TDiskFile::TDiskFile(std::string_view name) : path_(ResolvePath(name)) {
  exists_ = FileExists(path_);
}

TDiskFile::~TDiskFile() = default;

void TDiskFile::OpenWithMode(int flags, bool shared, const char* failure_text) {
  UniqueFd fd(::open(path_.c_str(), flags | O_CLOEXEC, 0666));
  if (!fd) throw ETableError(FormatMessage(failure_text, {path_}));
  // The whole-file lock says how this open shares the file: an exclusive open
  // admits no other open, shared opens admit each other. flock locks belong
  // to the open, not the process, so a second open here conflicts too.
  if (::flock(fd.Get(), (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
    throw ETableError(FormatMessage(failure_text, {path_}));
  }
  fd_ = std::move(fd);
  shared_ = shared;
  position_ = 0;
  lock_count_ = 0;
  written_ = false;
}

void TDiskFile::Open(bool shared, bool read_write) {
  Close();
  OpenWithMode(read_write ? O_RDWR : O_RDONLY, shared, kAccessDenied);
  read_write_ = read_write;
}

void TDiskFile::Create() {
  Close();
  // Take the lock before truncating, so a file another open holds is left
  // as it is.
  OpenWithMode(O_RDWR | O_CREAT, false, kCouldNotCreate);
  read_write_ = true;
  if (::ftruncate(fd_.Get(), 0) != 0) {
    fd_.Reset();
    throw ETableError(FormatMessage(kCouldNotCreate, {path_}));
  }
  exists_ = true;
}

void TDiskFile::Close() {
  if (!fd_) return;
  // Closing the descriptor drops its locks with it.
  fd_.Reset();
  lock_count_ = 0;
}

int64_t TDiskFile::FileSize() {
  struct stat info;
  if (!fd_ || ::fstat(fd_.Get(), &info) != 0) {
    throw ETableError(FormatMessage(kFileSizeError, {path_}));
  }
  return info.st_size;
}

void TDiskFile::Flush() {
  if (!fd_ || ::fsync(fd_.Get()) != 0) {
    throw ETableError(FormatMessage(kFlushError, {path_}));
  }
  written_ = false;
}

bool TDiskFile::LockFile() { return LockRegion(0, 2147483647); }

bool TDiskFile::LockRegion(int64_t offset, int64_t length) {
  if (!shared_) {
    ++lock_count_;
    return true;
  }
  if (lock_count_ > 0) {
    if (offset != lock_offset_ || length != lock_length_) return false;
    ++lock_count_;
    return true;
  }
  if (!fd_ || !SetRangeLock(fd_.Get(), read_write_ ? F_WRLCK : F_RDLCK, offset, length)) {
    return false;
  }
  lock_offset_ = offset;
  lock_length_ = length;
  lock_count_ = 1;
  return true;
}

void TDiskFile::Unlock() {
  if (lock_count_ <= 0) return;
  --lock_count_;
  if (lock_count_ > 0 || !shared_ || !fd_) return;
  if (!SetRangeLock(fd_.Get(), F_UNLCK, lock_offset_, lock_length_)) {
    throw ETableError(FormatMessage(kUnlockError, {path_}));
  }
}

size_t TDiskFile::ReadAt(int64_t offset, void* buffer, size_t count) {
  if (!fd_ || offset < 0) throw ETableError(FormatMessage(kReadError, {path_}));
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_.Get(), out + done, count - done,
                              static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw ETableError(FormatMessage(kReadError, {path_}));
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  last_count_ = done;
  position_ = offset + static_cast<int64_t>(done);
  return done;
}

void TDiskFile::WriteAt(int64_t offset, const void* buffer, size_t count) {
  if (!fd_ || offset < 0) throw ETableError(FormatMessage(kWriteError, {path_}));
  const auto* in = static_cast<const char*>(buffer);
  size_t done = 0;
  // The platform may write less than asked without an error (a disk filling
  // up); carry on with the rest, and report the write that cannot go on.
  while (done < count) {
    const ssize_t n = ::pwrite(fd_.Get(), in + done, count - done,
                               static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      last_count_ = done;
      position_ = offset + static_cast<int64_t>(done);
      throw ETableError(FormatMessage(kWriteError, {path_}));
    }
    done += static_cast<size_t>(n);
  }
  last_count_ = done;
  position_ = offset + static_cast<int64_t>(done);
  written_ = true;
}

void TDiskFile::ReadExactAt(int64_t offset, void* buffer, size_t count) {
  if (ReadAt(offset, buffer, count) != count) {
    throw ETableError(FormatMessage(kReadError, {path_}));
  }
}

void TDiskFile::Rename(std::string_view new_name) {
  const std::string target = ResolvePath(new_name);
  if (::rename(path_.c_str(), target.c_str()) != 0) {
    throw ETableError(FormatMessage(kAccessDenied, {path_}));
  }
  path_ = target;
}

void TDiskFile::StatusNotify(int, std::string_view) {}

void TDiskFile::Truncate(int64_t size) {
  if (!fd_ || ::ftruncate(fd_.Get(), static_cast<off_t>(size)) != 0) {
    throw ETableError(FormatMessage(kWriteError, {path_}));
  }
}

}  // namespace zakaz::dbf
