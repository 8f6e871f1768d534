// IUserPrompts shown with Qt message boxes: modal, parented to the active
// window, captioned "Warning", "Error", "Information" and "Confirm", and the
// application's error box titled with the application's title. The main
// window sets that title whenever its own title changes; until then it is the
// application's display name.
#pragma once

#include <QString>

#include "common/user_prompts.h"

namespace zakaz {

class QtUserPrompts : public IUserPrompts {
 public:
  QtUserPrompts() = default;

  void Warning(std::string_view text) override;
  void Error(std::string_view text) override;
  void Information(std::string_view text) override;
  bool Confirm(std::string_view text) override;
  void ShowException(std::string_view message) override;

  void SetApplicationTitle(const QString& title) { title_ = title; }
  // The set title, or the application's display name when none was set.
  QString ApplicationTitle() const;

 private:
  QString title_;
};

}  // namespace zakaz
