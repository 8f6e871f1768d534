#include "settings/nastroyki.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "settings/enforced_permissions.h"
#include "settings/param_ini.h"
#include "settings/test_files.h"
#include "support/fake_user_prompts.h"
#include "support/temp_dir.h"

extern char** environ;

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::EnforcedPermissions;
using testing::FakeUserPrompts;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

template <typename T>
T* Find(const QWidget& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) ADD_FAILURE() << "no control named " << name;
  return child;
}

QString Text(const QWidget& parent, const char* name) {
  return Find<QLineEdit>(parent, name)->text();
}

bool Checked(const QWidget& parent) { return Find<QCheckBox>(parent, "PassivCheck")->isChecked(); }

// Runs the dialog modally, as the main window does, with `step` driving it
// from inside the modal loop.
template <typename Step>
int RunModal(TNastroyki& dialog, Step step) {
  QTimer::singleShot(0, &dialog, step);
  return dialog.exec();
}

class NastroykiTest : public ::testing::Test {
 protected:
  std::string IniPath() const { return dir_.File("param.Ini"); }
  std::string FileBytes() const { return ReadFile(IniPath()); }
  void WriteIni(const std::string& bytes) const { WriteFile(IniPath(), bytes); }

  TempDir dir_;
  FakeUserPrompts prompts_;
};

TEST_F(NastroykiTest, ShowsTheDesignValuesWithoutAFile) {
  TNastroyki dialog(IniPath(), prompts_);
  EXPECT_EQ("", Text(dialog, "Clcode"));
  EXPECT_EQ("", Text(dialog, "Clname"));
  EXPECT_EQ("", Text(dialog, "EditUrl"));
  EXPECT_EQ("price", Text(dialog, "EditPrice"));
  EXPECT_EQ("zayav", Text(dialog, "EditZayav"));
  EXPECT_EQ("nakl", Text(dialog, "EditNakl"));
  EXPECT_FALSE(Checked(dialog));

  EXPECT_EQ("", dialog.ClientCode());
  EXPECT_EQ("", dialog.Server());
  EXPECT_EQ("briolan", dialog.Login());
  EXPECT_EQ("hG&4T!9K", dialog.Password());
  EXPECT_FALSE(dialog.Passive());
  EXPECT_EQ("price", dialog.PriceDirectory());

  dialog.show();
  for (const char* hidden : {"EditLogin", "EditPas"}) {
    SCOPED_TRACE(hidden);
    EXPECT_FALSE(Find<QLineEdit>(dialog, hidden)->isVisible());
  }
  EXPECT_TRUE(prompts_.shown.empty());
  EXPECT_FALSE(fs::exists(IniPath()));
}

TEST_F(NastroykiTest, HasTheDesignedLayout) {
  TNastroyki dialog(IniPath(), prompts_);
  EXPECT_EQ("НАСТРОЙКИ", dialog.windowTitle());
  EXPECT_EQ(QSize(629, 261), dialog.size());
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint |
                                       Qt::WindowSystemMenuHint));

  struct Item {
    const char* name;
    QRect geometry;
    const char* text;
  };
  const Item controls[] = {
      {"GroupBox1", QRect(8, 0, 297, 193), "КАТАЛОГИ ФАЙЛОВ"},
      {"EditPrice", QRect(1, 32, 217, 21), nullptr},
      {"EditZayav", QRect(1, 72, 217, 21), nullptr},
      {"EditNakl", QRect(1, 108, 217, 21), nullptr},
      {"EditUrl", QRect(1, 130, 217, 21), nullptr},
      {"GroupBox2", QRect(312, 0, 313, 193), "ИНФОРМАЦИЯ О КЛИЕНТЕ"},
      {"Clcode", QRect(8, 32, 121, 21), nullptr},
      {"Clname", QRect(8, 72, 297, 21), nullptr},
      {"PassivCheck", QRect(8, 166, 225, 17), "Пассивный режим подключения"},
      {"Button1", QRect(8, 216, 121, 25), "ОК"},
      {"Button2", QRect(136, 216, 121, 25), "Отмена"},
  };
  for (const auto& c : controls) {
    SCOPED_TRACE(c.name);
    const QWidget* widget = Find<QWidget>(dialog, c.name);
    ASSERT_NE(nullptr, widget);
    EXPECT_EQ(c.geometry, widget->geometry());
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
      EXPECT_EQ(c.text, group->title());
      EXPECT_TRUE(group->font().bold());
    } else {
      EXPECT_FALSE(widget->font().bold());
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      EXPECT_EQ(c.text, button->text());
    }
  }
  // The confirming button is spelled in Cyrillic letters.
  EXPECT_EQ(QString(QChar(0x041E)) + QChar(0x041A), Find<QPushButton>(dialog, "Button1")->text());

  const struct {
    const char* name;
    const char* parent;
    QPoint position;
    const char* text;
  } labels[] = {
      {"Label1", "GroupBox1", QPoint(1, 16), "Каталог прайса"},
      {"Label2", "GroupBox1", QPoint(1, 56), "Каталог заявок"},
      {"Label3", "GroupBox1", QPoint(1, 93), "Каталог накладных"},
      {"Label4", "GroupBox2", QPoint(8, 16), "Код клиента"},
      {"Label5", "GroupBox2", QPoint(8, 56), "Наименование клиента"},
  };
  for (const auto& l : labels) {
    SCOPED_TRACE(l.name);
    const QLabel* label = Find<QLabel>(dialog, l.name);
    ASSERT_NE(nullptr, label);
    EXPECT_EQ(l.parent, label->parentWidget()->objectName());
    EXPECT_EQ(l.position, label->pos());
    EXPECT_EQ(l.text, label->text());
    EXPECT_FALSE(label->font().bold());
  }
}

