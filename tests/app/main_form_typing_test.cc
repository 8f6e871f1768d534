// Every way of leaving what the grid shows keeps the quantity the user
// typed, whether it is still in the open editor or committed but not yet
// posted (the cursor still on its row): the real main window, real keys,
// and the files read back afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"
#include "grid/data_set_model.h"
#include "grid/db_grid.h"
#include "grid/list_form.h"
#include "print/grid_printer.h"
#include "settings/nastroyki.h"
#include "support/fake_user_prompts.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using testing::PriceRow;

constexpr int kNameColumn = 0;
constexpr int kQuantColumn = 7;

enum class Typing { kEditorOpen, kCommittedUnposted };

class TypingFixture {
 public:
  TypingFixture() : cwd_(dir_.Path()) {
    dbf::BuildTranslationTables();
    for (const char* d : {"demand", "archive", "in", "temp"}) fs::create_directory(d);
    testing::WritePriceTable("price.DBF", {{.name = "A"}, {.name = "B"}, {.name = "C"}});
    testing::WritePriceTable("demand/0001AAAA.DBF", {{.name = "P", .quant = 1}, {.name = "Q"}});
    testing::WritePriceTable("archive/0001BBBB.DBF", {{.name = "S", .quant = 2}});
    testing::WritePriceTable("in/n1.dbf", {{.name = "W", .quant = 3}});
    std::ofstream("param.Ini") << "[Main]\r\nClientcode=1234\r\n";
    form_ = std::make_unique<TMainForm>(prompts_, dir_.File("param.Ini"));
    settings_ = std::make_unique<TNastroyki>(dir_.File("param.Ini"), prompts_);
    form_->SetSettingsForm(settings_.get());
    form_->SetOrderClock([] { return LocalDateTime{2009, 3, 5, 14, 22, 10, 0}; });
    form_->SetArchiveForm(&archive_);
    form_->SetNaklForm(&waybills_);
    form_->SetConnectForm(&connect_);
    QObject::connect(&connect_, &QDialog::finished, [] {});
    form_->show();
  }

  TMainForm& Form() { return *form_; }
  DbGrid* Grid() { return form_->findChild<DbGrid*>("DBGrid"); }
  QToolButton* Button(const char* name) { return form_->findChild<QToolButton*>(name); }
  QTreeWidget* Tree() { return form_->findChild<QTreeWidget*>("TreeView2"); }
  void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }

  void SelectNode(const char* text) {
    const auto found = Tree()->findItems(QString::fromLatin1(text), Qt::MatchExactly);
    ASSERT_EQ(1, found.size()) << text;
    Tree()->setCurrentItem(found[0]);
  }

  // Types `digit` into the quantity of the shown row `row`, leaving it as
  // `typing` says.
  void Type(int row, const char* digit, Typing typing) {
    DbGrid* grid = Grid();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(row, kNameColumn));
    QTest::keyClicks(grid, digit);
    ASSERT_TRUE(grid->IsEditing());
    if (typing == Typing::kCommittedUnposted) {
      QTest::keyClick(grid->indexWidget(grid->currentIndex()), Qt::Key_Return);
      ASSERT_FALSE(grid->IsEditing());
      ASSERT_EQ(dbf::TDataSetState::dsEdit, form_->PriceTable().State());
    }
  }

  // Presses a browser toggle and picks the newest file.
  void Browse(const char* toggle, TListForm& browser) {
    QTimer::singleShot(0, &browser, [&browser] {
      if (browser.isVisible())
        QTest::keyClick(browser.findChild<QListWidget*>("ListBox"), Qt::Key_Return);
    });
    Click(toggle);
    QApplication::processEvents();
  }

  // The quantity of the row named `name` in the open table, which must be
  // posted: what the file holds.
  int PostedQuantity(const std::string& name) {
    dbf::TTableDataSet& table = form_->PriceTable();
    EXPECT_EQ(dbf::TDataSetState::dsBrowse, table.State());
    for (table.First(); !table.Eof(); table.Next()) {
      if (table.FieldByName("NAME").AsString() == name)
        return table.FieldByName("QUANT").AsInteger();
    }
    ADD_FAILURE() << name << " not shown";
    return -1;
  }

  void Destroy() { form_.reset(); }
  testing::FakeUserPrompts& Prompts() { return prompts_; }
  TListForm& Archive() { return archive_; }
  TListForm& Waybills() { return waybills_; }
  QDialog& Connect() { return connect_; }

 private:
  testing::TempDir dir_;
  testing::WorkingDirectory cwd_;
  testing::FakeUserPrompts prompts_;
  TListForm archive_{kArchiveBrowser, prompts_};
  TListForm waybills_{kWaybillBrowser, prompts_};
  QDialog connect_;
  std::unique_ptr<TNastroyki> settings_;
  std::unique_ptr<TMainForm> form_;
};

struct WayOut {
  const char* name;
  // Types the quantity (through `type`), leaves, and checks what was kept.
  std::function<void(TypingFixture&, const std::function<void(int row, const char*)>& type)> run;
};

