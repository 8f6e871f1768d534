// Owns one POSIX file descriptor and closes it when it goes out of scope, so
// a file or socket opened inside an operation is closed on every way out of it,
// exceptions included.
#pragma once

#include <utility>

namespace zakaz {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }

  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  explicit operator bool() const { return Valid(); }

  // Gives up ownership without closing.
  int Release() { return std::exchange(fd_, -1); }

  // Closes the held descriptor (if any) and takes `fd`.
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

}  // namespace zakaz
