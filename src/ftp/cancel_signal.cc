#include "ftp/cancel_signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace zakaz::ftp {

TCancelSignal::TCancelSignal() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (!fd_.Valid()) throw std::system_error(errno, std::generic_category(), "eventfd");
}

void TCancelSignal::Raise() {
  const uint64_t one = 1;
  // A full counter is raised already.
  [[maybe_unused]] const ssize_t written = ::write(fd_.Get(), &one, sizeof one);
}

void TCancelSignal::Reset() {
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t got = ::read(fd_.Get(), &count, sizeof count);
}

bool TCancelSignal::Raised() const {
  pollfd entry{fd_.Get(), POLLIN, 0};
  return ::poll(&entry, 1, 0) > 0;
}

}  // namespace zakaz::ftp
