#include "grid/form_connect.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "common/user_prompts.h"
#include "exchange/errors.h"
#include "exchange/exchange_operations.h"
#include "exchange/failure_text.h"
#include "exchange/settings_snapshot.h"

namespace zakaz {
namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int left, int top) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(name);
  button->setGeometry(left, top, 113, 25);
  button->setAutoDefault(false);
  return button;
}

// The places are fixed; where this platform's font runs wider than the one
// the window was laid out for, all captions shrink alike rather than clip.
void FitCaptions(const std::vector<QPushButton*>& buttons) {
  constexpr int kCaptionRoom = 113 - 10;
  QFont font = buttons.front()->font();
  auto too_wide = [&] {
    for (QPushButton* button : buttons) {
      if (QFontMetrics(font).horizontalAdvance(button->text()) > kCaptionRoom) return true;
    }
    return false;
  };
  while (font.pointSizeF() > 6 && too_wide()) font.setPointSizeF(font.pointSizeF() - 0.5);
  for (QPushButton* button : buttons) button->setFont(font);
}

// The message boxes of an operation running on a worker thread, shown on
// the window's thread while the worker waits for the answer.
class GuiThreadPrompts : public IUserPrompts {
 public:
  GuiThreadPrompts(IUserPrompts& target, QObject& context) : target_(target), context_(context) {}
  void Warning(std::string_view text) override {
    OnGuiThread([&] { target_.Warning(text); });
  }
  void Error(std::string_view text) override {
    OnGuiThread([&] { target_.Error(text); });
  }
  void Information(std::string_view text) override {
    OnGuiThread([&] { target_.Information(text); });
  }
  bool Confirm(std::string_view text) override {
    bool answer = false;
    OnGuiThread([&] { answer = target_.Confirm(text); });
    return answer;
  }
  void ShowException(std::string_view message) override {
    OnGuiThread([&] { target_.ShowException(message); });
  }

 private:
  template <class F>
  void OnGuiThread(F&& call) {
    if (QThread::currentThread() == context_.thread()) {
      call();
    } else {
      QMetaObject::invokeMethod(&context_, call, Qt::BlockingQueuedConnection);
    }
  }
  IUserPrompts& target_;
  QObject& context_;
};

// How often the progress bar takes the transfer's byte count.
constexpr int kProgressIntervalMs = 200;

}  // namespace

