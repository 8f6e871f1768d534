// Where the table engine's file bytes live. TDiskFile does every transfer,
// lock and rename through this interface; the platform's file system serves
// the program, and a memory-backed one (memory_file_system.h) serves fuzz
// targets and tests that want tables without disk traffic.
//
// The engine uses one file system for the whole process: the platform's,
// unless a TFileSystemScope puts another in place. Handles and file systems
// report failures by their return values; TDiskFile turns them into its
// messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zakaz::dbf {

// One open file. Closed (and its locks released) when destroyed.
class TFileHandle {
 public:
  virtual ~TFileHandle() = default;
  // Bytes transferred, which may be fewer than asked; -1 on an error. A read
  // at or past the end transfers 0.
  virtual int64_t ReadAt(int64_t offset, void* buffer, size_t count) = 0;
  virtual int64_t WriteAt(int64_t offset, const void* buffer, size_t count) = 0;
  // The size in bytes, or -1.
  virtual int64_t Size() = 0;
  virtual bool Sync() = 0;
  virtual bool Truncate(int64_t size) = 0;
  // A byte-range lock tied to this handle: for reading (shared) or writing;
  // unlock releases it. False when refused.
  enum class TRangeLock { kRead, kWrite, kUnlock };
  virtual bool LockRange(TRangeLock type, int64_t offset, int64_t length) = 0;
  // The file's first `size` bytes mapped for reading, kept in step with
  // every write to the file (the platform's cache holds both), or nullptr
  // where that is not offered (a shared open, which another program may cut
  // short; a memory file system; a failure). The bytes stay valid until the
  // next MapForReading, Truncate or the handle's end.
  virtual const uint8_t* MapForReading(int64_t size) {
    (void)size;
    return nullptr;
  }
};

class TFileSystem {
 public:
  virtual ~TFileSystem() = default;
  // The file system's path for a name as the system writes it.
  virtual std::string Resolve(std::string_view name) = 0;
  virtual bool Exists(const std::string& path) = 0;
  // Opens `path` with a whole-file lock saying how this open shares the
  // file: an exclusive open admits no other open, shared opens admit each
  // other. `create` makes the file when missing and empties it once the lock
  // is held. Null when the file is missing (without `create`) or refused.
  virtual std::unique_ptr<TFileHandle> Open(const std::string& path, bool read_write, bool create,
                                            bool shared) = 0;
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
};

// The file system in use: the platform's unless a scope says otherwise.
TFileSystem& CurrentFileSystem();

// Puts `file_system` in place for the scope's life, then the previous one
// back. Tables opened inside the scope must be closed before it ends.
class TFileSystemScope {
 public:
  explicit TFileSystemScope(TFileSystem& file_system);
  ~TFileSystemScope();
  TFileSystemScope(const TFileSystemScope&) = delete;
  TFileSystemScope& operator=(const TFileSystemScope&) = delete;

 private:
  TFileSystem* previous_;
};

}  // namespace zakaz::dbf
