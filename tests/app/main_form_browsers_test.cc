// The "Архив" and "Накладные" toggles on the real main window with real
// browsers: what is shown, read-only, and the way back to the price list.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "app/main_form.h"
#include "common/formats.h"
#include "dbf/base/errors.h"
#include "dbf/dataset/table_dataset.h"
#include "grid/data_set_model.h"
#include "grid/db_grid.h"
#include "grid/list_form.h"
#include "sample_price_list.h"
#include "support/fake_user_prompts.h"
#include "support/file_bytes.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::PriceRow;
using ::testing::StartsWith;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

constexpr int kQuantColumn = 7;
constexpr int kSummaColumn = 8;

class MainFormBrowsersTest : public ::testing::Test {
 protected:
  MainFormBrowsersTest() : cwd_(dir_.Path()) {
    testing::WritePriceTable(dir_.File("price.DBF"), {{.name = "A"}, {.name = "B", .quant = 1}});
  }

  TMainForm& Start() {
    form_ = std::make_unique<TMainForm>(prompts_, dir_.File("param.Ini"));
    form_->SetArchiveForm(&archive_);
    form_->SetNaklForm(&waybills_);
    return *form_;
  }

  // A table with the price-list row in `dir`, `minutes` after a fixed time.
  void Put(const std::string& dir, const std::string& name, const std::vector<PriceRow>& rows,
           int minutes) {
    fs::create_directories(dir_.Path() / dir);
    const std::string path = (dir_.Path() / dir / name).string();
    testing::WritePriceTable(path, rows);
    testing::SetFileTime(path, ToTimeT({2009, 3, 5, 14, 0, 0}) + minutes * 60);
  }

  QToolButton* Button(const char* name) const {
    auto* b = form_->findChild<QToolButton*>(name);
    EXPECT_NE(nullptr, b) << name;
    return b;
  }
  QTreeWidget* Tree() const { return form_->findChild<QTreeWidget*>("TreeView2"); }
  DataSetModel& Model() const { return *form_->GridModel(); }

  // Presses `toggle`; `in_browser` acts on the browser it shows (if any).
  void Press(const char* toggle, TListForm& browser,
             const std::function<void(TListForm&)>& in_browser) {
    QTimer::singleShot(0, &browser, [&browser, in_browser] {
      if (!browser.isVisible()) return;
      in_browser(browser);
      if (browser.isVisible()) {
        ADD_FAILURE() << "the browser stayed open";
        browser.reject();
      }
    });
    QTest::mouseClick(Button(toggle), Qt::LeftButton);
    QApplication::processEvents();  // no browser shown: the action is dropped
  }
  static void Choose(TListForm& browser) {
    QTest::keyClick(browser.findChild<QListWidget*>("ListBox"), Qt::Key_Return);
  }
  // "Повторить" from the keyboard: focused, then Enter.
  static void Repeat(TListForm& browser) {
    auto* repeat = browser.findChild<QPushButton*>("RepeatButton");
    ASSERT_NE(nullptr, repeat);
    EXPECT_TRUE(repeat->isEnabled());
    repeat->setFocus();
    QTest::keyClick(repeat, Qt::Key_Return);
  }
  static void Cancel(TListForm& browser) {
    QTest::keyClick(browser.findChild<QListWidget*>("ListBox"), Qt::Key_Escape);
  }

  struct States {
    bool save, clear, del, print, comment;
    friend bool operator==(const States&, const States&) = default;
  };
  States ButtonStates() const {
    return {Button("SaveButton")->isEnabled(), Button("SpeedButton2")->isEnabled(),
            Button("DeleteButton3")->isEnabled(), Button("SpeedButton1")->isEnabled(),
            Button("ButtonCom")->isEnabled()};
  }
  static constexpr States kPriceNode{true, true, false, false, false};
  static constexpr States kBrowsing{false, false, false, true, false};

