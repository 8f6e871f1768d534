// Tests run as root on the build machine, and root writes into read-only
// directories regardless of their mode. While an EnforcedPermissions object
// lives, the calling thread drops the capabilities that bypass file
// permissions from its effective set (keeping them permitted, so they come
// back afterwards), and a read-only directory refuses writes as it does for
// an ordinary user. For other users it does nothing.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <stdexcept>

namespace zakaz::testing {

class EnforcedPermissions {
 public:
  EnforcedPermissions() {
    if (::geteuid() != 0) return;
    if (::syscall(SYS_capget, &header_, saved_) != 0) throw std::runtime_error("capget failed");
    __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
    lowered[0].effective &=
        ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
    if (::syscall(SYS_capset, &header_, lowered) != 0) throw std::runtime_error("capset failed");
    active_ = true;
  }
  ~EnforcedPermissions() {
    if (active_) ::syscall(SYS_capset, &header_, saved_);
  }
  EnforcedPermissions(const EnforcedPermissions&) = delete;
  EnforcedPermissions& operator=(const EnforcedPermissions&) = delete;

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool active_ = false;
};

}  // namespace zakaz::testing