TEST_F(NastroykiTest, ReadsTheFileAtCreation) {
  WriteIni(
      "[main]\r\n"
      "CLIENTCODE = 0042 \r\n"
      "Client=\xC0\xEF\xF2\xE5\xEA\xE0 \xB9\x31\r\n"
      "ftp=127.0.0.1\r\n"
      "Passiv=1\r\n"
      "Comment=not the dialog's\r\n");
  TNastroyki dialog(IniPath(), prompts_);
  EXPECT_EQ("0042", Text(dialog, "Clcode"));
  EXPECT_EQ("Аптека №1", Text(dialog, "Clname"));
  EXPECT_EQ("127.0.0.1", Text(dialog, "EditUrl"));
  EXPECT_TRUE(Checked(dialog));
  EXPECT_EQ("0042", dialog.ClientCode());
  EXPECT_EQ("127.0.0.1", dialog.Server());
  EXPECT_TRUE(dialog.Passive());
}

TEST_F(NastroykiTest, PassiveModeOnlyWhenTheValueStartsWithOne) {
  const struct {
    std::optional<std::string> value;
    bool checked;
  } cases[] = {
      {"1", true}, {"10", true},    {" 1 ", true}, {"0", false},
      {"", false}, {"true", false}, {"01", false}, {std::nullopt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? "\"" + *c.value + "\"" : "missing");
    WriteIni("[Main]\r\nClientcode=7\r\n" + (c.value ? "Passiv=" + *c.value + "\r\n" : ""));
    TNastroyki dialog(IniPath(), prompts_);
    EXPECT_EQ(c.checked, Checked(dialog));
    EXPECT_EQ(c.checked, dialog.Passive());
  }
}