TFormConnect::TFormConnect(ILiveSettings& settings, IUserPrompts& prompts,
                           std::filesystem::path working_dir, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      prompts_(prompts),
      gui_prompts_(std::make_unique<GuiThreadPrompts>(prompts, *this)),
      settings_(std::make_unique<exchange::TSettingsSnapshot>(settings)),
      operations_(std::make_unique<exchange::TExchangeOperations>(*settings_, *gui_prompts_,
                                                                  std::move(working_dir))) {
  BuildControls();
  // The events come from the worker thread; the window takes them on its own.
  operations_->OnStatus = [this](const std::string& text) {
    QMetaObject::invokeMethod(
        this, [this, text] { StatusBar1_->showMessage(QString::fromStdString(text)); },
        Qt::QueuedConnection);
  };
  operations_->OnProgressMaximum = [this](int64_t maximum) {
    QMetaObject::invokeMethod(
        this, [this, maximum] { SetProgressMaximum(maximum); }, Qt::QueuedConnection);
  };
  operations_->OnProgress = [this](int64_t count) { progress_ = count; };
  operations_->OnNames = [this](const std::vector<std::string>& names) {
    QMetaObject::invokeMethod(
        this,
        [this, names] {
          Memo1_->clear();
          for (const std::string& name : names) {
            Memo1_->appendPlainText(QString::fromStdString(name));
          }
        },
        Qt::QueuedConnection);
  };
  progress_timer_ = new QTimer(this);
  progress_timer_->setInterval(kProgressIntervalMs);
  connect(progress_timer_, &QTimer::timeout, this, [this] { FtpClient1Work(); });
}

TFormConnect::~TFormConnect() = default;

void TFormConnect::BuildControls() {
  setObjectName("FormConnect");
  setWindowTitle(QString::fromUtf8("ПОДКЛЮЧЕНИЕ К БРИОЛАН"));
  setFixedSize(429, 248);
  downbut_ = MakeButton(this, "downbut", "Получить прайс", 8, 8);
  Upbut_ = MakeButton(this, "Upbut", "Отправить заявку", 128, 8);
  naklBut_ = MakeButton(this, "naklBut", "Получить накладные", 248, 8);
  ButtonClose_ = MakeButton(this, "ButtonClose", "Закрыть", 304, 136);
  ButtonStop_ = MakeButton(this, "ButtonStop", "Прервать", 184, 136);
  ButtonStop_->setEnabled(false);
  FitCaptions({downbut_, Upbut_, naklBut_, ButtonClose_, ButtonStop_});

  ProgressBar1_ = new QProgressBar(this);
  ProgressBar1_->setObjectName("ProgressBar1");
  ProgressBar1_->setAccessibleName(QString::fromUtf8("Ход передачи файла"));
  ProgressBar1_->setGeometry(0, 168, 417, 17);
  ProgressBar1_->setRange(0, 100);
  ProgressBar1_->setValue(0);
  ProgressBar1_->setTextVisible(false);

  StatusBar1_ = new QStatusBar(this);
  StatusBar1_->setObjectName("StatusBar1");
  StatusBar1_->setAccessibleName(QString::fromUtf8("Состояние обмена"));
  StatusBar1_->setSizeGripEnabled(false);
  StatusBar1_->setGeometry(0, height() - 26, width(), 26);
  // The bar's temporary message is not on the accessibility bus by itself:
  // the current status is the bar's description, changed with each message.
  connect(StatusBar1_, &QStatusBar::messageChanged, StatusBar1_,
          [bar = StatusBar1_](const QString& text) { bar->setAccessibleDescription(text); });

  Memo1_ = new QPlainTextEdit(this);
  Memo1_->setObjectName("Memo1");
  Memo1_->setAccessibleName(QString::fromUtf8("Имена файлов на сервере"));
  Memo1_->setGeometry(8, 40, 225, 121);
  Memo1_->setVisible(false);

  connect(downbut_, &QPushButton::clicked, this, &TFormConnect::downbutClick);
  connect(Upbut_, &QPushButton::clicked, this, &TFormConnect::UpbutClick);
  connect(naklBut_, &QPushButton::clicked, this, &TFormConnect::naklButClick);
  connect(ButtonClose_, &QPushButton::clicked, this, &TFormConnect::ButtonCloseClick);
  connect(ButtonStop_, &QPushButton::clicked, this, &TFormConnect::ButtonStopClick);
}

int TFormConnect::exec() {
  ProgressBar1_->setValue(0);
  Memo1_->clear();
  return QDialog::exec();
}

void TFormConnect::closeEvent(QCloseEvent* event) { event->ignore(); }

void TFormConnect::reject() {
  if (running_) ButtonStopClick();
}

void TFormConnect::ButtonStopClick() {
  if (!running_) return;
  ButtonStop_->setEnabled(false);
  operations_->Cancel();
}

void TFormConnect::SetRunning(bool running) {
  running_ = running;
  for (QPushButton* button : {downbut_, Upbut_, naklBut_, ButtonClose_}) {
    button->setEnabled(!running);
  }
  ButtonStop_->setEnabled(running);
  if (running) {
    progress_ = 0;
    progress_timer_->start();
  } else {
    progress_timer_->stop();
  }
}

void TFormConnect::Run(void (exchange::TExchangeOperations::*operation)()) {
  if (running_) return;
  settings_->Take();
  SetRunning(true);
  std::exception_ptr failure;
  QEventLoop loop;
  std::thread worker([&] {
    try {
      ((*operations_).*operation)();
    } catch (...) {
      failure = std::current_exception();
    }
    // Queued after every event the operation sent, so all are shown first.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  SetRunning(false);
  // A bar left busy by a transfer without size would run on for nothing.
  if (ProgressBar1_->maximum() == 0) ProgressBar1_->setRange(0, 100);
  ProgressBar1_->setValue(0);
  if (!failure) return;
  try {
    std::rethrow_exception(failure);
  } catch (const exchange::EOperationCancelled& stopped) {
    prompts_.Error(stopped.what());
  } catch (const std::exception& error) {
    prompts_.ShowException(exchange::FailureText(error));
  }
}

void TFormConnect::downbutClick() { Run(&exchange::TExchangeOperations::FetchPriceList); }
void TFormConnect::UpbutClick() { Run(&exchange::TExchangeOperations::SendOrders); }
void TFormConnect::naklButClick() { Run(&exchange::TExchangeOperations::FetchWaybills); }

void TFormConnect::ButtonCloseClick() {
  if (OpenPriceList) OpenPriceList();
  if (PagesChange) PagesChange();
  done(QDialog::Accepted);
}

void TFormConnect::SetProgressMaximum(int64_t maximum) {
  // A server that tells no size gets a busy bar rather than a maximum of -1.
  if (maximum < 0) {
    ProgressBar1_->setRange(0, 0);
  } else {
    ProgressBar1_->setRange(0, static_cast<int>(std::min<int64_t>(maximum, INT_MAX)));
  }
  ProgressBar1_->repaint();
}

void TFormConnect::FtpClient1Work() {
  if (ProgressBar1_->maximum() == 0) return;
  const int64_t count = progress_;
  ProgressBar1_->setValue(static_cast<int>(std::min<int64_t>(count, ProgressBar1_->maximum())));
}

}  // namespace zakaz
