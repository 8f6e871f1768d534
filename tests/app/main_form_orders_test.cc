// The order-file buttons on the real main window (offscreen): "Сохранить",
// "Удалить", the comment and "Подключение", with the files checked through
// the engine, byte for byte, and through an independent reader.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "app/main_form.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"
#include "grid/data_set_model.h"
#include "grid/db_grid.h"
#include "settings/nastroyki.h"
#include "support/fake_user_prompts.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::PriceRow;
using ::testing::SizeIs;
using ::testing::StartsWith;

constexpr int kQuantColumn = 7;

// The table as the independent reader sees it: the column names, then per
// record NAME and QUANT.
std::string ReadWithDbfread(const fs::path& table, const fs::path& out) {
  const std::string script =
      "import sys, dbfread\n"
      "t = dbfread.DBF(sys.argv[1], encoding='cp866')\n"
      "print(','.join(t.field_names))\n"
      "for r in t: print(r['NAME'], r['QUANT'])\n";
  const fs::path script_path = out.parent_path() / "read.py";
  std::ofstream(script_path) << script;
  const std::string command = "/usr/bin/python3 '" + script_path.string() + "' '" + table.string() +
                              "' > '" + out.string() + "' 2>&1";
  EXPECT_EQ(0, std::system(command.c_str())) << testing::ReadFile(out.string());
  return testing::ReadFile(out.string());
}

class MainFormOrdersTest : public ::testing::Test {
 protected:
  MainFormOrdersTest() : cwd_(dir_.Path()) {
    dbf::BuildTranslationTables();
    fs::create_directory(dir_.Path() / "demand");
  }

  TMainForm& Start(const std::string& client_code = "1234") {
    std::ofstream(Ini()) << "[Main]\r\nClientcode=" << client_code << "\r\n";
    form_ = std::make_unique<TMainForm>(prompts_, Ini());
    settings_ = std::make_unique<TNastroyki>(Ini(), prompts_);
    form_->SetSettingsForm(settings_.get());
    form_->SetOrderClock([this] { return now_; });
    return *form_;
  }

  std::string Ini() const { return dir_.File("param.Ini"); }
  QToolButton* Button(const char* name) const { return form_->findChild<QToolButton*>(name); }
  QTreeWidget* Tree() const { return form_->findChild<QTreeWidget*>("TreeView2"); }
  void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }

  std::vector<std::string> TreeTexts() const {
    std::vector<std::string> texts;
    for (int i = 0; i < Tree()->topLevelItemCount(); ++i)
      texts.push_back(Tree()->topLevelItem(i)->text(0).toStdString());
    return texts;
  }

  // QUANT of every row of the shown table, through the window's dataset.
  std::vector<int> ShownQuantities() {
    dbf::TTableDataSet& table = form_->PriceTable();
    std::vector<int> out;
    for (table.First(); !table.Eof(); table.Next())
      out.push_back(table.FieldByName("QUANT").AsInteger());
    return out;
  }

  void Select(const std::string& node_text) {
    const auto found = Tree()->findItems(QString::fromStdString(node_text), Qt::MatchExactly);
    ASSERT_THAT(found, SizeIs(1));
    Tree()->setCurrentItem(found[0]);
  }

  testing::TempDir dir_;
  testing::WorkingDirectory cwd_;
  testing::FakeUserPrompts prompts_;
  LocalDateTime now_{2009, 3, 5, 14, 22, 10, 0};  // stamp D6B3
  std::unique_ptr<TMainForm> form_;
  std::unique_ptr<TNastroyki> settings_;
};

TEST_F(MainFormOrdersTest, SaveWithoutQuantitiesWritesNothingAndKeepsTheTree) {
  testing::WritePriceTable("price.DBF", {{.name = "A"}, {.name = "B"}});
  TMainForm& form = Start();
  QTreeWidgetItem* const node = Tree()->topLevelItem(0);
  Click("FilterSpeedButton");
  Click("SaveButton");
  EXPECT_TRUE(fs::is_empty("demand"));
  EXPECT_EQ(node, Tree()->topLevelItem(0));  // not refilled
  EXPECT_EQ(vmPrice, form.ViewMode());
  EXPECT_THAT(prompts_.shown, IsEmpty());
}

