#include "app/main_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/application.h"
#include "app/help_form.h"
#include "common/formats.h"
#include "dbf/dataset/table_dataset.h"
#include "grid/data_set_model.h"
#include "grid/db_grid.h"
#include "sample_price_list.h"
#include "settings/ini_file.h"
#include "support/fake_user_prompts.h"
#include "support/find_child.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::PriceRow;
using ::testing::StartsWith;

constexpr int kQuantColumn = 7;
constexpr int kSummaColumn = 8;

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest() : cwd_(dir_.Path()) {}

  std::string Ini() const { return dir_.File("param.Ini"); }

  TMainForm& Start() {
    form_ = std::make_unique<TMainForm>(prompts_, Ini());
    return *form_;
  }

  template <typename T>
  T* Find(const char* name) const {
    return testing::FindChild<T>(*form_, name);
  }

  QToolButton* Button(const char* name) const { return Find<QToolButton>(name); }
  QTreeWidget* Tree() const { return Find<QTreeWidget>("TreeView2"); }
  DataSetModel& Model() const { return *form_->GridModel(); }

  std::vector<std::string> TreeTexts() const {
    std::vector<std::string> texts;
    for (int i = 0; i < Tree()->topLevelItemCount(); ++i) {
      texts.push_back(Tree()->topLevelItem(i)->text(0).toStdString());
    }
    return texts;
  }

  void MakeDemand(const std::vector<std::string>& names) {
    fs::create_directory(dir_.Path() / "demand");
    for (const auto& n : names) {
      testing::WritePriceTable((dir_.Path() / "demand" / n).string(),
                               {{.name = "ORDERED", .quant = 2}});
    }
  }

  zakaz::testing::TempDir dir_;
  testing::WorkingDirectory cwd_;
  testing::FakeUserPrompts prompts_;
  std::unique_ptr<TMainForm> form_;
};

TEST_F(MainFormTest, StartsWithoutPriceList) {
  MakeDemand({"0001AAAA.DBF", "0001BBBB.DBF"});
  TMainForm& form = Start();
  EXPECT_THAT(prompts_.shown, ElementsAre("Warning: Не найден прайс-лист!"));
  EXPECT_EQ(QStringLiteral("ООО \"Бриолан\""), form.windowTitle());
  EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(0, Model().rowCount());
  EXPECT_THAT(TreeTexts(), ElementsAre("0001AAAA.DBF", "0001BBBB.DBF"));
  EXPECT_EQ(nullptr, Tree()->currentItem());
  EXPECT_FALSE(form.PriceTable().Active());
  EXPECT_FALSE(form.QuitRequested());

  // The order/price switch works on nothing and names no date.
  QTest::mouseClick(Button("FilterSpeedButton"), Qt::LeftButton);
  EXPECT_EQ(vmOrder, form.ViewMode());
  EXPECT_EQ(QStringLiteral("ООО \"Бриолан\""), form.windowTitle());

  // Selecting the first order opens it.
  Tree()->setCurrentItem(Tree()->topLevelItem(0));
  EXPECT_TRUE(form.PriceTable().Active());
  EXPECT_EQ(1, Model().rowCount());
}