  void ExpectPriceList() const {
    EXPECT_EQ(vmPrice, form_->ViewMode());
    EXPECT_EQ("price.dbf", form_->PriceTable().TableName());
    EXPECT_TRUE(form_->PriceTable().Active());
    EXPECT_FALSE(form_->PriceTable().ReadOnly());
    EXPECT_FALSE(form_->PriceTable().Filtered());
    EXPECT_EQ("", form_->PriceTable().Filter());
    EXPECT_EQ(2, Model().rowCount());
    EXPECT_FALSE(Tree()->isHidden());
    EXPECT_FALSE(Button("ArchiveSpeedButton")->isChecked());
    EXPECT_FALSE(Button("NaklButton")->isChecked());
    EXPECT_TRUE(Button("FilterSpeedButton")->isEnabled());
  }

  testing::TempDir dir_;
  testing::WorkingDirectory cwd_;
  testing::FakeUserPrompts prompts_;
  TListForm archive_{kArchiveBrowser, prompts_};
  TNaklForm waybills_{kWaybillBrowser, prompts_};
  std::unique_ptr<TMainForm> form_;
};

TEST_F(MainFormBrowsersTest, ArchiveShowsTheChosenOrderReadOnlyAndTheToggleLeadsBack) {
  Put("archive", "0001AAAA.DBF", {{.name = "OLD", .quant = 3}}, 0);
  Put("archive", "0001BBBB.DBF", {{.name = "Y", .price = 2, .quant = 2}, {.name = "Z", .quant = 5}},
      1);
  TMainForm& form = Start();
  Press("ArchiveSpeedButton", archive_, Choose);
  EXPECT_EQ(vmArchive, form.ViewMode());
  EXPECT_TRUE(Button("ArchiveSpeedButton")->isChecked());
  EXPECT_EQ("Archive\\0001BBBB.DBF", form.PriceTable().TableName());
  EXPECT_TRUE(form.PriceTable().ReadOnly());
  ASSERT_EQ(2, Model().rowCount());
  EXPECT_EQ(QStringLiteral("Y"), Model().index(0, 0).data().toString());
  EXPECT_EQ(QStringLiteral("7"), Model().FooterText(kQuantColumn));
  EXPECT_TRUE(Tree()->isHidden());
  EXPECT_FALSE(Button("FilterSpeedButton")->isEnabled());
  EXPECT_EQ(kBrowsing, ButtonStates());
  EXPECT_EQ(QStringLiteral("ООО Бриолан. Заказ из архива 0001BBBB.DBF от 05.03.2009 14:01:00"),
            form.windowTitle());

  // Read-only: typing in the grid changes nothing, and neither does an edit.
  const std::string before = testing::ReadFile(dir_.File("archive/0001BBBB.DBF"));
  DbGrid* grid = form.findChild<DbGrid*>("DBGrid");
  grid->setCurrentIndex(Model().index(0, kQuantColumn));
  QTest::keyClicks(grid, "9");
  QTest::keyClick(grid, Qt::Key_Return);
  QTest::keyClick(grid, Qt::Key_Delete);
  QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_THAT(
      [&] { form.PriceTable().Edit(); },
      ThrowsMessage<dbf::EDatabaseError>(StrEq("PriceTable: Cannot modify a read-only dataset")));
  EXPECT_EQ(QStringLiteral("2"), Model().index(0, kQuantColumn).data().toString());
  // Delete is refused in the error box; the other keys offer no editor at all.
  EXPECT_THAT(prompts_.shown,
              ElementsAre("Exception: PriceTable: Cannot modify a read-only dataset"));
  prompts_.shown.clear();

  Press("ArchiveSpeedButton", archive_, Choose);  // shows no browser
  ExpectPriceList();
  EXPECT_EQ(kPriceNode, ButtonStates());
  EXPECT_EQ(before, testing::ReadFile(dir_.File("archive/0001BBBB.DBF")));
  EXPECT_NO_THROW(form.PriceTable().Edit());
}

