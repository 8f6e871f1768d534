// TFormConnect, the connection window: three buttons for the exchanges with
// the supplier, "Закрыть" as the only way out, a progress bar, a status line
// and the hidden list of remote names (Memo1). It is a thin shell over
// TExchangeOperations, which it owns; the settings and prompts it borrows
// must outlive it.
//
// It is created once at program start after the settings dialog and shown
// modally with exec() each time the main window asks; exec() sets the progress
// bar back to 0 and empties Memo1 first. While an operation runs only the
// progress bar is repainted; a failure is shown through
// IUserPrompts::ShowException and the window stays usable. Closing calls
// OpenPriceList, then PagesChange (the main window's, set where the windows
// are created). Controls carry their names as object names (downbut, Upbut,
// naklBut, ButtonClose, ProgressBar1, StatusBar1, Memo1).
#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>
#include <memory>

class QCloseEvent;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace zakaz {

class ILiveSettings;
class IUserPrompts;

namespace exchange {
class TExchangeOperations;
}

class TFormConnect : public QDialog {
  Q_OBJECT

 public:
  TFormConnect(ILiveSettings& settings, IUserPrompts& prompts, std::filesystem::path working_dir,
               QWidget* parent = nullptr);
  ~TFormConnect() override;

  int exec() override;
  exchange::TExchangeOperations& Operations() { return *operations_; }

  // The main window's reopening of the price list and rebuilding of its tree
  // of pending orders; empty means nothing to call.
  std::function<void()> OpenPriceList;
  std::function<void()> PagesChange;

  void downbutClick();
  void UpbutClick();
  void naklButClick();
  void ButtonCloseClick();

 public slots:
  // Escape does not close the window: only "Закрыть" does.
  void reject() override {}

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void Run(void (exchange::TExchangeOperations::*operation)());
  void SetProgressMaximum(int64_t maximum);
  void FtpClient1Work(int64_t count);

  IUserPrompts& prompts_;
  std::unique_ptr<exchange::TExchangeOperations> operations_;
  QPushButton* downbut_ = nullptr;
  QPushButton* Upbut_ = nullptr;
  QPushButton* naklBut_ = nullptr;
  QPushButton* ButtonClose_ = nullptr;
  QProgressBar* ProgressBar1_ = nullptr;
  QStatusBar* StatusBar1_ = nullptr;
  QPlainTextEdit* Memo1_ = nullptr;
};

}  // namespace zakaz
