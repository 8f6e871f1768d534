#include "settings/qt_user_prompts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <string>

#include "common/user_prompts.h"

namespace zakaz {
namespace {

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

// Looks at the modal box once it is up, then answers it with `answer`.
SeenBox AnswerNextBox(QMessageBox::StandardButton answer, const std::function<void()>& show) {
  SeenBox seen;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      ADD_FAILURE() << "no message box";
      return;
    }
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    box->button(answer)->click();
  });
  show();
  return seen;
}

TEST(ErrorBoxText, AddsAFullStopAfterCharactersThatSortAfterIt) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"Unable to write to /opt/zakaz/param.Ini", "Unable to write to /opt/zakaz/param.Ini."},
      {"Ошибка", "Ошибка."},
      {"Done.", "Done."},
      {"Stop!", "Stop!"},
      {"Code 7", "Code 7."},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(c.shown, ErrorBoxText(c.message));
  }
}

TEST(QtUserPrompts, ErrorBoxCarriesTheApplicationTitle) {
  QtUserPrompts prompts;
  prompts.SetApplicationTitle(QStringLiteral("ООО Бриолан"));
  const SeenBox seen = AnswerNextBox(
      QMessageBox::Ok, [&] { prompts.ShowException("Unable to write to /opt/zakaz/param.Ini"); });
  EXPECT_EQ("ООО Бриолан", seen.title);
  EXPECT_EQ("Unable to write to /opt/zakaz/param.Ini.", seen.text);
  EXPECT_EQ(QMessageBox::Critical, seen.icon);
  EXPECT_EQ(QMessageBox::Ok, seen.buttons);
}

TEST(QtUserPrompts, BoxesHaveTheirCaptions) {
  QtUserPrompts prompts;
  const struct {
    const char* caption;
    QMessageBox::Icon icon;
    std::function<void()> show;
  } cases[] = {
      {"Warning", QMessageBox::Warning, [&] { prompts.Warning("Не найден прайс-лист!"); }},
      {"Error", QMessageBox::Critical, [&] { prompts.Error("Не найден прайс-лист!"); }},
      {"Information", QMessageBox::Information,
       [&] { prompts.Information("Не найден прайс-лист!"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    const SeenBox seen = AnswerNextBox(QMessageBox::Ok, c.show);
    EXPECT_EQ(c.caption, seen.title);
    EXPECT_EQ("Не найден прайс-лист!", seen.text);
    EXPECT_EQ(c.icon, seen.icon);
  }
}

TEST(QtUserPrompts, ConfirmGoesOnOnlyOnYes) {
  QtUserPrompts prompts;
  const struct {
    QMessageBox::StandardButton answer;
    bool result;
  } cases[] = {{QMessageBox::Yes, true}, {QMessageBox::No, false}, {QMessageBox::Cancel, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    bool result = !c.result;
    const SeenBox seen =
        AnswerNextBox(c.answer, [&] { result = prompts.Confirm("Удалить заказ?"); });
    EXPECT_EQ(c.result, result);
    EXPECT_EQ("Confirm", seen.title);
    EXPECT_EQ(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, seen.buttons);
  }
}

}  // namespace
}  // namespace zakaz
