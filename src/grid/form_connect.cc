#include "grid/form_connect.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>
#include <climits>
#include <exception>
#include <vector>

#include "common/user_prompts.h"
#include "exchange/exchange_operations.h"

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

}  // namespace

TFormConnect::TFormConnect(ILiveSettings& settings, IUserPrompts& prompts,
                           std::filesystem::path working_dir, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      prompts_(prompts),
      operations_(std::make_unique<exchange::TExchangeOperations>(settings, prompts,
                                                                  std::move(working_dir))) {
  BuildControls();
  operations_->OnStatus = [this](const std::string& text) {
    StatusBar1_->showMessage(QString::fromStdString(text));
  };
  operations_->OnProgressMaximum = [this](int64_t maximum) { SetProgressMaximum(maximum); };
  operations_->OnProgress = [this](int64_t count) { FtpClient1Work(count); };
  operations_->OnNames = [this](const std::vector<std::string>& names) {
    Memo1_->clear();
    for (const std::string& name : names) Memo1_->appendPlainText(QString::fromStdString(name));
  };
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
  FitCaptions({downbut_, Upbut_, naklBut_, ButtonClose_});

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
}

int TFormConnect::exec() {
  ProgressBar1_->setValue(0);
  Memo1_->clear();
  return QDialog::exec();
}

void TFormConnect::closeEvent(QCloseEvent* event) { event->ignore(); }

void TFormConnect::Run(void (exchange::TExchangeOperations::*operation)()) {
  try {
    ((*operations_).*operation)();
  } catch (const std::exception& error) {
    prompts_.ShowException(error.what());
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

void TFormConnect::FtpClient1Work(int64_t count) {
  if (ProgressBar1_->maximum() == 0) return;
  ProgressBar1_->setValue(static_cast<int>(std::min<int64_t>(count, ProgressBar1_->maximum())));
  ProgressBar1_->repaint();
}

}  // namespace zakaz
