#include "dbf/table/disk_file.h"

#include "common/format_message.h"
#include "dbf/base/errors.h"
#include "dbf/table/file_system.h"
#include "dbf/table/messages.h"

namespace zakaz::dbf {

TDiskFile::TDiskFile(std::string_view name) : path_(CurrentFileSystem().Resolve(name)) {
  exists_ = CurrentFileSystem().Exists(path_);
}

TDiskFile::~TDiskFile() = default;

void TDiskFile::OpenWithMode(bool read_write, bool create, bool shared, const char* failure_text) {
  std::unique_ptr<TFileHandle> file = CurrentFileSystem().Open(path_, read_write, create, shared);
  if (!file) throw ETableError(FormatMessage(failure_text, {path_}));
  file_ = std::move(file);
  shared_ = shared;
  read_write_ = read_write;
  position_ = 0;
  lock_count_ = 0;
}

void TDiskFile::Open(bool shared, bool read_write) {
  Close();
  OpenWithMode(read_write, false, shared, kAccessDenied);
}

void TDiskFile::Create() {
  Close();
  OpenWithMode(true, true, false, kCouldNotCreate);
  exists_ = true;
}

void TDiskFile::Close() {
  if (!file_) return;
  // Closing the handle drops its locks with it.
  file_.reset();
  lock_count_ = 0;
}

int64_t TDiskFile::FileSize() {
  const int64_t size = file_ ? file_->Size() : -1;
  if (size < 0) throw ETableError(FormatMessage(kFileSizeError, {path_}));
  return size;
}

void TDiskFile::Flush() {
  if (!file_ || !file_->Sync()) throw ETableError(FormatMessage(kFlushError, {path_}));
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
  const auto type = read_write_ ? TFileHandle::TRangeLock::kWrite : TFileHandle::TRangeLock::kRead;
  if (!file_ || !file_->LockRange(type, offset, length)) return false;
  lock_offset_ = offset;
  lock_length_ = length;
  lock_count_ = 1;
  return true;
}

void TDiskFile::Unlock() {
  if (lock_count_ <= 0) return;
  --lock_count_;
  if (lock_count_ > 0 || !shared_ || !file_) return;
  if (!file_->LockRange(TFileHandle::TRangeLock::kUnlock, lock_offset_, lock_length_)) {
    throw ETableError(FormatMessage(kUnlockError, {path_}));
  }
}

size_t TDiskFile::ReadAt(int64_t offset, void* buffer, size_t count) {
  if (!file_ || offset < 0) throw ETableError(FormatMessage(kReadError, {path_}));
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    const int64_t n = file_->ReadAt(offset + static_cast<int64_t>(done), out + done, count - done);
    if (n < 0) throw ETableError(FormatMessage(kReadError, {path_}));
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  position_ = offset + static_cast<int64_t>(done);
  return done;
}

void TDiskFile::WriteAt(int64_t offset, const void* buffer, size_t count) {
  if (!file_ || offset < 0) throw ETableError(FormatMessage(kWriteError, {path_}));
  const auto* in = static_cast<const char*>(buffer);
  size_t done = 0;
  // The platform may write less than asked without an error (a disk filling
  // up); carry on with the rest, and report the write that cannot go on.
  while (done < count) {
    const int64_t n = file_->WriteAt(offset + static_cast<int64_t>(done), in + done, count - done);
    if (n <= 0) {
      position_ = offset + static_cast<int64_t>(done);
      throw ETableError(FormatMessage(kWriteError, {path_}));
    }
    done += static_cast<size_t>(n);
  }
  position_ = offset + static_cast<int64_t>(done);
}

const uint8_t* TDiskFile::MappedBytes(int64_t size) {
  return file_ != nullptr ? file_->MapForReading(size) : nullptr;
}

void TDiskFile::ReadExactAt(int64_t offset, void* buffer, size_t count) {
  if (ReadAt(offset, buffer, count) != count) {
    throw ETableError(FormatMessage(kReadError, {path_}));
  }
}

void TDiskFile::Rename(std::string_view new_name) {
  const std::string target = CurrentFileSystem().Resolve(new_name);
  if (!CurrentFileSystem().Rename(path_, target)) {
    throw ETableError(FormatMessage(kAccessDenied, {path_}));
  }
  path_ = target;
}

void TDiskFile::Truncate(int64_t size) {
  if (!file_ || !file_->Truncate(size)) throw ETableError(FormatMessage(kWriteError, {path_}));
}

}  // namespace zakaz::dbf
