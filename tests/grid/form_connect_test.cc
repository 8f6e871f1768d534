// The connection window on the offscreen platform: its layout and texts,
// real clicks on its buttons against a scripted server, exec() starting
// afresh, and "Закрыть" as the only way out.
#include "grid/form_connect.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "exchange/archive_bytes.h"
#include "exchange/exchange_fixture.h"
#include "exchange/exchange_operations.h"
#include "support/ftp_script_server.h"

namespace zakaz {
namespace {

using ::testing::ElementsAre;
using zakaz::testing::FixedSettings;
using zakaz::testing::FtpScriptServer;
using zakaz::testing::TempDir;
using zakaz::testing::WriteFile;

class FormConnectTest : public ::testing::Test {
 protected:
  FormConnectTest() : form_(settings_, prompts_, dir_.Path()) {
    for (const char* name : {"in", "demand", "temp", "archive"}) {
      std::filesystem::create_directory(dir_.Path() / name);
    }
    settings_.server = "127.0.0.1:" + std::to_string(server_.Port());
  }

  template <class T>
  T* Find(const char* name) {
    T* widget = form_.findChild<T*>(name);
    EXPECT_NE(nullptr, widget) << name;
    return widget;
  }
  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

  FtpScriptServer server_;
  TempDir dir_;
  FixedSettings settings_;
  testing::FakeUserPrompts prompts_;
  TFormConnect form_;
};

TEST_F(FormConnectTest, LayoutAndTexts) {
  EXPECT_EQ(QString::fromUtf8("ПОДКЛЮЧЕНИЕ К БРИОЛАН"), form_.windowTitle());
  EXPECT_EQ(QSize(429, 248), form_.size());
  EXPECT_FALSE(form_.windowFlags() & Qt::WindowCloseButtonHint);
  struct Button {
    const char* name;
    const char* caption;
    QRect geometry;
  };
  const Button buttons[] = {
      {"downbut", "Получить прайс", {8, 8, 113, 25}},
      {"Upbut", "Отправить заявку", {128, 8, 113, 25}},
      {"naklBut", "Получить накладные", {248, 8, 113, 25}},
      {"ButtonClose", "Закрыть", {304, 136, 113, 25}},
  };
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.name);
    QPushButton* button = Find<QPushButton>(b.name);
    EXPECT_EQ(QString::fromUtf8(b.caption), button->text());
    EXPECT_EQ(b.geometry, button->geometry());
  }
  QProgressBar* bar = Find<QProgressBar>("ProgressBar1");
  EXPECT_EQ(QRect(0, 168, 417, 17), bar->geometry());
  EXPECT_EQ(0, bar->minimum());
  EXPECT_EQ(100, bar->maximum());
  EXPECT_EQ(0, bar->value());
  QPlainTextEdit* memo = Find<QPlainTextEdit>("Memo1");
  EXPECT_EQ(QRect(8, 40, 225, 121), memo->geometry());
  EXPECT_TRUE(memo->isHidden());
  QStatusBar* status = Find<QStatusBar>("StatusBar1");
  EXPECT_EQ(26, status->height());
  EXPECT_EQ(form_.height(), status->geometry().bottom() + 1);
  for (QWidget* widget :
       {static_cast<QWidget*>(bar), static_cast<QWidget*>(memo), static_cast<QWidget*>(status)}) {
    EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
  }
}

TEST_F(FormConnectTest, SendShowsStatusProgressAndTheFinalMessage) {
  WriteFile(dir_.Path() / "demand" / "1234A001.dbf", std::string(5000, 'o'));
  Click("Upbut");
  EXPECT_EQ(QString::fromUtf8("Соединение с сервером завершено!!!"),
            Find<QStatusBar>("StatusBar1")->currentMessage());
  // What a screen reader reads: the bar's name and the status as its text.
  QAccessibleInterface* status =
      QAccessible::queryAccessibleInterface(Find<QStatusBar>("StatusBar1"));
  ASSERT_NE(nullptr, status);
  EXPECT_EQ(QString::fromUtf8("Состояние обмена"), status->text(QAccessible::Name));
  EXPECT_EQ(QString::fromUtf8("Соединение с сервером завершено!!!"),
            status->text(QAccessible::Description));
  EXPECT_THAT(prompts_.shown, ElementsAre("Warning: Отправлено  1  заявок"));
  QProgressBar* bar = Find<QProgressBar>("ProgressBar1");
  EXPECT_EQ(5000, bar->maximum());
  EXPECT_EQ(0, bar->value());
  if (const char* shot = std::getenv("ZAKAZ_CONNECTION_SCREENSHOT")) {
    form_.show();
    form_.grab().save(QString::fromLocal8Bit(shot));
  }
}

TEST_F(FormConnectTest, WaybillNamesFillMemoAndAFailureIsShownAndTheWindowStays) {
  server_.listing = "a.dbf\r\n../b.dbf\r\n";
  server_.SetFile("a.dbf", "A");
  Click("naklBut");
  EXPECT_EQ("a.dbf\n", Find<QPlainTextEdit>("Memo1")->toPlainText().toStdString() + "\n");
  server_.OnReply("CWD", "550 No such directory.\r\n");
  Click("naklBut");
  EXPECT_THAT(prompts_.shown,
              ElementsAre("Warning: Скачено 1  накладных ", "Exception: No such directory.\r\n"));
  // The failed operation left its session open: the next one says so once.
  Click("downbut");
  EXPECT_EQ("Exception: Already connected.", prompts_.shown.back());
  EXPECT_TRUE(Find<QPushButton>("downbut")->isEnabled());
}

TEST_F(FormConnectTest, PriceListWithoutSizeRunsABusyBar) {
  server_.SetFile("price/1234/price.rar", testing::Zip({{"price.dbf", "t", {}}}));
  server_.OnReply("SIZE", "550 Unknown.\r\n");
  Click("downbut");
  QProgressBar* bar = Find<QProgressBar>("ProgressBar1");
  EXPECT_EQ(0, bar->minimum());
  EXPECT_EQ(0, bar->maximum());
  EXPECT_EQ("Warning: Прайс получен !!!", prompts_.shown.front());
}

TEST_F(FormConnectTest, ExecStartsAfreshAndOnlyCloseLeaves) {
  std::vector<std::string> calls;
  form_.OpenPriceList = [&] { calls.push_back("OpenPriceList"); };
  form_.PagesChange = [&] { calls.push_back("PagesChange"); };
  QProgressBar* bar = Find<QProgressBar>("ProgressBar1");
  bar->setValue(40);
  Find<QPlainTextEdit>("Memo1")->setPlainText("old.dbf");
  int value_at_start = -1;
  QString memo_at_start;
  QTimer::singleShot(0, [&] {
    value_at_start = bar->value();
    memo_at_start = Find<QPlainTextEdit>("Memo1")->toPlainText();
    QTest::keyClick(&form_, Qt::Key_Escape);
    form_.close();
    EXPECT_TRUE(form_.isVisible());
    EXPECT_TRUE(calls.empty());
    Click("ButtonClose");
  });
  EXPECT_EQ(QDialog::Accepted, form_.exec());
  EXPECT_EQ(0, value_at_start);
  EXPECT_TRUE(memo_at_start.isEmpty());
  EXPECT_THAT(calls, ElementsAre("OpenPriceList", "PagesChange"));
  EXPECT_FALSE(form_.isVisible());
}

}  // namespace
}  // namespace zakaz