TEST_F(MainFormTest, ArchiveAndWaybillTitlesNameTheFileAndItsTime) {
  testing::WritePriceTable(dir_.File("price.DBF"), {{.name = "A"}});
  testing::SetFileTime(dir_.File("price.DBF"), ToTimeT({2009, 3, 5, 0, 0, 0}));
  TMainForm& form = Start();
  form.SetShownFile("1234D6B3.DBF", {2009, 3, 6, 9, 15, 0});
  form.SetViewMode(vmArchive);
  EXPECT_EQ(QStringLiteral("ООО Бриолан. Заказ из архива 1234D6B3.DBF от 06.03.2009 09:15:00"),
            form.windowTitle());
  EXPECT_FALSE(Button("FilterSpeedButton")->isEnabled());
  form.SetShownFile("N0001.DBF", {2009, 3, 7, 0, 0, 0});
  form.SetViewMode(vmWaybill);
  EXPECT_EQ(QStringLiteral("ООО Бриолан. Накладная N0001.DBF от 07.03.2009"), form.windowTitle());
  EXPECT_TRUE(Button("FilterSpeedButton")->isEnabled());
  QTest::mouseClick(Button("FilterSpeedButton"), Qt::LeftButton);
  EXPECT_EQ(vmWaybill, form.ViewMode());
  EXPECT_TRUE(Button("SpeedButton1")->isEnabled());
  form.SetViewMode(vmPrice);
  EXPECT_EQ(QStringLiteral("ООО Бриолан. Прайслист от 05.03.2009"), form.windowTitle());
  EXPECT_TRUE(Button("FilterSpeedButton")->isEnabled());
}

TEST_F(MainFormTest, UnreadablePriceListEndsTheProgram) {
  std::ofstream(dir_.File("price.DBF")) << "this is not a table";
  TMainForm& form = Start();
  // One box: the tree's refill does not open the file again.
  ASSERT_EQ(1u, prompts_.shown.size());
  EXPECT_THAT(prompts_.shown[0], StartsWith("Error: Ошибка открытия прайс-листа:\r"));
  EXPECT_GT(prompts_.shown[0].size(), std::string("Error: Ошибка открытия прайс-листа:\r").size());
  EXPECT_TRUE(form.QuitRequested());
  EXPECT_FALSE(form.PriceTable().Active());
}

// Boxes that run their own event loop, as modal boxes do, and report what
// they showed on stderr.
class LoopingPrompts : public testing::FakeUserPrompts {
 public:
  void Error(std::string_view text) override {
    FakeUserPrompts::Error(text);
    Loop();
  }
  void ShowException(std::string_view message) override {
    FakeUserPrompts::ShowException(message);
    Loop();
  }

 private:
  void Loop() {
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
    std::fprintf(stderr, "[box %zu] %s\n", shown.size(), shown.back().c_str());
  }
};

// As the user sees it: the program's process ends after its one error box.
TEST_F(MainFormTest, UnreadablePriceListEndsTheProcessAfterOneBox) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::ofstream(dir_.File("price.DBF")) << "this is not a table";
  EXPECT_EXIT(
      {
        LoopingPrompts prompts;
        TMainForm form(prompts, Ini());
        form.show();
        // Should the loop run after all, the process ends otherwise.
        QTimer::singleShot(3000, [] { std::_Exit(3); });
        std::fprintf(stderr, "[boxes] %zu\n", prompts.shown.size());
        const int code = RunMessageLoop(form);
        std::fflush(nullptr);
        std::_Exit(code);  // the exit code as main would return it
      },
      ::testing::ExitedWithCode(1), "\\[box 1\\] Error: .*\\[boxes\\] 1");
}

TEST_F(MainFormTest, TitleShowsPriceListTimeAndOmitsMidnight) {
  struct Case {
    LocalDateTime time;
    const char* title;
  };
  const Case kCases[] = {
      {{2009, 3, 5, 0, 0, 0}, "ООО Бриолан. Прайслист от 05.03.2009"},
      {{2009, 3, 5, 14, 22, 10}, "ООО Бриолан. Прайслист от 05.03.2009 14:22:10"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.title);
    testing::WritePriceTable(dir_.File("price.DBF"), {{.name = "A"}});
    testing::SetFileTime(dir_.File("price.DBF"), ToTimeT(c.time));
    TMainForm& form = Start();
    EXPECT_EQ(QString::fromUtf8(c.title), form.windowTitle());
    EXPECT_EQ(form.windowTitle(), form.ApplicationTitle());
    form_.reset();
  }
}