TEST_F(MainFormBrowsersTest, EmptyListOrCancelReleasesTheToggleAndKeepsTheView) {
  TMainForm& form = Start();
  Press("ArchiveSpeedButton", archive_, Choose);
  EXPECT_THAT(prompts_.shown, ElementsAre("Information: Архив заявок пуст!"));
  ExpectPriceList();

  Put("archive", "0001AAAA.DBF", {{.name = "X", .quant = 3}}, 0);
  Put("in", "N1.DBF", {{.name = "W", .quant = 1}}, 0);
  Press("ArchiveSpeedButton", archive_, Cancel);
  ExpectPriceList();
  EXPECT_EQ(kPriceNode, ButtonStates());

  // From a waybill: the waybill stays, and so does its toggle.
  Press("NaklButton", waybills_, Choose);
  EXPECT_EQ(vmWaybill, form.ViewMode());
  Press("ArchiveSpeedButton", archive_, [](TListForm& b) { b.close(); });
  EXPECT_EQ(vmWaybill, form.ViewMode());
  EXPECT_EQ("in\\N1.DBF", form.PriceTable().TableName());
  EXPECT_TRUE(Button("NaklButton")->isChecked());
  EXPECT_FALSE(Button("ArchiveSpeedButton")->isChecked());
  EXPECT_EQ(kBrowsing, ButtonStates());
  EXPECT_TRUE(Tree()->isHidden());
}

TEST_F(MainFormBrowsersTest, InOrderModeTheArchivedOrderIsShownThroughTheFilter) {
  Put("archive", "0001AAAA.DBF", {{.name = "NONE"}, {.name = "SOME", .quant = 4}, {.name = "NIL"}},
      0);
  TMainForm& form = Start();
  QTest::mouseClick(Button("FilterSpeedButton"), Qt::LeftButton);
  ASSERT_EQ(vmOrder, form.ViewMode());
  Press("ArchiveSpeedButton", archive_, Choose);
  EXPECT_EQ(vmArchive, form.ViewMode());
  EXPECT_EQ("QUANT>0", form.PriceTable().Filter());
  EXPECT_TRUE(form.PriceTable().Filtered());
  ASSERT_EQ(1, Model().rowCount());
  EXPECT_EQ(QStringLiteral("SOME"), Model().index(0, 0).data().toString());
  Press("ArchiveSpeedButton", archive_, Choose);
  ExpectPriceList();
  EXPECT_EQ(QStringLiteral("Заказ"), Button("FilterSpeedButton")->text());
}