TEST_F(NastroykiTest, OkWritesTheFourKeysInOrderAndCloses) {
  TNastroyki dialog(IniPath(), prompts_);
  const int result = RunModal(dialog, [&] {
    QTest::keyClicks(Find<QLineEdit>(dialog, "Clcode"), "0042");
    // Typed key by key only where the test framework can spell the keys.
    Find<QLineEdit>(dialog, "Clname")->setText("Аптека №1");
    QTest::keyClicks(Find<QLineEdit>(dialog, "EditUrl"), "127.0.0.1");
    QTest::keyClicks(Find<QLineEdit>(dialog, "EditPrice"), "2");
    Find<QCheckBox>(dialog, "PassivCheck")->click();
    Find<QPushButton>(dialog, "Button1")->click();
  });
  EXPECT_EQ(QDialog::Accepted, result);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(
      "[Main]\r\n"
      "Clientcode=0042\r\n"
      "Client=\xC0\xEF\xF2\xE5\xEA\xE0 \xB9\x31\r\n"
      "ftp=127.0.0.1\r\n"
      "Passiv=1\r\n",
      FileBytes());
  // The directory is live for the run but never saved.
  EXPECT_EQ("price2", dialog.PriceDirectory());
  EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(NastroykiTest, OkWritesZeroForPassiveOffAndLeavesTheRestOfTheFile) {
  WriteIni(
      "; kept\r\n"
      "[Main]\r\n"
      "Comment=\xF1\xF0\xEE\xF7\xED\xEE\r\n"
      "Passiv=1\r\n"
      "ftp=old.host\r\n");
  TNastroyki dialog(IniPath(), prompts_);
  dialog.show();
  Find<QCheckBox>(dialog, "PassivCheck")->click();
  Find<QLineEdit>(dialog, "EditUrl")->setText("127.0.0.1");
  Find<QPushButton>(dialog, "Button1")->click();
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  EXPECT_EQ(
      "; kept\r\n"
      "[Main]\r\n"
      "Comment=\xF1\xF0\xEE\xF7\xED\xEE\r\n"
      "Passiv=0\r\n"
      "ftp=127.0.0.1\r\n"
      "Clientcode=\r\n"
      "Client=\r\n",
      FileBytes());
}

TEST_F(NastroykiTest, CancelKeepsTypedValuesForThisRunOnly) {
  WriteIni("[Main]\r\nClientcode=0042\r\nPassiv=0\r\n");
  {
    TNastroyki dialog(IniPath(), prompts_);
    const int result = RunModal(dialog, [&] {
      QLineEdit* code = Find<QLineEdit>(dialog, "Clcode");
      code->selectAll();
      QTest::keyClicks(code, "0077");
      Find<QCheckBox>(dialog, "PassivCheck")->click();
      Find<QPushButton>(dialog, "Button2")->click();
    });
    EXPECT_EQ(QDialog::Rejected, result);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ("0077", dialog.ClientCode());
    EXPECT_TRUE(dialog.Passive());
    EXPECT_EQ("[Main]\r\nClientcode=0042\r\nPassiv=0\r\n", FileBytes());
  }
  // The next run starts again from the file.
  TNastroyki next_run(IniPath(), prompts_);
  EXPECT_EQ("0042", next_run.ClientCode());
  EXPECT_FALSE(next_run.Passive());
}

TEST_F(NastroykiTest, RefusedWriteGoesToTheErrorBoxAndTheDialogStaysOpen) {
  const fs::path locked = dir_.Path() / "locked";
  fs::create_directory(locked);
  const std::string path = (locked / "param.Ini").string();
  WriteFile(path, "[Main]\r\nClientcode=0042\r\n");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  EnforcedPermissions enforced;

  TNastroyki dialog(path, prompts_);
  bool open_after_ok = false;
  const int result = RunModal(dialog, [&] {
    Find<QLineEdit>(dialog, "Clcode")->setText("0077");
    Find<QPushButton>(dialog, "Button1")->click();
    open_after_ok = dialog.isVisible();
    Find<QPushButton>(dialog, "Button2")->click();
  });
  EXPECT_TRUE(open_after_ok);
  EXPECT_EQ(QDialog::Rejected, result);
  EXPECT_THAT(prompts_.shown, ElementsAre("Exception: Unable to write to " + path));
  EXPECT_EQ("0077", dialog.ClientCode());
  EXPECT_EQ("[Main]\r\nClientcode=0042\r\n", ReadFile(path));
}

// The other half of StartedFromAnotherWorkingDirectory: runs only inside the
// copy of this executable that the test starts.
TEST(NastroykiBesideExecutable, ChildSide) {
  if (::getenv("ZAKAZ_SETTINGS_CHILD") == nullptr) GTEST_SKIP() << "started by another test";
  FakeUserPrompts prompts;
  TNastroyki dialog(prompts);
  EXPECT_EQ(ExecutableDirectory() + "param.Ini", dialog.SettingsFileName());
  EXPECT_EQ("0042", dialog.ClientCode());
  dialog.show();
  Find<QLineEdit>(dialog, "Clcode")->setText("0077");
  Find<QPushButton>(dialog, "Button1")->click();
  EXPECT_TRUE(prompts.shown.empty());
}

TEST(NastroykiBesideExecutable, StartedFromAnotherWorkingDirectory) {
  TempDir program_dir;
  TempDir work_dir;
  const fs::path copy = program_dir.Path() / "settings_ui_test";
  fs::copy_file(fs::canonical("/proc/self/exe"), copy);
  WriteFile(program_dir.Path() / "param.Ini", "[Main]\r\nClientcode=0042\r\n");
  WriteFile(work_dir.Path() / "param.Ini", "[Main]\r\nClientcode=9999\r\n");
  const std::string log = (program_dir.Path() / "child.log").string();

  std::vector<std::string> env_strings = {"ZAKAZ_SETTINGS_CHILD=1", "QT_QPA_PLATFORM=offscreen"};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("QT_QPA_PLATFORM=", 0) != 0) env_strings.emplace_back(*e);
  }
  std::vector<char*> envp;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string program = copy.string();
  std::string filter = "--gtest_filter=NastroykiBesideExecutable.ChildSide";
  char* argv[] = {program.data(), filter.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, work_dir.Path().c_str());
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ASSERT_EQ(0, spawned);
  int status = 0;
  ASSERT_EQ(pid, ::waitpid(pid, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFile(log);

  EXPECT_EQ("[Main]\r\nClientcode=0077\r\nClient=\r\nftp=\r\nPassiv=0\r\n",
            ReadFile(program_dir.Path() / "param.Ini"));
  EXPECT_EQ("[Main]\r\nClientcode=9999\r\n", ReadFile(work_dir.Path() / "param.Ini"));
}

}  // namespace
}  // namespace zakaz
