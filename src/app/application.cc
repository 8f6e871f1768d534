#include "app/application.h"

#include <exception>

#include "app/main_form.h"
#include "common/user_prompts.h"

namespace zakaz {

ZakazApplication::ZakazApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ZakazApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    if (prompts_ == nullptr) throw;
    prompts_->ShowException(e.what());
    return false;
  }
}

int RunMessageLoop(const TMainForm& main_form) {
  if (main_form.QuitRequested()) return 1;
  return QApplication::exec();
}

}  // namespace zakaz
