// TDiskFile: one table file handle with positioned reads and writes, the open
// mode (exclusive or shared, read-only or read/write), counted locks and flush.
//
// It is the first layer of the table engine; TDbfFile adds the header and
// records on top. The object owns its descriptor and closes it when it is
// destroyed. An exclusive open holds a whole-file lock tied to this open (not
// to the process), so a second open of the same file fails with "Access denied
// to file %s" whether it comes from this program or another. Every failure
// throws ETableError with the engine's message and the full path.
//
// ReadAt and WriteAt are the seams through which every record transfer goes;
// a derived layer (the cursor's read-ahead block) overrides them and calls the
// base versions for the real transfers. Those reach the bytes through the
// process's file system (file_system.h): the platform's, or memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zakaz::dbf {

class TFileHandle;

class TDiskFile {
 public:
  // Resolves `name` (backslashes, letter case, working directory) and notes
  // whether the file exists now. Opens nothing.
  explicit TDiskFile(std::string_view name);
  virtual ~TDiskFile();

  TDiskFile(const TDiskFile&) = delete;
  TDiskFile& operator=(const TDiskFile&) = delete;

  // Opens the existing file. Exclusive (shared false): no other open of the
  // file may exist or follow while this one lasts. Shared: other shared opens
  // may coexist. Throws "Access denied to file %s" when the platform refuses or
  // the file is held by a conflicting open.
  void Open(bool shared, bool read_write);
  // Creates the file anew (an existing one is truncated) and opens it
  // exclusively for reading and writing. Throws "Could not create file %s".
  void Create();
  // Releases held locks and closes the handle; does nothing when closed.
  virtual void Close();

  // Throws "Error getting FileSize for file %s".
  int64_t FileSize();
  // Pushes written data to the device. Throws "Error on Flush for file %s".
  virtual void Flush();

  // Counted locks. With an exclusive open every request succeeds at once and
  // only the count changes. With a shared open the request becomes a
  // platform byte-range lock; it returns false when the platform refuses or
  // when another region is already held.
  bool LockFile();
  bool LockRegion(int64_t offset, int64_t length);
  // Lowers the count; releases the platform lock with the last one. Throws
  // "Error in Unlock of file %s" when the platform refuses.
  void Unlock();

  // Reads up to `count` bytes at `offset`, continuing partial reads, and
  // returns how many arrived (fewer only at the end of the file). Throws
  // "Error on Read of file %s" when the platform reports an error.
  virtual size_t ReadAt(int64_t offset, void* buffer, size_t count);
  // Writes all `count` bytes at `offset`, continuing partial writes. Throws
  // "Error writing to %s" when any part cannot be written (a full disk
  // included); the bytes written before the failure stay written.
  virtual void WriteAt(int64_t offset, const void* buffer, size_t count);

  // Renames the file (names resolved like the constructor's). Throws
  // "Access denied to file %s" when the platform refuses.
  virtual void Rename(std::string_view new_name);
  // Cuts or extends the file to `size` bytes. Throws "Error writing to %s".
  virtual void Truncate(int64_t size);

  // ReadAt that must deliver all bytes: a short read throws "Error on Read of
  // file %s".
  void ReadExactAt(int64_t offset, void* buffer, size_t count);
  // The file's first `size` bytes for reading in place, or nullptr when the
  // file system does not map them (TFileHandle::MapForReading); valid until
  // the next call, a Truncate or Close. Nothing to do with ReadAt's seam:
  // whole-table passes use it, and fall back on ReadAt without it.
  const uint8_t* MappedBytes(int64_t size);

  const std::string& Path() const { return path_; }
  bool Exists() const { return exists_; }
  bool Shared() const { return shared_; }
  bool ReadWrite() const { return read_write_; }
  bool Closed() const { return file_ == nullptr; }
  // Offset just past the last transfer.
  int64_t Position() const { return position_; }
  int LockCount() const { return lock_count_; }

 private:
  void OpenWithMode(bool read_write, bool create, bool shared, const char* failure_text);

  std::unique_ptr<TFileHandle> file_;
  bool exists_ = false;
  std::string path_;
  int64_t position_ = 0;
  bool shared_ = false;
  bool read_write_ = false;
  int lock_count_ = 0;
  int64_t lock_offset_ = 0;
  int64_t lock_length_ = 0;
};

}  // namespace zakaz::dbf
