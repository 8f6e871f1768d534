#include "grid/list_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <utime.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "support/fake_user_prompts.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ListFormTest : public ::testing::Test {
 public:
  ListFormTest() : old_(fs::current_path()) { fs::current_path(dir_.Path()); }
  ~ListFormTest() override { fs::current_path(old_); }

  // Files in "archive", the first oldest, a minute apart.
  void PutArchive(const std::vector<std::string>& names) {
    fs::create_directories("archive");
    std::time_t t = ToTimeT({2009, 3, 5, 14, 22, 10});
    for (const auto& name : names) {
      const std::string path = "archive/" + name;
      std::ofstream(path) << "x";
      utimbuf times{t, t};
      ::utime(path.c_str(), &times);
      t += 60;
    }
  }

  QListWidget* List() const { return form_.findChild<QListWidget*>("ListBox"); }
  QPushButton* Button(const char* name) const { return form_.findChild<QPushButton*>(name); }

  std::vector<std::string> Items() const {
    std::vector<std::string> texts;
    for (int i = 0; i < List()->count(); ++i)
      texts.push_back(List()->item(i)->text().toStdString());
    return texts;
  }

  // Runs Execute with `inside` acting on the shown window; a window still
  // open afterwards is cancelled so the test never hangs.
  bool Run(const std::function<void()>& inside) {
    QTimer::singleShot(0, &form_, [this, inside] {
      ASSERT_TRUE(form_.isVisible());
      inside();
      if (form_.isVisible()) {
        ADD_FAILURE() << "the browser stayed open";
        form_.reject();
      }
    });
    return form_.Execute();
  }

  void Click(const char* button) { QTest::mouseClick(Button(button), Qt::LeftButton); }

  testing::TempDir dir_;
  fs::path old_;
  testing::FakeUserPrompts prompts_;
  TListForm form_{kArchiveBrowser, prompts_};
};

TEST_F(ListFormTest, ListsOldestFirstAndChoosesTheNewestAtOnce) {
  PutArchive({"0001CCCC.DBF", "0001AAAA.DBF", "0001BBBB.DBF"});
  EXPECT_TRUE(Run([this] {
    EXPECT_THAT(Items(), ElementsAre("0001CCCC.DBF    05.03.2009 14:22:10",
                                     "0001AAAA.DBF    05.03.2009 14:23:10",
                                     "0001BBBB.DBF    05.03.2009 14:24:10"));
    EXPECT_EQ(2, List()->currentRow());
    EXPECT_TRUE(List()->item(2)->isSelected());
    Click("OkButton");
  }));
  EXPECT_EQ("0001BBBB.DBF", form_.CurrentEntry().FileName);
  EXPECT_EQ("05.03.2009 14:24:10", form_.CurrentEntry().DateText);
  EXPECT_EQ("0001BBBB", form_.GetSelectedName());
  EXPECT_THAT(prompts_.shown, IsEmpty());
}

TEST_F(ListFormTest, KeysMouseAndCloseBoxChooseOrCancel) {
  PutArchive({"0001AAAA.DBF", "0001BBBB.DBF", "0001CCCC.DBF"});
  struct Case {
    const char* what;
    std::function<void(ListFormTest&)> act;
    bool chosen;
    const char* entry;
  };
  const Case kCases[] = {
      {"Enter", [](ListFormTest& t) { QTest::keyClick(t.List(), Qt::Key_Return); }, true,
       "0001CCCC.DBF"},
      {"Escape", [](ListFormTest& t) { QTest::keyClick(t.List(), Qt::Key_Escape); }, false,
       "0001CCCC.DBF"},
      {"Отмена", [](ListFormTest& t) { t.Click("CancelButton"); }, false, "0001CCCC.DBF"},
      {"close box", [](ListFormTest& t) { t.form_.close(); }, false, "0001CCCC.DBF"},
      {"arrow up, Enter",
       [](ListFormTest& t) {
         QTest::keyClick(t.List(), Qt::Key_Up);
         QTest::keyClick(t.List(), Qt::Key_Enter);
       },
       true, "0001BBBB.DBF"},
      {"double click on the first",
       [](ListFormTest& t) {
         const QPoint at = t.List()->visualItemRect(t.List()->item(0)).center();
         QTest::mouseClick(t.List()->viewport(), Qt::LeftButton, {}, at);
         QTest::mouseDClick(t.List()->viewport(), Qt::LeftButton, {}, at);
       },
       true, "0001AAAA.DBF"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.chosen, Run([&] { c.act(*this); }));
    EXPECT_EQ(c.entry, form_.CurrentEntry().FileName);
  }
  EXPECT_THAT(prompts_.shown, IsEmpty());
}

