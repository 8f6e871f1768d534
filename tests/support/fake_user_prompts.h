// An IUserPrompts that shows nothing and records what would have been shown,
// so a test can check the exact texts.
#pragma once

#include <string>
#include <vector>

#include "common/user_prompts.h"

namespace zakaz::testing {

class FakeUserPrompts : public IUserPrompts {
 public:
  void Warning(std::string_view text) override { shown.push_back("Warning: " + std::string(text)); }
  void Error(std::string_view text) override { shown.push_back("Error: " + std::string(text)); }
  void Information(std::string_view text) override {
    shown.push_back("Information: " + std::string(text));
  }
  bool Confirm(std::string_view text) override {
    shown.push_back("Confirm: " + std::string(text));
    return confirm_answer;
  }
  void ShowException(std::string_view message) override {
    shown.push_back("Exception: " + std::string(message));
  }

  std::vector<std::string> shown;
  bool confirm_answer = true;
};

}  // namespace zakaz::testing
