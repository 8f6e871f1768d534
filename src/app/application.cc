#include "app/application.h"

#include <exception>

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

}  // namespace zakaz
