#include "dbf/table/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/file_path.h"
#include "common/unique_fd.h"

namespace zakaz::dbf {
namespace {

class TPlatformFile : public TFileHandle {
 public:
  TPlatformFile(UniqueFd fd, bool shared) : fd_(std::move(fd)), shared_(shared) {}
  ~TPlatformFile() override { Unmap(); }
  TPlatformFile(const TPlatformFile&) = delete;
  TPlatformFile& operator=(const TPlatformFile&) = delete;

  const uint8_t* MapForReading(int64_t size) override {
    // Only an exclusive open: nobody else can cut the file under the map.
    if (shared_ || size <= 0) return nullptr;
    if (map_ != nullptr && map_size_ >= size) return static_cast<const uint8_t*>(map_);
    Unmap();
    void* map = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fd_.Get(), 0);
    if (map == MAP_FAILED) return nullptr;
    map_ = map;
    map_size_ = size;
    return static_cast<const uint8_t*>(map_);
  }

  int64_t ReadAt(int64_t offset, void* buffer, size_t count) override {
    while (true) {
      const ssize_t n = ::pread(fd_.Get(), buffer, count, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      return n;
    }
  }

  int64_t WriteAt(int64_t offset, const void* buffer, size_t count) override {
    while (true) {
      const ssize_t n = ::pwrite(fd_.Get(), buffer, count, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      return n;
    }
  }

  int64_t Size() override {
    struct stat info;
    return ::fstat(fd_.Get(), &info) == 0 ? info.st_size : -1;
  }

  bool Sync() override { return ::fsync(fd_.Get()) == 0; }

  bool Truncate(int64_t size) override {
    Unmap();  // pages past a new end must not be read through the map
    return ::ftruncate(fd_.Get(), static_cast<off_t>(size)) == 0;
  }

  // Tied to the open file description, so two opens in one process exclude
  // each other as two programs do.
  bool LockRange(TRangeLock type, int64_t offset, int64_t length) override {
    struct flock lock {};
    lock.l_type = type == TRangeLock::kRead    ? F_RDLCK
                  : type == TRangeLock::kWrite ? F_WRLCK
                                               : F_UNLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = length;
    return ::fcntl(fd_.Get(), F_OFD_SETLK, &lock) == 0;
  }

 private:
  void Unmap() {
    if (map_ != nullptr) ::munmap(map_, static_cast<size_t>(map_size_));
    map_ = nullptr;
    map_size_ = 0;
  }

  UniqueFd fd_;
  bool shared_ = false;
  void* map_ = nullptr;
  int64_t map_size_ = 0;
};

class TPlatformFileSystem : public TFileSystem {
 public:
  std::string Resolve(std::string_view name) override { return ResolvePath(name); }

  bool Exists(const std::string& path) override {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
  }

  std::unique_ptr<TFileHandle> Open(const std::string& path, bool read_write, bool create,
                                    bool shared) override {
    const int flags = (read_write ? O_RDWR : O_RDONLY) | (create ? O_CREAT : 0) | O_CLOEXEC;
    UniqueFd fd(::open(path.c_str(), flags, 0666));
    if (!fd) return nullptr;
    // flock locks belong to the open, not the process, so a second open here
    // conflicts too. Taken before truncating, so a file another open holds is
    // left as it is.
    if (::flock(fd.Get(), (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) return nullptr;
    if (create && ::ftruncate(fd.Get(), 0) != 0) return nullptr;
    return std::make_unique<TPlatformFile>(std::move(fd), shared);
  }

  bool Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0;
  }
};

TFileSystem*& Installed() {
  static TFileSystem* installed = nullptr;
  return installed;
}

}  // namespace

TFileSystem& CurrentFileSystem() {
  static TPlatformFileSystem platform;
  TFileSystem* installed = Installed();
  return installed != nullptr ? *installed : platform;
}

TFileSystemScope::TFileSystemScope(TFileSystem& file_system) : previous_(Installed()) {
  Installed() = &file_system;
}

TFileSystemScope::~TFileSystemScope() { Installed() = previous_; }

}  // namespace zakaz::dbf