TEST_F(MainFormOrdersTest, SaveWritesTheOrderedRowsAsTheyAreStoredAndClearsThem) {
  testing::WritePriceTable("price.DBF",
                           {{.name = "A"},
                            {.name = "B", .quant = 2, .srok = "01.02.2030"},
                            {.name = "C"},
                            {.name = "D", .quant = 1, .flag = 1},
                            {.name = "\xC0\xE1\xF0", .quant = 3}});  // Cyrillic in Windows-1251
  const std::vector<std::string> price = testing::StoredRecords("price.DBF");
  TMainForm& form = Start();
  // The client code typed into the settings dialog counts from that moment.
  auto* clcode = settings_->findChild<QLineEdit*>("Clcode");
  ASSERT_NE(nullptr, clcode);
  clcode->setText("0042");
  Click("SaveButton");

  EXPECT_THAT(prompts_.shown, IsEmpty());
  const fs::path order = "demand/0042D6B3.DBF";
  ASSERT_TRUE(fs::exists(order));
  EXPECT_THAT(testing::StoredRecords(order.string()), ElementsAre(price[1], price[3], price[4]));
  EXPECT_EQ(
      "NAME,PROIZVOD,PRICE,KOL,QUANT,KOD,SROK,NDS,FASOVKA,FLAG,COMMENT\n"
      "B 2\nD 1\nАбр 3\n",
      ReadWithDbfread(order, dir_.Path() / "dbfread.txt"));
  EXPECT_THAT(TreeTexts(), ElementsAre("price.dbf", "0042D6B3.DBF"));
  EXPECT_EQ(Tree()->topLevelItem(0), Tree()->currentItem());
  EXPECT_EQ(vmPrice, form.ViewMode());
  EXPECT_EQ("price.dbf", form.PriceTable().TableName());
  EXPECT_THAT(ShownQuantities(), ElementsAre(0, 0, 0, 0, 0));

  // A second order within the same 8.64 seconds gets the next stamp.
  dbf::TTableDataSet& table = form.PriceTable();
  table.First();
  table.Edit();
  table.FieldByName("QUANT").SetAsInteger(9);
  now_.second += 5;
  Click("SaveButton");
  EXPECT_THAT(TreeTexts(), ElementsAre("price.dbf", "0042D6B3.DBF", "0042D6B4.DBF"));
  EXPECT_THAT(testing::ReadQuantities("demand/0042D6B3.DBF"), ElementsAre(2, 1, 3));
  EXPECT_THAT(testing::ReadQuantities("demand/0042D6B4.DBF"), ElementsAre(9));
}

TEST_F(MainFormOrdersTest, AQuantityStillInTheGridEditorIsSaved) {
  testing::WritePriceTable("price.DBF", {{.name = "A"}, {.name = "B"}});
  Start();
  auto* grid = form_->findChild<DbGrid*>("DBGrid");
  form_->show();
  const QModelIndex cell = grid->model()->index(1, kQuantColumn);
  if (!(grid->model()->flags(cell) & Qt::ItemIsEditable))
    GTEST_SKIP() << "the grid takes no typed quantities yet";
  grid->setCurrentIndex(cell);
  grid->edit(cell);
  QWidget* editor = grid->indexWidget(cell);
  ASSERT_NE(nullptr, editor);
  QTest::keyClicks(editor, "4");
  Click("SaveButton");
  EXPECT_THAT(testing::ReadQuantities("demand/1234D6B3.DBF"), ElementsAre(4));
}

TEST_F(MainFormOrdersTest, AnEmptyClientCodeNamesTheOrderByItsStampAlone) {
  testing::WritePriceTable("price.DBF", {{.name = "A", .quant = 1}});
  Start("");
  Click("SaveButton");
  EXPECT_THAT(TreeTexts(), ElementsAre("price.dbf", "D6B3.DBF"));
}

TEST_F(MainFormOrdersTest, AFailedSaveKeepsTheQuantitiesAndSaysWhy) {
  testing::WritePriceTable("price.DBF", {{.name = "A", .quant = 1}, {.name = "B", .quant = 2}});
  TMainForm& form = Start();
  fs::remove("demand");
  Click("SaveButton");
  ASSERT_THAT(prompts_.shown, SizeIs(1));
  EXPECT_THAT(prompts_.shown[0], StartsWith("Error: Ошибка создания заказа:\r"));
  EXPECT_EQ(vmPrice, form.ViewMode());
  EXPECT_FALSE(form.PriceTable().ControlsDisabled());
  EXPECT_EQ(2, form.GridModel()->rowCount());
  EXPECT_THAT(ShownQuantities(), ElementsAre(1, 2));
}

