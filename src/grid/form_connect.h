// TFormConnect, the connection window: three buttons for the exchanges with
// the supplier, "Закрыть" as the only way out, a progress bar, a status line
// and the hidden list of remote names (Memo1). It is a thin shell over
// TExchangeOperations, which it owns; the settings and prompts it borrows
// must outlive it.
//
// It is created once at program start after the settings dialog and shown
// modally with exec() each time the main window asks; exec() sets the progress
// bar back to 0 and empties Memo1 first. An operation runs on a worker thread
// while the window's own event loop goes on: it repaints, the progress bar
// follows the transfer, the three operation buttons and "Закрыть" are
// disabled and "Прервать" (Escape) stops the operation. The button handler
// returns once the operation has ended. The operation's messages are shown on
// the window's thread, the settings are copied before it starts. A failure
// is shown through IUserPrompts::ShowException (a socket error with its
// Russian sentence in front), a stop through IUserPrompts::Error, and the
// window stays usable. Closing calls OpenPriceList, then PagesChange (the
// main window's, set where the windows are created). Controls carry their
// names as object names (downbut, Upbut, naklBut, ButtonClose, ButtonStop,
// ProgressBar1, StatusBar1, Memo1).
#pragma once

#include <QDialog>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

class QCloseEvent;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;

namespace zakaz {

class ILiveSettings;
class IUserPrompts;

namespace exchange {
class TExchangeOperations;
class TSettingsSnapshot;
}  // namespace exchange

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
  void ButtonStopClick();
  bool Running() const { return running_; }

 public slots:
  // Escape does not close the window: only "Закрыть" does. While an
  // operation runs it presses "Прервать".
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void Run(void (exchange::TExchangeOperations::*operation)());
  void SetRunning(bool running);
  void SetProgressMaximum(int64_t maximum);
  // Shows the latest byte count of the running transfer.
  void FtpClient1Work();

  IUserPrompts& prompts_;
  std::unique_ptr<IUserPrompts> gui_prompts_;
  std::unique_ptr<exchange::TSettingsSnapshot> settings_;
  std::unique_ptr<exchange::TExchangeOperations> operations_;
  bool running_ = false;
  std::atomic<int64_t> progress_{0};
  QTimer* progress_timer_ = nullptr;
  QPushButton* ButtonStop_ = nullptr;
  QPushButton* downbut_ = nullptr;
  QPushButton* Upbut_ = nullptr;
  QPushButton* naklBut_ = nullptr;
  QPushButton* ButtonClose_ = nullptr;
  QProgressBar* ProgressBar1_ = nullptr;
  QStatusBar* StatusBar1_ = nullptr;
  QPlainTextEdit* Memo1_ = nullptr;
};

}  // namespace zakaz