TEST_F(MainFormBrowsersTest, FromArchiveToWaybillAndBackRestoresThePendingOrderStates) {
  fs::create_directory(dir_.Path() / "demand");
  testing::WritePriceTable(dir_.File("demand/0001CCCC.DBF"), {{.name = "PENDING", .quant = 2}});
  Put("archive", "0001AAAA.DBF", {{.name = "X", .quant = 3}}, 0);
  Put("in", "n1.dbf", {{.name = "W1", .quant = 1}}, 0);
  Put("in", "n2.dbf", {{.name = "W2", .quant = 1}, {.name = "W3", .quant = 1}}, 5);
  TMainForm& form = Start();
  Tree()->setCurrentItem(Tree()->topLevelItem(1));  // the pending order
  const States pending = ButtonStates();
  EXPECT_FALSE(pending.save);

  Press("ArchiveSpeedButton", archive_, Choose);
  ASSERT_EQ(vmArchive, form.ViewMode());
  // The other toggle while an archived order is shown: the older waybill.
  Press("NaklButton", waybills_, [](TListForm& b) {
    QListWidget* list = b.findChild<QListWidget*>("ListBox");
    QTest::keyClick(list, Qt::Key_Up);
    QTest::mouseClick(b.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
  });
  EXPECT_EQ(vmWaybill, form.ViewMode());
  // The listed name exactly, as the directory gives it.
  EXPECT_EQ("in\\n1.dbf", form.PriceTable().TableName());
  EXPECT_EQ(QStringLiteral("ООО Бриолан. Накладная n1.dbf от 05.03.2009 14:00:00"),
            form.windowTitle());
  EXPECT_TRUE(Button("NaklButton")->isChecked());
  EXPECT_FALSE(Button("ArchiveSpeedButton")->isChecked());
  EXPECT_EQ(kBrowsing, ButtonStates());
  ASSERT_EQ(1, Model().rowCount());
  EXPECT_EQ(QStringLiteral("W1"), Model().index(0, 0).data().toString());

  // Back: the price list is what the grid shows, so the tree selects it.
  Press("NaklButton", waybills_, Choose);
  ExpectPriceList();
  EXPECT_EQ(Tree()->topLevelItem(0), Tree()->currentItem());
  EXPECT_EQ(kPriceNode, ButtonStates());
}

TEST_F(MainFormBrowsersTest, AChosenFileThatCannotBeOpenedShowsTheMessageAndTheToggleLeadsBack) {
  fs::create_directory(dir_.Path() / "in");
  std::ofstream(dir_.File("in/BAD.DBF")) << "not a table";
  TMainForm& form = Start();
  Press("NaklButton", waybills_, Choose);
  ASSERT_EQ(1u, prompts_.shown.size());
  EXPECT_THAT(prompts_.shown[0], StartsWith("Exception: "));
  EXPECT_GT(prompts_.shown[0].size(), std::string("Exception: ").size());
  EXPECT_EQ(vmWaybill, form.ViewMode());
  EXPECT_FALSE(form.PriceTable().Active());
  EXPECT_EQ(0, Model().rowCount());
  EXPECT_TRUE(Button("NaklButton")->isChecked());
  Press("NaklButton", waybills_, Choose);
  ExpectPriceList();
  EXPECT_EQ(kPriceNode, ButtonStates());
}

// A waybill as another program writes it: shapelib's dbfadd stores a number
// it was given no value for as asterisks.
TEST_F(MainFormBrowsersTest, AWaybillWithUnsetNumbersIsShownAndSummed) {
  fs::create_directory(dir_.Path() / "in");
  const std::string path = dir_.File("in/n0001.dbf");
  const std::string create = "dbfcreate '" + path +
                             "' -s NAME 100 -s PROIZVOD 25 -n PRICE 10 2 -n KOL 8 0 -n QUANT 5 0"
                             " -s Kod 100 -s SROK 10 -n NDS 2 0 -s FASOVKA 10 -n FLAG 1 0"
                             " -s COMMENT 100";
  ASSERT_EQ(0, std::system(create.c_str()));
  for (const char* row :
       {"ANALGIN M 12.5 100 2 K1 01.01.2030 10 N10 0 ''", "UNSET M '' '' '' K2 '' '' N1 '' ''",
        "BINT M 3.1 5 3 K3 01.01.2030 10 N1 0 ''"}) {
    ASSERT_EQ(0, std::system(("dbfadd '" + path + "' " + row).c_str()));
  }
  ASSERT_NE(std::string::npos, testing::ReadFile(path).find("*****"))
      << "the writer no longer writes asterisks";
  TMainForm& form = Start();
  Press("NaklButton", waybills_, Choose);
  ASSERT_EQ(vmWaybill, form.ViewMode());
  EXPECT_THAT(prompts_.shown, IsEmpty());
  ASSERT_EQ(3, Model().rowCount());
  EXPECT_EQ(QStringLiteral("UNSET"), Model().index(1, 0).data().toString());
  for (int column : {3, 6, kQuantColumn}) {  // price, stock, quantity
    SCOPED_TRACE(column);
    EXPECT_EQ(QString(), Model().index(1, column).data().toString().trimmed());
  }
  EXPECT_EQ(QStringLiteral("12,5"), Model().index(0, 3).data().toString());
  EXPECT_EQ(QStringLiteral("5"), Model().FooterText(kQuantColumn));
  EXPECT_EQ(QStringLiteral("34,3"), Model().FooterText(kSummaColumn));
  form.setWindowState(Qt::WindowNoState);
  form.resize(1000, 300);
  form.show();
  QApplication::processEvents();
  const QPixmap image = form.grab();
  ASSERT_FALSE(image.isNull());
  const QString target = qEnvironmentVariable("ZAKAZ_SCREENSHOT_WAYBILL");
  if (!target.isEmpty()) {
    EXPECT_TRUE(image.save(target));
  }
  // The cursor walks past the row, and the order filter passes over it.
  for (form.PriceTable().First(); !form.PriceTable().Eof(); form.PriceTable().Next()) {
  }
  EXPECT_THAT(prompts_.shown, IsEmpty());
  Press("NaklButton", waybills_, Choose);
  QTest::mouseClick(Button("FilterSpeedButton"), Qt::LeftButton);
  ASSERT_EQ(vmOrder, form.ViewMode());
  Press("NaklButton", waybills_, Choose);
  EXPECT_EQ(vmWaybill, form.ViewMode());
  EXPECT_EQ(2, Model().rowCount());
  EXPECT_EQ(QStringLiteral("5"), Model().FooterText(kQuantColumn));
  EXPECT_THAT(prompts_.shown, IsEmpty());
}

TEST_F(MainFormBrowsersTest, LeavingForTheConnectionReturnsToTheWritablePriceList) {
  Put("in", "N1.DBF", {{.name = "W", .quant = 1}}, 0);
  TMainForm& form = Start();
  form.LeaveBrowsedView();  // nothing to leave
  ExpectPriceList();
  Press("NaklButton", waybills_, Choose);
  ASSERT_EQ(vmWaybill, form.ViewMode());
  form.LeaveBrowsedView();
  ExpectPriceList();
  EXPECT_EQ(kPriceNode, ButtonStates());
}

TEST_F(MainFormBrowsersTest, TheChosenFileOpensExactlyAsListed) {
  // A supplier's waybill name with more dots, and two names that differ in
  // letter case alone (only where the file system tells them apart).
  Put("in", "nakl.05.03.dbf", {{.name = "DOTS", .quant = 2}, {.name = "MORE", .quant = 3}}, 2);
  Put("in", "x.dbf", {{.name = "LOWER", .quant = 1}}, 1);
  Put("in", "X.DBF", {{.name = "UPPER", .quant = 4}}, 0);
  const bool both_cases =
      fs::exists(dir_.Path() / "in" / "X.DBF") && fs::exists(dir_.Path() / "in" / "x.dbf") &&
      !fs::equivalent(dir_.Path() / "in" / "X.DBF", dir_.Path() / "in" / "x.dbf");
  TMainForm& form = Start();
  struct Case {
    const char* file;
    std::vector<const char*> names;
  };
  std::vector<Case> cases{{"nakl.05.03.dbf", {"DOTS", "MORE"}}};
  if (both_cases) {
    cases.push_back({"x.dbf", {"LOWER"}});
    cases.push_back({"X.DBF", {"UPPER"}});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Press("NaklButton", waybills_, [&](TListForm& browser) {
      auto* list = browser.findChild<QListWidget*>("ListBox");
      for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->text().startsWith(QString::fromLatin1(c.file) + QStringLiteral(" ")))
          list->setCurrentRow(row);
      }
      Choose(browser);
    });
    ASSERT_EQ(vmWaybill, form.ViewMode());
    EXPECT_THAT(prompts_.shown, IsEmpty());
    EXPECT_EQ(std::string("in\\") + c.file, form.PriceTable().TableName());
    ASSERT_EQ(static_cast<int>(c.names.size()), Model().rowCount());
    for (size_t row = 0; row < c.names.size(); ++row) {
      EXPECT_EQ(QString::fromLatin1(c.names[row]),
                Model().index(static_cast<int>(row), 0).data().toString());
    }
    Press("NaklButton", waybills_, Choose);  // back to the price list
    ExpectPriceList();
  }
}

