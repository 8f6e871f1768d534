// The seam through which program logic talks to the user. Windows and plain
// logic classes take an IUserPrompts& instead of opening message boxes
// themselves, so tests pass a scripted fake and the program passes the Qt
// implementation (settings/qt_user_prompts.h). No Qt here.
//
// Four kinds of modal box, captioned "Warning", "Error", "Information" and
// "Confirm", and the application's error box: where a failure is not caught
// by the operation that raised it, the window's handler passes its message to
// ShowException, which shows it titled with the application's title.
#pragma once

#include <string>
#include <string_view>

namespace zakaz {

class IUserPrompts {
 public:
  virtual ~IUserPrompts() = default;

  virtual void Warning(std::string_view text) = 0;
  virtual void Error(std::string_view text) = 0;
  virtual void Information(std::string_view text) = 0;
  // Offers Yes, No and Cancel; true only for Yes.
  virtual bool Confirm(std::string_view text) = 0;
  // The application's error box for an uncaught failure's message (UTF-8).
  virtual void ShowException(std::string_view message) = 0;
};

// Text of the application's error box for `message`: a "." is appended when
// the last character sorts after "." (so "... param.Ini" gains one, "...!" and
// "...." do not).
inline std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

}  // namespace zakaz
