#include "app/application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <exception>

#include "app/main_form.h"
#include "app/program_icon.h"
#include "common/user_prompts.h"

namespace zakaz {

ZakazApplication::ZakazApplication(int& argc, char** argv) : QApplication(argc, argv) {
  SetProgramIcon();
  LoadQtTranslations();
}

bool LoadQtTranslations() {
  // Russian whatever the system's language: every text of the program is.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

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
