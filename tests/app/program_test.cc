// What every window of the program shares: its icon and Qt's Russian texts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <memory>
#include <vector>

#include "app/application.h"
#include "app/help_form.h"
#include "app/main_form.h"
#include "app/program_icon.h"
#include "grid/form_connect.h"
#include "grid/list_form.h"
#include "settings/nastroyki.h"
#include "support/fake_user_prompts.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

TEST(ProgramIcon, IsThePackagesDrawingInEverySize) {
  const QIcon icon = ProgramIcon();
  ASSERT_FALSE(icon.isNull());
  const QImage image = icon.pixmap(64, 64).toImage();
  ASSERT_EQ(QSize(64, 64), image.size());
  struct Case {
    QPoint at;
    QColor colour;
  };
  const Case kCases[] = {
      {{52, 54}, QColor(0x2e, 0x8b, 0x3a)},  // the green circle
      {{46, 52}, Qt::white},                 // its plus
      {{30, 15}, QColor(0x1f, 0x4e, 0x8c)},  // the heading line
      {{2, 2}, Qt::transparent},             // outside the sheet
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.colour.name().toStdString());
    EXPECT_EQ(c.colour.rgba(), image.pixelColor(c.at).rgba());
  }
  EXPECT_EQ(QSize(16, 16), icon.actualSize(QSize(16, 16)));
  EXPECT_EQ(QSize(128, 128), icon.actualSize(QSize(128, 128)));
}

TEST(ProgramIcon, EveryWindowCarriesIt) {
  testing::TempDir dir;
  testing::WorkingDirectory cwd(dir.Path());
  testing::WritePriceTable(dir.File("price.DBF"), {{.name = "A"}});
  testing::FakeUserPrompts prompts;
  SetProgramIcon();
  const QImage expected = ProgramIcon().pixmap(32, 32).toImage();

  TMainForm main_form(prompts, dir.File("param.Ini"));
  TListForm archive(kArchiveBrowser, prompts);
  TNastroyki settings(dir.File("param.Ini"), prompts);
  TFormConnect connect_form(settings, prompts, dir.Path());
  TNaklForm waybills(kWaybillBrowser, prompts);
  THelpForm help;
  for (QWidget* window :
       std::vector<QWidget*>{&main_form, &archive, &settings, &connect_form, &waybills, &help}) {
    SCOPED_TRACE(window->objectName().toStdString());
    EXPECT_EQ(expected, window->windowIcon().pixmap(32, 32).toImage());
  }
  QApplication::setWindowIcon(QIcon());
}

TEST(QtTranslations, QtsOwnDialogsSpeakRussian) {
  if (!LoadQtTranslations()) {
    GTEST_SKIP() << "Qt's Russian translations are not installed (qt6-translations-l10n)";
  }
  // Texts of Qt's own dialogs: the file chooser's and the standard buttons.
  EXPECT_EQ(QStringLiteral("Отмена"), QCoreApplication::translate("QPlatformTheme", "Cancel"));
  EXPECT_NE(QStringLiteral("Look in:"), QCoreApplication::translate("QFileDialog", "Look in:"));
}

}  // namespace
}  // namespace zakaz
