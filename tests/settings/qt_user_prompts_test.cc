#include "settings/qt_user_prompts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

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

namespace zakaz {
namespace {

// Qt's Russian translations (loaded by the program for Qt's own dialogs)
// change no text of the program's boxes: captions and buttons stay.
TEST(QtUserPrompts, BoxesKeepTheirTextsUnderQtsRussianTranslation) {
  QTranslator russian;
  if (!russian.load(QStringLiteral("qtbase_ru"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    GTEST_SKIP() << "Qt's Russian translations are not installed (qt6-translations-l10n)";
  }
  QCoreApplication::installTranslator(&russian);
  // The translation is in force: Qt's own text for the button is Russian.
  ASSERT_NE(QStringLiteral("Cancel"), QCoreApplication::translate("QPlatformTheme", "Cancel"));
  QtUserPrompts prompts;
  struct Case {
    const char* caption;
    std::function<void()> show;
    std::vector<const char*> buttons;
  };
  const Case kCases[] = {
      {"Confirm", [&] { prompts.Confirm("Очистить заказ?"); }, {"&Yes", "&No", "Cancel"}},
      {"Warning", [&] { prompts.Warning("Не найден прайс-лист!"); }, {"OK"}},
      {"Error", [&] { prompts.Error("Ошибка"); }, {"OK"}},
      {"Information", [&] { prompts.Information("Архив заявок пуст!"); }, {"OK"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.caption);
    QString title;
    std::vector<std::string> buttons;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) {
        ADD_FAILURE() << "no message box";
        return;
      }
      title = box->windowTitle();
      for (QAbstractButton* button : box->buttons())
        buttons.push_back(button->text().toStdString());
      std::sort(buttons.begin(), buttons.end());
      box->buttons().front()->click();
    });
    c.show();
    std::vector<std::string> expected(c.buttons.begin(), c.buttons.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(QString::fromLatin1(c.caption), title);
    EXPECT_EQ(expected, buttons);
  }
  QCoreApplication::removeTranslator(&russian);
}

}  // namespace
}  // namespace zakaz