TEST_F(MainFormOrdersTest, TheCommentGoesIntoTheFirstRowOfTheShownOrder) {
  testing::WritePriceTable("price.DBF", {{.name = "A"}});
  testing::WritePriceTable("demand/1234AAAA.DBF",
                           {{.name = "X", .quant = 1}, {.name = "Y", .quant = 2}});
  TMainForm& form = Start();
  Select("1234AAAA.DBF");
  ASSERT_TRUE(Button("ButtonCom")->isEnabled());
  form.PriceTable().Last();
  auto* coment = form_->findChild<QLineEdit*>("Coment");
  coment->setText(QStringLiteral("Доставка утром"));
  Click("ButtonCom");
  EXPECT_THAT(prompts_.shown, IsEmpty());
  form_.reset();
  dbf::TTableDataSet order;
  order.SetTableName("demand\\1234AAAA.DBF");
  order.Open();
  EXPECT_EQ("\x84\xAE\xE1\xE2\xA0\xA2\xAA\xA0 \xE3\xE2\xE0\xAE\xAC",  // CP866
            order.Translate(order.FieldByName("COMMENT").AsString(), true));
  order.Next();
  EXPECT_EQ("", order.FieldByName("COMMENT").AsString());
}

TEST_F(MainFormOrdersTest, DeleteRemovesTheSelectedOrderWhateverItsNameOrPlace) {
  testing::WritePriceTable("price.DBF", {{.name = "A"}});
  // More than 256 orders, and one whose name is longer than 8.3.
  for (int i = 0; i < 260; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "1234%04X.DBF", i);
    testing::WritePriceTable(dir_.File("demand/") + name, {{.name = "X", .quant = 1}});
  }
  testing::WritePriceTable("demand/1234567890D6B3.DBF", {{.name = "X", .quant = 1}});
  TMainForm& form = Start();
  ASSERT_EQ(262, Tree()->topLevelItemCount());

  Select("1234567890D6B3.DBF");
  EXPECT_TRUE(form.PriceTable().Active());  // the whole name opens
  Click("DeleteButton3");
  EXPECT_FALSE(fs::exists("demand/1234567890D6B3.DBF"));
  EXPECT_EQ(261, Tree()->topLevelItemCount());

  Select("12340102.DBF");  // node 259 of the tree, 3 modulo 256
  ASSERT_EQ(259, Tree()->indexOfTopLevelItem(Tree()->currentItem()));
  Click("DeleteButton3");
  EXPECT_FALSE(fs::exists("demand/12340102.DBF"));
  EXPECT_TRUE(fs::exists("demand/12340002.DBF"));
  EXPECT_TRUE(Tree()->findItems("12340102.DBF", Qt::MatchExactly).isEmpty());
  EXPECT_EQ(260, Tree()->topLevelItemCount());
  EXPECT_THAT(prompts_.shown, IsEmpty());

  Tree()->setCurrentItem(nullptr);
  Click("DeleteButton3");
  EXPECT_THAT(prompts_.shown, ElementsAre("Exception: Invalid index"));
  EXPECT_EQ(259, std::distance(fs::directory_iterator("demand"), fs::directory_iterator()));
}

TEST_F(MainFormOrdersTest, ConnectSavesTheTypedOrderClosesThePriceListThenShowsTheWindow) {
  testing::WritePriceTable("price.DBF", {{.name = "A", .quant = 5}, {.name = "B"}});
  TMainForm& form = Start();
  Click("ButtonSvyz");  // no connection window yet: nothing is shown
  EXPECT_THAT(TreeTexts(), ElementsAre("price.dbf", "1234D6B3.DBF"));
  EXPECT_FALSE(form.PriceTable().Active());

  form.OpenPriceList();
  dbf::TTableDataSet& table = form.PriceTable();
  table.First();
  table.Edit();
  table.FieldByName("QUANT").SetAsInteger(3);
  QDialog connect_form;
  form.SetConnectForm(&connect_form);
  bool shown = false;
  QTimer::singleShot(0, &connect_form, [&] {
    shown = connect_form.isVisible();
    // The order is pending before the window opens.
    EXPECT_THAT(testing::ReadQuantities("demand/1234D6B4.DBF"), ElementsAre(3));
    EXPECT_FALSE(form.PriceTable().Active());
    connect_form.reject();
  });
  Click("ButtonSvyz");
  EXPECT_TRUE(shown);
  EXPECT_THAT(prompts_.shown, IsEmpty());
}

TEST_F(MainFormOrdersTest, ALeftoverTemporaryOrderIsRemovedAtStart) {
  testing::WritePriceTable("price.DBF", {{.name = "A"}});
  std::ofstream("demand/1234D6B3.DBF.tmp") << "half an order";
  std::ofstream("demand/1234AAAA.DBF") << "x";
  Start();
  EXPECT_FALSE(fs::exists("demand/1234D6B3.DBF.tmp"));
  EXPECT_THAT(TreeTexts(), ElementsAre("price.dbf", "1234AAAA.DBF"));
}

}  // namespace
}  // namespace zakaz
