#include "support/poll.h"

#include <thread>

namespace zakaz::testing {

bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               std::chrono::milliseconds step) {
  const auto give_up = std::chrono::steady_clock::now() + timeout;
  while (true) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= give_up) return false;
    std::this_thread::sleep_for(step);
  }
}

}  // namespace zakaz::testing
