// The main window from the keyboard: real key events on the shown window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <memory>

#include "app/main_form.h"
#include "support/fake_user_prompts.h"
#include "support/find_child.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;

constexpr int kNameColumn = 0;
constexpr int kQuantColumn = 7;

class MainFormKeysTest : public ::testing::Test {
 protected:
  MainFormKeysTest() : cwd_(dir_.Path()) {}

  void WritePriceList() {
    testing::WritePriceTable(dir_.File("price.DBF"), {{.name = "ASPIRIN", .kol = 10},
                                                      {.name = "BROMHEXIN", .kol = 10},
                                                      {.name = "ASCORUTIN", .kol = 10}});
  }

  TMainForm& Show() {
    form_ = std::make_unique<TMainForm>(prompts_, dir_.File("param.Ini"));
    form_->show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    return *form_;
  }

  template <typename T>
  T* Find(const char* name) const {
    return testing::FindChild<T>(*form_, name);
  }
  QAbstractItemView* Grid() const { return Find<QAbstractItemView>("DBGrid"); }
  QLineEdit* Poisk() const { return Find<QLineEdit>("poisk"); }
  QWidget* Focus() const { return QApplication::focusWidget(); }
  bool FocusInGrid() const { return Focus() == Grid() || Grid()->isAncestorOf(Focus()); }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Focus(), static_cast<Qt::Key>(key), modifiers);
  }
  void Type(const char* text) { QTest::keyClicks(Focus(), QString::fromLatin1(text)); }

  zakaz::testing::TempDir dir_;
  testing::WorkingDirectory cwd_;
  testing::FakeUserPrompts prompts_;
  std::unique_ptr<TMainForm> form_;
};

TEST_F(MainFormKeysTest, StartsInTheGridOnTheFirstRowsName) {
  WritePriceList();
  Show();
  EXPECT_EQ(Grid(), Focus());
  EXPECT_EQ(0, Grid()->currentIndex().row());
  EXPECT_EQ(kNameColumn, Grid()->currentIndex().column());
  // The first digit typed is a quantity in the first row.
  Type("4");
  Key(Qt::Key_Return);
  EXPECT_EQ(QStringLiteral("4"), Grid()->model()->index(0, kQuantColumn).data().toString());
}

TEST_F(MainFormKeysTest, StartsInTheTreeWithoutAPriceList) {
  fs::create_directory(dir_.Path() / "demand");
  testing::WritePriceTable(dir_.File("demand/0001AAAA.DBF"), {{.name = "X", .quant = 1}});
  Show();
  EXPECT_EQ(Find<QTreeWidget>("TreeView2"), Focus());
}

TEST_F(MainFormKeysTest, TooltipsNameTheShortcuts) {
  WritePriceList();
  Show();
  struct Case {
    const char* button;
    const char* tooltip;
  };
  const Case kCases[] = {
      {"SaveButton", "Сохранить (Ctrl+S)"},
      {"SpeedButton1", "Печать (Ctrl+P)"},
      {"HelpBut", "Описание (F1)"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.button);
    EXPECT_EQ(QString::fromUtf8(c.tooltip), Find<QToolButton>(c.button)->toolTip());
  }
  EXPECT_EQ(QStringLiteral("Отбор по наименованию (Ctrl+F)"), Poisk()->toolTip());
}

TEST_F(MainFormKeysTest, ShortcutsPressTheirButtonsOnlyWhenEnabled) {
  WritePriceList();
  Show();
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* button;
    bool enabled;
  };
  const Case kCases[] = {
      {Qt::Key_S, Qt::ControlModifier, "SaveButton", true},
      {Qt::Key_F1, Qt::NoModifier, "HelpBut", true},
      {Qt::Key_P, Qt::ControlModifier, "SpeedButton1", false},  // off in the price view
      {Qt::Key_P, Qt::ControlModifier, "SpeedButton1", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.button) + (c.enabled ? " on" : " off"));
    auto* button = Find<QToolButton>(c.button);
    button->setEnabled(c.enabled);
    QSignalSpy clicked(button, &QToolButton::clicked);
    Key(c.key, c.modifiers);
    EXPECT_EQ(c.enabled ? 1 : 0, clicked.count());
  }
}

TEST_F(MainFormKeysTest, SaveKeyStoresTheQuantityInTheEditor) {
  WritePriceList();
  fs::create_directory(dir_.Path() / "demand");
  Show();
  Type("3");  // the editor is still open
  Key(Qt::Key_S, Qt::ControlModifier);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir_.Path() / "demand")) {
    ++files;
    EXPECT_EQ(std::vector<int>{3}, testing::ReadQuantities(entry.path().string()));
  }
  EXPECT_EQ(1, files);
}

TEST_F(MainFormKeysTest, FindKeyFiltersByNameAndReturnsToTheGrid) {
  WritePriceList();
  Show();
  auto* seekbot = Find<QLabel>("seekbot");
  Key(Qt::Key_F, Qt::ControlModifier);
  ASSERT_EQ(Poisk(), Focus());
  Type("ASP");
  Key(Qt::Key_Return);
  EXPECT_TRUE(FocusInGrid());
  EXPECT_EQ(QStringLiteral("Отключить"), seekbot->text());
  EXPECT_EQ(1, Grid()->model()->rowCount());
  EXPECT_EQ(QStringLiteral("ASP"), Poisk()->text());

  // Enter with the filter on applies the new text, not a switch off.
  Key(Qt::Key_F, Qt::ControlModifier);
  ASSERT_EQ(Poisk(), Focus());
  EXPECT_EQ(QStringLiteral("ASP"), Poisk()->selectedText());
  Type("AS");
  Key(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(FocusInGrid());
  EXPECT_EQ(QStringLiteral("Отключить"), seekbot->text());
  EXPECT_EQ(2, Grid()->model()->rowCount());

  // Escape ends the filter and empties the box.
  Key(Qt::Key_F, Qt::ControlModifier);
  Key(Qt::Key_Escape);
  EXPECT_TRUE(FocusInGrid());
  EXPECT_EQ(QStringLiteral("Отбор "), seekbot->text());
  EXPECT_EQ(QString(), Poisk()->text());
  EXPECT_EQ(3, Grid()->model()->rowCount());

  // Enter in an empty box with the filter off only returns.
  Key(Qt::Key_F, Qt::ControlModifier);
  Key(Qt::Key_Return);
  EXPECT_TRUE(FocusInGrid());
  EXPECT_EQ(QStringLiteral("Отбор "), seekbot->text());
  EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(MainFormKeysTest, ControlTabLeavesTheGridBothWays) {
  WritePriceList();
  Show();
  // Tab stays in the grid, moving between cells.
  Key(Qt::Key_Tab);
  EXPECT_EQ(Grid(), Focus());
  EXPECT_EQ(kNameColumn + 1, Grid()->currentIndex().column());

  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Find<QTreeWidget>("TreeView2"), Focus());
  Grid()->setFocus();
  Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Poisk(), Focus());
  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Grid(), Focus());

  // From an open quantity editor: the quantity is committed on the way out.
  Type("2");
  ASSERT_NE(Grid(), Focus());
  ASSERT_TRUE(FocusInGrid());
  Key(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Find<QTreeWidget>("TreeView2"), Focus());
  EXPECT_EQ(QStringLiteral("2"), Grid()->model()->index(0, kQuantColumn).data().toString());
}

}  // namespace
}  // namespace zakaz
