// What a screen reader finds in the program's windows: every control shown
// has a name, read through Qt's accessibility interfaces as the bus gets it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "grid/form_connect.h"
#include "settings/nastroyki.h"
#include "support/fake_user_prompts.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

using ::testing::IsEmpty;

// Roles that are only there to hold or show other things; everything else
// the user can reach or read is a control and needs a name.
bool HoldsOnly(QAccessible::Role role) {
  switch (role) {
    case QAccessible::Client:
    case QAccessible::Pane:
    case QAccessible::LayeredPane:
    case QAccessible::Grouping:
    case QAccessible::Separator:
    case QAccessible::StaticText:
    case QAccessible::Graphic:
      return true;
    default:
      return false;
  }
}

// Rows, cells and headers of a list, tree or table are named by their data.
bool ItemView(QAccessible::Role role) {
  return role == QAccessible::Table || role == QAccessible::Tree || role == QAccessible::List ||
         role == QAccessible::TreeItem;
}

std::string Describe(QAccessibleInterface* node) {
  QObject* object = node->object();
  std::string text = object != nullptr ? object->metaObject()->className() : "?";
  if (object != nullptr && !object->objectName().isEmpty())
    text += " " + object->objectName().toStdString();
  return text + " (role " + std::to_string(node->role()) + ")";
}

struct Walk {
  std::vector<std::string> unnamed;
  std::vector<std::string> named;
};

void Collect(QAccessibleInterface* node, Walk& walk) {
  for (int i = 0; i < node->childCount(); ++i) {
    QAccessibleInterface* child = node->child(i);
    if (child == nullptr || child->state().invisible) continue;
    if (!HoldsOnly(child->role())) {
      if (child->text(QAccessible::Name).trimmed().isEmpty()) {
        walk.unnamed.push_back(Describe(child));
      } else {
        walk.named.push_back(child->text(QAccessible::Name).toStdString());
      }
    }
    if (!ItemView(child->role())) Collect(child, walk);
  }
}

// The controls of `window` (shown) that a screen reader would read without
// a name. `least` guards the walk itself: it must have reached at least
// that many controls.
std::vector<std::string> UnnamedControls(QWidget& window, size_t least) {
  window.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&window);
  EXPECT_NE(nullptr, root);
  Walk walk;
  if (root != nullptr) Collect(root, walk);
  EXPECT_GE(walk.named.size() + walk.unnamed.size(), least);
  return walk.unnamed;
}

struct Named {
  const char* object;
  const char* name;
};

// Each control of `window` reads as its name.
void ExpectNames(const QWidget& window, const std::vector<Named>& controls) {
  for (const auto& c : controls) {
    SCOPED_TRACE(c.object);
    QWidget* widget = window.findChild<QWidget*>(c.object);
    ASSERT_NE(nullptr, widget);
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(nullptr, node);
    EXPECT_EQ(QString::fromUtf8(c.name), node->text(QAccessible::Name));
  }
}

class AccessibilityTest : public ::testing::Test {
 protected:
  AccessibilityTest() : cwd_(dir_.Path()) {
    testing::WritePriceTable(dir_.File("price.DBF"), {{.name = "ASPIRIN"}, {.name = "BROMHEXIN"}});
  }

  zakaz::testing::TempDir dir_;
  testing::WorkingDirectory cwd_;
  testing::FakeUserPrompts prompts_;
};

TEST_F(AccessibilityTest, EveryControlOfTheMainWindowHasAName) {
  TMainForm form(prompts_, dir_.File("param.Ini"));
  EXPECT_THAT(UnnamedControls(form, 20), IsEmpty());
  ExpectNames(form, {
                        {"Coment", "Комментарий к заказу"},
                        {"poisk", "Отбор по наименованию"},
                        {"TreeView2", "Заказы"},
                        {"DBGrid", "Прайс-лист"},
                        {"ToolBar", "Команды"},
                        {"ToolBar2", "Комментарий"},
                    });
}

TEST_F(AccessibilityTest, EverySettingsFieldIsNamedAfterItsLabel) {
  TNastroyki settings(dir_.File("param.Ini"), prompts_);
  EXPECT_THAT(UnnamedControls(settings, 9), IsEmpty());
  ExpectNames(settings, {
                            {"EditPrice", "Каталог прайса"},
                            {"EditZayav", "Каталог заявок"},
                            {"EditNakl", "Каталог накладных"},
                            {"EditUrl", "Адрес сервера поставщика"},
                            {"Clcode", "Код клиента"},
                            {"Clname", "Наименование клиента"},
                            {"PassivCheck", "Пассивный режим подключения"},
                        });
}

TEST_F(AccessibilityTest, EveryControlOfTheConnectionWindowHasAName) {
  TNastroyki settings(dir_.File("param.Ini"), prompts_);
  TFormConnect form(settings, prompts_, dir_.Path());
  EXPECT_THAT(UnnamedControls(form, 6), IsEmpty());
  // Each status message becomes the status line's text on the bus.
  auto* status = form.findChild<QStatusBar*>("StatusBar1");
  ASSERT_NE(nullptr, status);
  for (const char* message : {"Соединение с сервером", "Передача файла"}) {
    status->showMessage(QString::fromUtf8(message));
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(status);
    ASSERT_NE(nullptr, node);
    EXPECT_EQ(QString::fromUtf8(message), node->text(QAccessible::Description));
  }
}

}  // namespace
}  // namespace zakaz
