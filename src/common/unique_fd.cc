#include "common/unique_fd.h"

#include <unistd.h>

namespace zakaz {

void UniqueFd::Reset(int fd) {
  if (fd_ >= 0 && fd_ != fd) ::close(fd_);
  fd_ = fd;
}

}  // namespace zakaz
