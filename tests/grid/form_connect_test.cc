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
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "exchange/archive_bytes.h"
#include "exchange/exchange_fixture.h"
#include "exchange/exchange_operations.h"
#include "support/ftp_script_server.h"

namespace zakaz {
namespace {

using ::testing::ElementsAre;
using zakaz::testing::FixedSettings;
using zakaz::testing::FtpScriptServer;
using zakaz::testing::ReadFile;
using zakaz::testing::TempDir;
using zakaz::testing::WriteFile;
using Session = FtpScriptServer::Session;
namespace fs = std::filesystem;

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
  // Calls `step` every 20 ms while an operation runs in the window, until it
  // returns true.
  void WhileRunning(std::function<bool()> step) {
    auto* timer = new QTimer(&form_);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [this, timer, step] {
      if (form_.Running() && step()) timer->stop();
    });
    timer->start();
  }

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
      {"ButtonStop", "Прервать", {184, 136, 113, 25}},
  };
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.name);
    QPushButton* button = Find<QPushButton>(b.name);
    EXPECT_EQ(QString::fromUtf8(b.caption), button->text());
    EXPECT_EQ(b.geometry, button->geometry());
  }
  EXPECT_FALSE(Find<QPushButton>("ButtonStop")->isEnabled());
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

TEST_F(FormConnectTest, PriceListWithoutSizeRunsABusyBarOnlyWhileItRuns) {
  const std::string archive = testing::Zip({{"price.dbf", "t", {}}});
  server_.SetFile("price/1234/price.rar", archive);
  server_.OnReply("SIZE", "550 Unknown.\r\n");
  server_.On("RETR", FtpScriptServer::Trickle(archive, 20, std::chrono::milliseconds(60)));
  QProgressBar* bar = Find<QProgressBar>("ProgressBar1");
  bool busy_while_running = false;
  WhileRunning([&] {
    busy_while_running |= bar->minimum() == 0 && bar->maximum() == 0;
    return false;
  });
  Click("downbut");
  EXPECT_TRUE(busy_while_running);
  EXPECT_EQ(0, bar->minimum());
  EXPECT_EQ(100, bar->maximum());
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

// ---- The integrity cases through the window.

TEST_F(FormConnectTest, CutWaybillWithoutSizeIsNamedAndStaysOnTheServer) {
  server_.OnReply("SIZE", "502 Command not implemented.\r\n");
  server_.listing = "n1.dbf\r\n";
  std::string table(2246, 'f');
  table[4] = 20;                  // 20 records
  table[8] = 0x01, table[9] = 4;  // header 1025 bytes
  table[10] = 61;                 // of 61 bytes
  server_.SetFile("n1.dbf", table.substr(0, 1000));
  Click("naklBut");
  EXPECT_THAT(prompts_.shown, ElementsAre("Warning: Скачено 0  накладных \r\nНе получены: n1.dbf"));
  EXPECT_FALSE(fs::exists(dir_.Path() / "in" / "n1.dbf"));
  EXPECT_THAT(server_.Log(), ::testing::Not(::testing::Contains("DELE n1.dbf")));
}

TEST_F(FormConnectTest, WindowsBatchScriptIsNotRun) {
  server_.SetFile("price/1234/price.rar", testing::Zip({{"price.dbf", "new list", {}}}));
  WriteFile(dir_.Path() / "unpuk.bat", "@echo off\r\n");
  Click("downbut");
  EXPECT_THAT(prompts_.shown, ElementsAre("Warning: Прайс получен !!!\r\nunpuk.bat не запускается "
                                          "в Linux: прайс распакован программой"));
  EXPECT_EQ("new list", ReadFile(dir_.Path() / "price.DBF"));
}

TEST_F(FormConnectTest, WithoutTempTwoSendsStoreEachOrderOnce) {
  fs::remove(dir_.Path() / "temp");
  for (const char* name : {"a.dbf", "b.dbf", "c.dbf"}) {
    WriteFile(dir_.Path() / "demand" / name, name);
  }
  Click("Upbut");
  Click("Upbut");
  EXPECT_THAT(prompts_.shown,
              ElementsAre("Warning: Отправлено  3  заявок", "Warning: Отправлено  0  заявок"));
  EXPECT_TRUE(fs::is_empty(dir_.Path() / "demand"));
  int stores = 0;
  for (const std::string& line : server_.Log()) stores += line.rfind("STOR", 0) == 0;
  EXPECT_EQ(3, stores);
}

TEST_F(FormConnectTest, StopEndsATricklingFetchAndTheWindowAnswersMeanwhile) {
  const std::string archive(100000, 'r');
  server_.SetFile("price/1234/price.rar", archive);
  bool trickle = true;
  server_.On("RETR", [&](Session& session, const std::string& name) {
    if (trickle) {
      FtpScriptServer::Trickle(archive, 100, std::chrono::milliseconds(50))(session, name);
    } else {
      FtpScriptServer::ShortTransfer(archive, "226 Done.\r\n")(session, name);
    }
  });
  QProgressBar* bar = Find<QProgressBar>("ProgressBar1");
  struct Seen {
    bool buttons_disabled = true;
    bool stop_enabled = false;
    bool progress = false;
  } seen;
  WhileRunning([&] {
    for (const char* name : {"downbut", "Upbut", "naklBut", "ButtonClose"}) {
      seen.buttons_disabled &= !Find<QPushButton>(name)->isEnabled();
    }
    seen.stop_enabled = Find<QPushButton>("ButtonStop")->isEnabled();
    // The bar has moved: the transfer is under way, and Escape stops it.
    if (bar->value() < 300) return false;
    seen.progress = true;
    QTest::keyClick(&form_, Qt::Key_Escape);
    return true;
  });
  Click("downbut");
  EXPECT_TRUE(seen.buttons_disabled);
  EXPECT_TRUE(seen.stop_enabled);
  EXPECT_TRUE(seen.progress);
  EXPECT_THAT(prompts_.shown, ElementsAre("Error: Операция прервана"));
  EXPECT_EQ(QString::fromUtf8("Операция прервана"),
            Find<QStatusBar>("StatusBar1")->currentMessage());
  EXPECT_TRUE(fs::is_empty(dir_.Path() / "in"));
  EXPECT_FALSE(Find<QPushButton>("ButtonStop")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("ButtonClose")->isEnabled());

  trickle = false;
  Click("downbut");
  EXPECT_EQ(archive, ReadFile(dir_.Path() / "in" / "price.rar"));
}

TEST_F(FormConnectTest, TricklingServerFailsWithTheTimeOutExplainedInRussian) {
  form_.Operations().Session().SetLowSpeedLimit(60, std::chrono::milliseconds(300));
  server_.SetFile("price/1234/price.rar", std::string(1000, 'r'));
  server_.On("RETR",
             FtpScriptServer::Trickle(std::string(1000, 'r'), 1, std::chrono::milliseconds(100)));
  Click("downbut");
  EXPECT_THAT(prompts_.shown,
              ElementsAre("Exception: Сервер поставщика не отвечает. Проверьте подключение к "
                          "интернету и адрес сервера в настройках.\r\nSocket Error # "
                          "10060\r\nConnection timed out."));
}

TEST_F(FormConnectTest, RefusedConnectionIsExplainedInRussian) {
  settings_.server = "127.0.0.1:1";
  Click("Upbut");
  EXPECT_THAT(prompts_.shown,
              ElementsAre("Exception: Сервер поставщика не отвечает. Проверьте подключение к "
                          "интернету и адрес сервера в настройках.\r\nSocket Error # "
                          "10061\r\nConnection refused."));
}

}  // namespace
}  // namespace zakaz
