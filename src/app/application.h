// The program's QApplication: the application's default handler for
// failures. A failure that leaves an event handler uncaught is shown in the
// application's error box (IUserPrompts::ShowException) and the program goes
// on, instead of ending. The prompts are borrowed and must outlive the
// application's event loop.
#pragma once

#include <QApplication>

namespace zakaz {

class IUserPrompts;

class ZakazApplication : public QApplication {
 public:
  ZakazApplication(int& argc, char** argv);

  void SetPrompts(IUserPrompts* prompts) { prompts_ = prompts; }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  IUserPrompts* prompts_ = nullptr;
};

}  // namespace zakaz