TEST_F(MainFormBrowsersTest, RepeatPutsTheArchivedQuantitiesOnThePriceListAndShowsTheOrder) {
  testing::WritePriceTable(dir_.File("price.DBF"),
                           {{.name = "A", .kol = 10, .kod = "K1"},
                            {.name = "B", .kol = 2, .kod = "K2"},
                            {.name = "C", .kol = 0, .kod = "K3"},
                            {.name = "D", .kol = 9, .quant = 4, .kod = "K4"},
                            {.name = "E", .kol = 9, .kod = "K5"}});
  Put("archive", "0001AAAA.DBF",
      {{.name = "A", .quant = 2, .kod = "K1"},
       {.name = "B", .quant = 5, .kod = "K2"},
       {.name = "A", .quant = 1, .kod = "K1"},
       {.name = "C", .quant = 1, .kod = "K3"},
       {.name = "GONE", .quant = 1, .kod = "K9"},
       {.name = "E", .quant = 0, .kod = "K5"}},
      0);
  TMainForm& form = Start();
  prompts_.shown.clear();
  Press("ArchiveSpeedButton", archive_, Repeat);
  EXPECT_THAT(prompts_.shown,
              ElementsAre("Information: Повторён заказ 0001AAAA.DBF: перенесено позиций 2, "
                          "нет в прайсе 1, нет в наличии 1\nC\nGONE"));
  EXPECT_EQ(vmOrder, form.ViewMode());
  EXPECT_EQ(QStringLiteral("Прайс"), Button("FilterSpeedButton")->text());
  EXPECT_TRUE(Button("SpeedButton1")->isEnabled());
  EXPECT_FALSE(Button("ArchiveSpeedButton")->isChecked());
  EXPECT_EQ("price.dbf", form.PriceTable().TableName());
  EXPECT_FALSE(form.PriceTable().ReadOnly());
  EXPECT_EQ(Tree()->topLevelItem(0), Tree()->currentItem());
  // The order view: the rows with a quantity, the typed one among them.
  ASSERT_EQ(3, Model().rowCount());
  EXPECT_EQ("3", Model().index(0, kQuantColumn).data().toString().toStdString());
  EXPECT_EQ("2", Model().index(1, kQuantColumn).data().toString().toStdString());
  EXPECT_EQ("4", Model().index(2, kQuantColumn).data().toString().toStdString());
  form_.reset();
  EXPECT_THAT(testing::ReadQuantities(dir_.File("price.DBF")), ElementsAre(3, 2, 0, 4, 0));
}

