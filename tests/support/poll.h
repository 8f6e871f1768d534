// Waiting in tests for something another process or thread does: asks
// `done` every `step` until it says yes or `timeout` has passed. Returns
// whether it said yes. For state that is eventually reached, never for timing.
#pragma once

#include <chrono>
#include <functional>

namespace zakaz::testing {

bool PollUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5),
               std::chrono::milliseconds step = std::chrono::milliseconds(10));

}  // namespace zakaz::testing