const WayOut kWaysOut[] = {
    {"TreePick",
     [](TypingFixture& f, auto type) {
       type(1, "7");
       f.SelectNode("0001AAAA.DBF");
       EXPECT_EQ(std::vector<int>({0, 7, 0}), testing::ReadQuantities("price.DBF"));
     }},
    {"ArchiveChoose",
     [](TypingFixture& f, auto type) {
       type(1, "7");
       f.Browse("ArchiveSpeedButton", f.Archive());
       EXPECT_EQ(vmArchive, f.Form().ViewMode());
       EXPECT_EQ(std::vector<int>({0, 7, 0}), testing::ReadQuantities("price.DBF"));
       f.Click("ArchiveSpeedButton");  // and back: the quantity is there
       EXPECT_EQ(7, f.PostedQuantity("B"));
     }},
    {"WaybillChoose",
     [](TypingFixture& f, auto type) {
       type(1, "7");
       f.Browse("NaklButton", f.Waybills());
       EXPECT_EQ(vmWaybill, f.Form().ViewMode());
       EXPECT_EQ(std::vector<int>({0, 7, 0}), testing::ReadQuantities("price.DBF"));
     }},
    {"PrintOfAPendingOrder",
     [](TypingFixture& f, auto type) {
       f.SelectNode("0001AAAA.DBF");
       type(1, "5");
       f.Click("SpeedButton1");
       const PrintTable& print = f.Form().GridPrinter().Table();
       ASSERT_EQ(2u, print.rows.size());
       EXPECT_EQ(QStringLiteral("5"), print.rows[1].cells[7]);  // the printed "Кол-во"
       EXPECT_EQ(5, f.PostedQuantity("Q"));
     }},
    {"Save",
     [](TypingFixture& f, auto type) {
       type(1, "7");
       f.Click("SaveButton");
       EXPECT_EQ(std::vector<int>({7}), testing::ReadQuantities("demand/1234D6B3.DBF"));
       EXPECT_EQ(0, f.PostedQuantity("B"));
     }},
    {"ClearAnsweredNo",
     [](TypingFixture& f, auto type) {
       f.Prompts().confirm_answer = false;
       type(1, "7");
       f.Click("SpeedButton2");
       EXPECT_EQ(7, f.PostedQuantity("B"));
     }},
    {"ClearAnsweredYes",
     [](TypingFixture& f, auto type) {
       f.Prompts().confirm_answer = true;
       type(1, "7");
       f.Click("SpeedButton2");
       EXPECT_EQ(0, f.PostedQuantity("B"));
     }},
    {"DeleteOfAPendingOrder",
     [](TypingFixture& f, auto type) {
       f.SelectNode("0001AAAA.DBF");
       type(1, "5");
       f.Click("DeleteButton3");
       EXPECT_FALSE(fs::exists("demand/0001AAAA.DBF"));
       EXPECT_EQ("price.dbf", f.Form().PriceTable().TableName());
     }},
    {"CommentOfAPendingOrder",
     [](TypingFixture& f, auto type) {
       f.SelectNode("0001AAAA.DBF");
       type(1, "5");
       f.Click("ButtonCom");
       EXPECT_EQ(5, f.PostedQuantity("Q"));
       f.SelectNode("price.dbf");
       EXPECT_EQ(std::vector<int>({1, 5}), testing::ReadQuantities("demand/0001AAAA.DBF"));
     }},
    {"NameFilter",
     [](TypingFixture& f, auto type) {
       type(1, "7");
       f.Form().findChild<QLineEdit*>("poisk")->setText("B");
       f.Form().seekbotClick();
       EXPECT_EQ(7, f.PostedQuantity("B"));
     }},
    {"Connect",
     [](TypingFixture& f, auto type) {
       type(1, "7");
       QTimer::singleShot(0, &f.Connect(), [&f] { f.Connect().reject(); });
       f.Click("ButtonSvyz");
       EXPECT_EQ(std::vector<int>({7}), testing::ReadQuantities("demand/1234D6B3.DBF"));
       EXPECT_EQ(std::vector<int>({0, 0, 0}), testing::ReadQuantities("price.DBF"));
     }},
    {"OrderViewAndBack",
     [](TypingFixture& f, auto type) {
       type(1, "7");
       f.Click("FilterSpeedButton");
       EXPECT_EQ(vmOrder, f.Form().ViewMode());
       EXPECT_EQ(7, f.PostedQuantity("B"));
       f.Click("FilterSpeedButton");
       EXPECT_EQ(7, f.PostedQuantity("B"));
     }},
    {"Exit",
     [](TypingFixture& f, auto type) {
       type(1, "7");
       f.Click("ExitButton");
       f.Destroy();
       EXPECT_EQ(std::vector<int>({0, 7, 0}), testing::ReadQuantities("price.DBF"));
     }},
    {"CloseBox",
     [](TypingFixture& f, auto type) {
       type(1, "7");
       f.Form().close();
       EXPECT_EQ(std::vector<int>({0, 7, 0}), testing::ReadQuantities("price.DBF"));
       f.Destroy();
     }},
};

void PrintTo(const WayOut& way, std::ostream* os) { *os << way.name; }

class WayOutTest : public ::testing::TestWithParam<std::tuple<WayOut, Typing>> {};

TEST_P(WayOutTest, KeepsTheTypedQuantity) {
  const auto& [way, typing] = GetParam();
  TypingFixture f;
  way.run(f, [&f, typing = typing](int row, const char* digit) { f.Type(row, digit, typing); });
  for (const std::string& shown : f.Prompts().shown) {
    if (shown.rfind("Confirm: ", 0) != 0) ADD_FAILURE() << shown;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryWay, WayOutTest,
                         ::testing::Combine(::testing::ValuesIn(kWaysOut),
                                            ::testing::Values(Typing::kEditorOpen,
                                                              Typing::kCommittedUnposted)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == Typing::kEditorOpen ? "EditorOpen"
                                                                                  : "Unposted");
                         });

}  // namespace
}  // namespace zakaz
