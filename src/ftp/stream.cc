#include "ftp/stream.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "common/format_message.h"
#include "ftp/errors.h"
#include "ftp/messages.h"

namespace zakaz::ftp {
namespace {

std::string FullPath(const std::string& path) {
  std::error_code ignored;
  const auto full = std::filesystem::absolute(path, ignored);
  return full.empty() ? path : full.string();
}

}  // namespace

TFileStream TFileStream::Create(const std::string& path) {
  // O_EXCL: a file that appeared since the caller looked must not be emptied.
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (!fd.Valid()) {
    const int error = errno;
    throw EStreamError(
        FormatMessage(messages::kCannotCreateFile, {FullPath(path), ::strerror(error)}));
  }
  return TFileStream(std::move(fd));
}

TFileStream TFileStream::OpenRead(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (fd.Valid() && ::fstat(fd.Get(), &info) == 0 && S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    fd.Reset();
  }
  if (!fd.Valid()) {
    const int error = errno;
    throw EStreamError(
        FormatMessage(messages::kCannotOpenFile, {FullPath(path), ::strerror(error)}));
  }
  return TFileStream(std::move(fd));
}

size_t TFileStream::Read(char* data, size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd_.Get(), data, size);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) throw EStreamError(messages::kStreamReadError);
  }
}

void TFileStream::Write(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd_.Get(), data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw EStreamError(messages::kStreamWriteError);
    data += written;
    size -= static_cast<size_t>(written);
  }
}

int64_t TFileStream::Size() {
  struct stat info {};
  if (::fstat(fd_.Get(), &info) != 0) throw EStreamError(messages::kStreamReadError);
  return info.st_size;
}

int64_t TFileStream::Position() {
  const off_t position = ::lseek(fd_.Get(), 0, SEEK_CUR);
  if (position < 0) throw EStreamError(messages::kStreamReadError);
  return position;
}

void TFileStream::Seek(int64_t position) {
  if (::lseek(fd_.Get(), position, SEEK_SET) < 0) throw EStreamError(messages::kStreamReadError);
}

size_t TMemoryStream::Read(char* data, size_t size) {
  if (position_ >= data_.size()) return 0;
  const size_t count = std::min(size, data_.size() - position_);
  std::copy_n(data_.data() + position_, count, data);
  position_ += count;
  return count;
}

void TMemoryStream::Write(const char* data, size_t size) {
  if (position_ > data_.size()) data_.resize(position_);
  data_.replace(position_, std::min(size, data_.size() - position_), data, size);
  position_ += size;
}

void TMemoryStream::Seek(int64_t position) {
  position_ = static_cast<size_t>(std::max<int64_t>(0, position));
}

}  // namespace zakaz::ftp