// Enter answers the focused button, not the list: reached by Tab, each
// button does what a click does.
TEST_F(ListFormTest, EnterOnAFocusedButtonPressesThatButton) {
  PutArchive({"0001AAAA.DBF", "0001BBBB.DBF"});
  struct Case {
    const char* button;
    int key;
    bool chosen;
  };
  const Case kCases[] = {
      {"CancelButton", Qt::Key_Return, false},
      {"OkButton", Qt::Key_Enter, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.button);
    EXPECT_EQ(c.chosen, Run([&] {
                QPushButton* button = Button(c.button);
                button->setFocus(Qt::TabFocusReason);
                QTest::keyClick(button, static_cast<Qt::Key>(c.key));
              }));
  }
  // "Удалить" asks and removes the newest, the window staying open.
  prompts_.confirm_answer = true;
  EXPECT_FALSE(Run([this] {
    Button("DelButton")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Button("DelButton"), Qt::Key_Return);
    EXPECT_TRUE(form_.isVisible());
    EXPECT_THAT(Items(), ElementsAre("0001AAAA.DBF    05.03.2009 14:22:10"));
    Click("CancelButton");
  }));
  EXPECT_THAT(prompts_.shown, ElementsAre("Confirm: Вы уверены?"));
  EXPECT_FALSE(fs::exists("archive/0001BBBB.DBF"));
}

TEST_F(ListFormTest, DeletingTheFirstSelectsTheNewFirst) {
  PutArchive({"0001AAAA.DBF", "0001BBBB.DBF", "0001CCCC.DBF"});
  EXPECT_TRUE(Run([this] {
    List()->setCurrentRow(0);
    EXPECT_EQ("0001AAAA.DBF", form_.CurrentEntry().FileName);
    QTest::keyClick(List(), Qt::Key_Delete);
    EXPECT_THAT(prompts_.shown, ElementsAre("Confirm: Вы уверены?"));
    EXPECT_EQ(2, List()->count());
    EXPECT_EQ(0, List()->currentRow());
    EXPECT_EQ("0001BBBB.DBF", form_.CurrentEntry().FileName);
    // The item before the deleted one is selected otherwise.
    List()->setCurrentRow(1);
    Click("DelButton");
    EXPECT_EQ(1, List()->count());
    EXPECT_EQ("0001BBBB.DBF", form_.CurrentEntry().FileName);
    Click("OkButton");
  }));
  EXPECT_EQ("0001BBBB", form_.GetSelectedName());
  EXPECT_FALSE(fs::exists("archive/0001AAAA.DBF"));
  EXPECT_FALSE(fs::exists("archive/0001CCCC.DBF"));
  EXPECT_TRUE(fs::exists("archive/0001BBBB.DBF"));
}

TEST_F(ListFormTest, DeletingTheOnlyItemLeavesNothingToChoose) {
  PutArchive({"0001AAAA.DBF"});
  EXPECT_FALSE(Run([this] {
    Click("DelButton");
    EXPECT_EQ(0, List()->count());
    EXPECT_EQ(-1, List()->currentRow());
    EXPECT_EQ("", form_.CurrentEntry().FileName);
    EXPECT_EQ("", form_.GetSelectedName());
    Click("OkButton");
    EXPECT_TRUE(form_.isVisible());
    QTest::keyClick(List(), Qt::Key_Delete);  // nothing to ask about
    Click("CancelButton");
  }));
  EXPECT_THAT(prompts_.shown, ElementsAre("Confirm: Вы уверены?"));
  EXPECT_FALSE(fs::exists("archive/0001AAAA.DBF"));
}