TEST_F(MainFormBrowsersTest, RepeatThatCannotBeDoneChangesNothing) {
  struct Case {
    const char* what;
    std::function<void()> prepare;
    const char* shown;  // the whole box, or its beginning when it ends in "*"
  };
  const Case kCases[] = {
      {"no Kod column",
       [this] {
         fs::create_directories(dir_.Path() / "archive");
         dbf::CreateEmptyTable(dir_.File("archive/0001AAAA.DBF"),
                               {{"NAME", 'C', 20}, {"QUANT", 'N', 5, 0}});
       },
       "Exception: Field 'Kod' not found"},
      {"not a table",
       [this] {
         fs::create_directories(dir_.Path() / "archive");
         std::ofstream(dir_.File("archive/0001AAAA.DBF")) << "not a table";
       },
       "Exception: *"},
      {"no price list",
       [this] {
         Put("archive", "0001AAAA.DBF", {{.name = "A", .quant = 2, .kod = "K1"}}, 0);
         fs::remove(dir_.File("price.DBF"));
       },
       "Warning: Не найден прайс-лист!"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir_.Path() / "archive");
    testing::WritePriceTable(dir_.File("price.DBF"),
                             {{.name = "A", .kod = "K1"}, {.name = "B", .quant = 1}});
    const bool price_list = c.what != std::string("no price list");
    TMainForm& form = Start();
    c.prepare();
    prompts_.shown.clear();
    Press("ArchiveSpeedButton", archive_, Repeat);
    ASSERT_EQ(1u, prompts_.shown.size());
    const std::string shown = c.shown;
    if (shown.back() == '*') {
      EXPECT_THAT(prompts_.shown[0], StartsWith(shown.substr(0, shown.size() - 1)));
    } else {
      EXPECT_EQ(shown, prompts_.shown[0]);
    }
    EXPECT_EQ(vmPrice, form.ViewMode());
    EXPECT_FALSE(Button("ArchiveSpeedButton")->isChecked());
    if (price_list) {
      ExpectPriceList();
      form_.reset();
      EXPECT_THAT(testing::ReadQuantities(dir_.File("price.DBF")), ElementsAre(0, 1));
    }
    form_.reset();
  }
}

TEST_F(MainFormBrowsersTest, OnlyTheArchiveBrowserRepeatsAndOnlyWithAnItemSelected) {
  EXPECT_EQ(nullptr, waybills_.findChild<QPushButton*>("RepeatButton"));
  Put("archive", "0001AAAA.DBF", {{.name = "A", .quant = 2}}, 0);
  Start();
  Press("ArchiveSpeedButton", archive_, [](TListForm& browser) {
    auto* repeat = browser.findChild<QPushButton*>("RepeatButton");
    ASSERT_NE(nullptr, repeat);
    EXPECT_TRUE(repeat->isEnabled());
    browser.findChild<QListWidget*>("ListBox")->setCurrentRow(-1);
    EXPECT_FALSE(repeat->isEnabled());
    Cancel(browser);
  });
}

}  // namespace
}  // namespace zakaz