TEST_F(MainFormTest, PriceListTimeIsRestoredAfterQuantitiesWereWritten) {
  testing::WritePriceTable(dir_.File("price.DBF"), {{.name = "A"}, {.name = "B"}});
  const std::time_t opened = ToTimeT({2020, 1, 2, 3, 4, 6});
  testing::SetFileTime(dir_.File("price.DBF"), opened);
  TMainForm& form = Start();
  dbf::TTableDataSet& table = form.PriceTable();
  table.First();
  table.Edit();
  table.FieldByName("QUANT").SetAsInteger(3);
  table.Post();
  form_.reset();
  EXPECT_THAT(testing::ReadQuantities(dir_.File("price.DBF")), ElementsAre(3, 0));
  EXPECT_EQ(opened, testing::FileTime(dir_.File("price.DBF")));
}

TEST_F(MainFormTest, OrderPriceSwitchPostsAndMovesToFirstRow) {
  testing::WritePriceTable(
      dir_.File("price.DBF"),
      {{.name = "A"}, {.name = "B", .quant = 1}, {.name = "C"}, {.name = "D", .quant = 4}});
  TMainForm& form = Start();
  QAbstractItemModelTester tester(&Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  dbf::TTableDataSet& table = form.PriceTable();
  EXPECT_EQ(4, Model().rowCount());
  // A quantity being typed in row C when the switch is pressed.
  table.First();
  table.Next();
  table.Next();
  table.Edit();
  table.FieldByName("QUANT").SetAsInteger(5);

  QToolButton* toggle = Button("FilterSpeedButton");
  EXPECT_EQ(QStringLiteral("Заказ"), toggle->text());
  EXPECT_FALSE(Button("SpeedButton1")->isEnabled());
  QTest::mouseClick(toggle, Qt::LeftButton);
  EXPECT_EQ(vmOrder, form.ViewMode());
  EXPECT_EQ(QStringLiteral("Прайс"), toggle->text());
  EXPECT_TRUE(Button("SpeedButton1")->isEnabled());
  EXPECT_EQ(3, Model().rowCount());
  EXPECT_EQ(0, Model().CurrentRow());
  EXPECT_EQ("B", table.FieldByName("NAME").AsString());
  EXPECT_EQ(QStringLiteral("5"), Model().index(1, kQuantColumn).data().toString());

  QTest::mouseClick(toggle, Qt::LeftButton);
  EXPECT_EQ(vmPrice, form.ViewMode());
  EXPECT_EQ(QStringLiteral("Заказ"), toggle->text());
  EXPECT_FALSE(Button("SpeedButton1")->isEnabled());
  EXPECT_EQ(4, Model().rowCount());
  EXPECT_EQ(0, Model().CurrentRow());
  form_.reset();
  EXPECT_THAT(testing::ReadQuantities(dir_.File("price.DBF")), ElementsAre(0, 1, 5, 4));
}

TEST_F(MainFormTest, RowColoursFollowExpiryAndVitalDrugFlag) {
  const LocalDateTime today = ToLocalDateTime(std::time(nullptr));
  auto after = [&](int days) {
    return FormatDate(ToLocalDateTime(ToTimeT(today) + static_cast<std::time_t>(days) * 86400 +
                                      3600 * 12 -
                                      (today.hour * 3600 + today.minute * 60 + today.second)));
  };
  struct Case {
    std::string srok;
    int flag;
    QColor expected;
    const char* why;
  };
  const std::vector<Case> kCases = {
      {after(180), 0, QColor(), "180 days"},
      {after(179), 0, QColor(Qt::red), "179 days"},
      {after(-1), 0, QColor(Qt::red), "yesterday"},
      {"", 0, QColor(), "empty"},
      {"31.02.2026", 0, QColor(), "not a date"},
      {after(400), 1, QColor(Qt::blue), "vital drug"},
      {after(5), 1, QColor(Qt::blue), "vital drug, short expiry"},
  };
  std::vector<PriceRow> rows;
  for (const auto& c : kCases) rows.push_back({.name = c.why, .srok = c.srok, .flag = c.flag});
  testing::WritePriceTable(dir_.File("price.DBF"), rows);
  Start();
  ASSERT_EQ(static_cast<int>(kCases.size()), Model().rowCount());
  for (int r = 0; r < Model().rowCount(); ++r) {
    SCOPED_TRACE(kCases[r].why);
    for (int c = 0; c < Model().columnCount(); ++c) {
      EXPECT_EQ(kCases[r].expected, Model().index(r, c).data(Qt::ForegroundRole).value<QColor>());
    }
  }
}

TEST_F(MainFormTest, GridShowsColumnsFormatsAndFooterSumsOfShownRows) {
  testing::WritePriceTable(dir_.File("price.DBF"),
                           {
                               {.name = "ASPIRIN", .price = 12.5, .quant = 2},
                               {.name = "ANALGIN", .price = 3.1, .quant = 3},
                               {.name = "VITAMIN", .price = 100},
                               {.name = "ASCORBIN", .price = 0.25, .quant = 1},
                           });
  TMainForm& form = Start();
  DataSetModel& model = Model();
  EXPECT_EQ(10, model.columnCount());
  DbGrid* grid = Find<DbGrid>("DBGrid");
  EXPECT_TRUE(grid->isColumnHidden(9));
  EXPECT_EQ(QStringLiteral("Заказ|Кол-во"),
            model.headerData(kQuantColumn, Qt::Horizontal).toString());
  EXPECT_EQ(QStringLiteral("Наименование"), model.headerData(0, Qt::Horizontal).toString());
  EXPECT_EQ(QStringLiteral("12,5"), model.index(0, 3).data().toString());
  EXPECT_EQ(QStringLiteral("25"), model.index(0, kSummaColumn).data().toString());
  EXPECT_EQ(QStringLiteral(" "), model.index(2, kQuantColumn).data().toString());
  EXPECT_EQ(QStringLiteral("0"), model.index(2, kSummaColumn).data().toString());
  EXPECT_EQ(QColor(166, 202, 240),
            model.index(0, kQuantColumn).data(Qt::BackgroundRole).value<QColor>());

  EXPECT_EQ(QStringLiteral("Итого"), model.FooterText(0));
  EXPECT_EQ(QStringLiteral("6"), model.FooterText(kQuantColumn));
  EXPECT_EQ(QStringLiteral("34,55"), model.FooterText(kSummaColumn));

  // A name filter: the sums of the matching rows only.
  Find<QLineEdit>("poisk")->setText(QStringLiteral("AS"));
  form.seekbotClick();
  EXPECT_EQ(QStringLiteral("Отключить"), Find<QLabel>("seekbot")->text());
  EXPECT_EQ(2, model.rowCount());
  EXPECT_EQ(QStringLiteral("3"), model.FooterText(kQuantColumn));
  EXPECT_EQ(QStringLiteral("25,25"), model.FooterText(kSummaColumn));

  // A posted change is followed at once.
  dbf::TTableDataSet& table = form.PriceTable();
  table.First();
  table.Edit();
  table.FieldByName("QUANT").SetAsInteger(4);
  table.Post();
  EXPECT_EQ(QStringLiteral("5"), model.FooterText(kQuantColumn));
  EXPECT_EQ(QStringLiteral("50,25"), model.FooterText(kSummaColumn));

  form.seekbotClick();
  EXPECT_EQ(QStringLiteral("Отбор "), Find<QLabel>("seekbot")->text());
  EXPECT_EQ(4, model.rowCount());
  EXPECT_EQ(QStringLiteral("8"), model.FooterText(kQuantColumn));
}

TEST_F(MainFormTest, TreeListsPriceListAndOrdersAndSetsButtons) {
  testing::WritePriceTable(dir_.File("price.DBF"), {{.name = "A"}, {.name = "B"}});
  MakeDemand({"1234D6B3.DBF", "0001AAAA.DBF"});
  Start();
  EXPECT_THAT(TreeTexts(), ElementsAre("price.dbf", "0001AAAA.DBF", "1234D6B3.DBF"));
  EXPECT_EQ(Tree()->topLevelItem(0), Tree()->currentItem());
  EXPECT_EQ(2, Model().rowCount());
  struct Expect {
    const char* button;
    bool on_price;
  };
  const Expect kStates[] = {{"SaveButton", true},
                            {"SpeedButton2", true},
                            {"DeleteButton3", false},
                            {"SpeedButton1", false},
                            {"ButtonCom", false}};
  for (const auto& e : kStates) {
    SCOPED_TRACE(e.button);
    EXPECT_EQ(e.on_price, Button(e.button)->isEnabled());
  }
  Tree()->setCurrentItem(Tree()->topLevelItem(2));
  EXPECT_EQ(1, Model().rowCount());
  EXPECT_EQ(QStringLiteral("ORDERED"), Model().index(0, 0).data().toString());
  for (const auto& e : kStates) {
    SCOPED_TRACE(e.button);
    EXPECT_EQ(!e.on_price, Button(e.button)->isEnabled());
  }
  Tree()->setCurrentItem(Tree()->topLevelItem(0));
  EXPECT_EQ(2, Model().rowCount());
  for (const auto& e : kStates) {
    SCOPED_TRACE(e.button);
    EXPECT_EQ(e.on_price, Button(e.button)->isEnabled());
  }
}

TEST_F(MainFormTest, ExitKeepsTheCommentAndTheCloseBoxDoesNot) {
  testing::WritePriceTable(dir_.File("price.DBF"), {{.name = "A"}});
  {
    TMainForm& form = Start();
    form.show();
    Find<QLineEdit>("Coment")->setText(QStringLiteral("до обеда"));
    QTest::mouseClick(Button("ExitButton"), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    form_.reset();
  }
  EXPECT_EQ("до обеда", IniFile(Ini()).ReadString("Main", "Comment", ""));
  {
    TMainForm& form = Start();
    EXPECT_EQ(QStringLiteral("до обеда"), Find<QLineEdit>("Coment")->text());
    form.show();
    Find<QLineEdit>("Coment")->setText(QStringLiteral("другой"));
    form.close();
    form_.reset();
  }
  EXPECT_EQ("до обеда", IniFile(Ini()).ReadString("Main", "Comment", ""));
}

TEST_F(MainFormTest, ButtonsAtStart) {
  testing::WritePriceTable(dir_.File("price.DBF"), {{.name = "A"}});
  Start();
  struct Expect {
    const char* name;
    const char* caption;
    const char* hint;
  };
  const Expect kButtons[] = {
      {"FilterSpeedButton", "Заказ", ""},
      {"SpeedButton1", "Печать", "Печать (Ctrl+P)"},
      {"NaklButton", "Накладные", ""},
      {"ArchiveSpeedButton", "Архив", ""},
      {"SaveButton", "Сохранить", "Сохранить (Ctrl+S)"},
      {"SpeedButton2", "Очистить", "Очистить количество в строках"},
      {"DeleteButton3", "Удалить", "Удалить сохраненную заявку"},
      {"NastrButton", "Настройки", ""},
      {"ButtonSvyz", "Подключение", ""},
      {"ExitButton", "Выход", "Выход"},
      {"ButtonCom", "   Комментарий  к  заказу     ", ""},
      {"HelpBut", "Описание", "Описание (F1)"},
  };
  for (const auto& b : kButtons) {
    SCOPED_TRACE(b.name);
    EXPECT_EQ(QString::fromUtf8(b.caption), Button(b.name)->text());
    EXPECT_EQ(QString::fromUtf8(b.hint), Button(b.name)->toolTip());
  }
  EXPECT_FALSE(Button("ButtonCom")->isEnabled());
  EXPECT_FALSE(Button("NaklButton")->isChecked());
  EXPECT_FALSE(Button("ArchiveSpeedButton")->isChecked());
  EXPECT_EQ(257, Find<QLineEdit>("Coment")->width());
  EXPECT_EQ(144, Tree()->width());

  // The two toggles: at most one down.
  QTest::mouseClick(Button("NaklButton"), Qt::LeftButton);
  QTest::mouseClick(Button("ArchiveSpeedButton"), Qt::LeftButton);
  EXPECT_FALSE(Button("NaklButton")->isChecked());
  EXPECT_TRUE(Button("ArchiveSpeedButton")->isChecked());
  QTest::mouseClick(Button("ArchiveSpeedButton"), Qt::LeftButton);
  EXPECT_FALSE(Button("ArchiveSpeedButton")->isChecked());
}

TEST_F(MainFormTest, HelpWindowShowsHelpRtfReadOnly) {
  testing::WritePriceTable(dir_.File("price.DBF"), {{.name = "A"}});
  TMainForm& form = Start();
  THelpForm help;
  form.SetHelpForm(&help);
  std::ofstream(dir_.File("HELP.RTF"))
      << R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\b \'cf\'ee\'ec\'ee\'f9\'fc\b0\par text})";
  QTimer::singleShot(0, &help, [&help] {
    EXPECT_EQ(QStringLiteral("Помощь\ntext"), help.TextView()->toPlainText());
    EXPECT_TRUE(help.TextView()->isReadOnly());
    help.reject();
  });
  QTest::mouseClick(Button("HelpBut"), Qt::LeftButton);
  EXPECT_EQ(QStringLiteral("КРАТКАЯ ИНСТРУКЦИЯ ПО РАБОТЕ С ПРОГРАММОЙ"), help.windowTitle());

  // Without one in the working directory: the shipped help, in its order,
  // and without any a line that says so.
  fs::remove(dir_.File("HELP.RTF"));
  fs::create_directories(dir_.Path() / "usr" / "exe");
  std::ofstream(dir_.File("usr/help.rtf")) << R"({\rtf1\ansi shipped})";
  std::ofstream(dir_.File("usr/exe/help.rtf")) << R"({\rtf1\ansi beside})";
  const QString shipped = QString::fromStdString(dir_.File("usr/help.rtf"));
  const QString beside = QString::fromStdString(dir_.File("usr/exe/help.rtf"));
  const QString missing = QString::fromStdString(dir_.File("none/help.rtf"));
  struct Case {
    QStringList files;
    const char* text;
  };
  const Case kCases[] = {
      {{shipped, beside}, "shipped"},
      {{missing, beside}, "beside"},
      {{missing}, "Файл справки help.rtf не найден"},
      {{}, "Файл справки help.rtf не найден"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    help.SetShippedHelpFiles(c.files);
    help.FormShow();
    EXPECT_EQ(QString::fromUtf8(c.text), help.TextView()->toPlainText());
  }
  // The working directory's help comes first again once it is back.
  std::ofstream(dir_.File("help.rtf")) << R"({\rtf1\ansi own})";
  help.SetShippedHelpFiles({shipped});
  help.FormShow();
  EXPECT_EQ(QStringLiteral("own"), help.TextView()->toPlainText());
}

TEST_F(MainFormTest, PaintsTheSamplePriceList) {
  dbf::TSampleOptions options;
  options.rows = 200;
  dbf::WriteSamplePriceList(dir_.File("price.DBF"), options);
  MakeDemand({"1234D6B3.DBF", "1234E01A.DBF"});
  TMainForm& form = Start();
  EXPECT_TRUE(prompts_.shown.empty());
  form.setWindowState(Qt::WindowNoState);
  form.resize(1200, 640);
  form.show();
  QApplication::processEvents();
  Find<DbGrid>("DBGrid")->grab();  // the first paint asks for the sums
  QApplication::processEvents();
  const QPixmap image = form.grab();
  ASSERT_FALSE(image.isNull());
  EXPECT_FALSE(Model().FooterText(kSummaColumn).isEmpty());
}

}  // namespace
}  // namespace zakaz