TEST_F(ListFormTest, NoOrCancelDeletesNothing) {
  PutArchive({"0001AAAA.DBF", "0001BBBB.DBF"});
  prompts_.confirm_answer = false;  // the fake's answer for both No and Cancel
  EXPECT_TRUE(Run([this] {
    Click("DelButton");
    EXPECT_EQ(2, List()->count());
    EXPECT_EQ(1, List()->currentRow());
    Click("OkButton");
  }));
  EXPECT_THAT(prompts_.shown, ElementsAre("Confirm: Вы уверены?"));
  EXPECT_TRUE(fs::exists("archive/0001BBBB.DBF"));
}

TEST_F(ListFormTest, AFileThatCannotBeDeletedStillLeavesTheList) {
  PutArchive({"0001AAAA.DBF", "0001BBBB.DBF"});
  EXPECT_TRUE(Run([this] {
    fs::remove("archive/0001BBBB.DBF");  // gone meanwhile
    Click("DelButton");
    EXPECT_EQ(1, List()->count());
    Click("OkButton");
  }));
  EXPECT_EQ("0001AAAA.DBF", form_.CurrentEntry().FileName);
  EXPECT_THAT(prompts_.shown, ElementsAre("Confirm: Вы уверены?"));
}

TEST_F(ListFormTest, EmptyListsSayWhichAndShowNoWindow) {
  EXPECT_FALSE(form_.Execute());
  testing::FakeUserPrompts waybill_prompts;
  TNaklForm waybills(kWaybillBrowser, waybill_prompts);
  fs::create_directory("in");
  std::ofstream("in/price.rar") << "x";
  EXPECT_FALSE(waybills.Execute());
  EXPECT_FALSE(form_.isVisible());
  EXPECT_THAT(prompts_.shown, ElementsAre("Information: Архив заявок пуст!"));
  EXPECT_THAT(waybill_prompts.shown, ElementsAre("Information: Список накладных пуст !"));
  EXPECT_EQ("", form_.GetSelectedName());
}

TEST_F(ListFormTest, WindowLayout) {
  TNaklForm waybills(kWaybillBrowser, prompts_);
  EXPECT_EQ(QStringLiteral("Архив заказов"), form_.windowTitle());
  EXPECT_EQ(QStringLiteral("Списко накладных"), waybills.windowTitle());
  EXPECT_EQ(QSize(487, 231), form_.size());
  EXPECT_EQ(QSize(487, 231), form_.minimumSize());
  EXPECT_EQ(QSize(487, 231), form_.maximumSize());
  EXPECT_EQ(QRect(0, 0, 487, 185), List()->geometry());
  EXPECT_EQ(QFrame::NoFrame, List()->frameShape());
  EXPECT_FALSE(List()->accessibleName().isEmpty());
  struct Expect {
    const char* name;
    const char* caption;
  };
  const Expect kButtons[] = {{"OkButton", "Выбор"},
                             {"RepeatButton", "Повторить"},
                             {"DelButton", "Удалить"},
                             {"CancelButton", "Отмена"}};
  int left = -1;
  for (const auto& b : kButtons) {
    SCOPED_TRACE(b.name);
    QPushButton* button = Button(b.name);
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(QString::fromUtf8(b.caption), button->text());
    EXPECT_TRUE(button->isFlat());
    EXPECT_TRUE(button->font().bold());
    EXPECT_TRUE(button->font().underline());
    EXPECT_GE(button->geometry().top(), 185);
    EXPECT_LE(button->geometry().bottom(), 231);
    EXPECT_GT(button->geometry().left(), left);  // in this order from the left
    left = button->geometry().right();
  }
}

TEST_F(ListFormTest, Screenshot) {
  PutArchive({"0001AAAA.DBF", "0001BBBB.DBF", "1234D6B3.DBF"});
  EXPECT_TRUE(Run([this] {
    const QPixmap image = form_.grab();
    ASSERT_FALSE(image.isNull());
    const QString target = qEnvironmentVariable("ZAKAZ_SCREENSHOT_LIST");
    if (!target.isEmpty()) {
      EXPECT_TRUE(image.save(target));
    }
    Click("OkButton");
  }));
}

}  // namespace
}  // namespace zakaz
