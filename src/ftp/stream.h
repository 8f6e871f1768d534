// The byte streams a transfer reads from and writes into: a local file
// (TFileStream, which owns its descriptor and closes it when destroyed) or a
// memory buffer (TMemoryStream, for name lists). Failures are EStreamError
// with the texts the user reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/unique_fd.h"

namespace zakaz::ftp {

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to `size` bytes; 0 only at the end of the stream.
  virtual size_t Read(char* data, size_t size) = 0;
  // Writes all of `data` or throws "Stream write error".
  virtual void Write(const char* data, size_t size) = 0;
  virtual int64_t Size() = 0;
  virtual int64_t Position() = 0;
  virtual void Seek(int64_t position) = 0;
};

class TFileStream : public TStream {
 public:
  // A new, empty file; throws "Cannot create file "<full path>". <reason>".
  static TFileStream Create(const std::string& path);
  // An existing file for reading that other programs may keep reading and
  // writing meanwhile; throws "Cannot open file "<full path>". <reason>".
  static TFileStream OpenRead(const std::string& path);

  TFileStream(TFileStream&&) = default;
  TFileStream& operator=(TFileStream&&) = default;

  size_t Read(char* data, size_t size) override;
  void Write(const char* data, size_t size) override;
  int64_t Size() override;
  int64_t Position() override;
  void Seek(int64_t position) override;

 private:
  explicit TFileStream(UniqueFd fd) : fd_(std::move(fd)) {}
  UniqueFd fd_;
};

class TMemoryStream : public TStream {
 public:
  size_t Read(char* data, size_t size) override;
  void Write(const char* data, size_t size) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  int64_t Position() override { return static_cast<int64_t>(position_); }
  void Seek(int64_t position) override;

  const std::string& Data() const { return data_; }

 private:
  std::string data_;
  size_t position_ = 0;
};

}  // namespace zakaz::ftp
