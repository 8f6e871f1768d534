// The program's QApplication: the application's default handler for
// failures. A failure that leaves an event handler uncaught is shown in the
// application's error box (IUserPrompts::ShowException) and the program goes
// on, instead of ending. The prompts are borrowed and must outlive the
// application's event loop. Creating it sets the program's icon and loads
// Qt's Russian translations.
#pragma once

#include <QApplication>

namespace zakaz {

class IUserPrompts;
class TMainForm;

// Runs the message loop until the main window closes and gives the
// program's exit code. When the main window asked for the end while it was
// created (the price list could not be opened), the loop does not start at
// all and the code is 1: a request queued into the loop could be taken by
// the nested loop of a box shown meanwhile and be lost.
int RunMessageLoop(const TMainForm& main_form);

// Loads Qt's own Russian texts (its file chooser, printer and page set-up
// dialogs) where the system has them (Debian's qt6-translations-l10n);
// false when it has none and Qt's dialogs stay in English. The program's
// own texts are not translated and stay as they are.
bool LoadQtTranslations();

class ZakazApplication : public QApplication {
 public:
  ZakazApplication(int& argc, char** argv);

  void SetPrompts(IUserPrompts* prompts) { prompts_ = prompts; }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  IUserPrompts* prompts_ = nullptr;
};

}  // namespace zakaz
