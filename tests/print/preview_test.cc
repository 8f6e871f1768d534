// "Печать" in the main window and the preview window it opens: the title of
// the last mode change in the band, the cursor back on its row, the
// toolbar's states, paging, PDF and the print-settings dialog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>

#include "app/main_form.h"
#include "grid/data_set_model.h"
#include "print/page_view.h"
#include "print/preview_form.h"
#include "print/print_fixture.h"

namespace zakaz::testing {
namespace {

using ::testing::HasSubstr;

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_.Path() / "demand");
    std::vector<PriceRow> price;
    for (int i = 1; i <= 5; ++i)
      price.push_back({.name = "Price " + std::to_string(i), .quant = i % 2});
    WritePriceTable(dir_.File("price.DBF"), price);
    std::vector<PriceRow> order;
    for (int i = 1; i <= order_rows_; ++i)
      order.push_back({.name = "Order " + std::to_string(i), .quant = 1});
    WritePriceTable(dir_.File("demand/1234D6B3.DBF"), order);
    cwd_ = std::make_unique<WorkingDirectory>(dir_.Path());
    form_ = std::make_unique<TMainForm>(prompts_, dir_.File("param.Ini"));
    form_->show();
  }
  void TearDown() override {
    form_.reset();
    cwd_.reset();
  }

  template <typename T = QToolButton>
  T* Control(QWidget* parent, const char* name) {
    T* control = parent->findChild<T*>(name);
    EXPECT_NE(nullptr, control) << name;
    return control;
  }
  void Click(QWidget* parent, const char* name) {
    QTest::mouseClick(Control<QWidget>(parent, name), Qt::LeftButton);
  }
  void SelectOrder() {
    auto* tree = Control<QTreeWidget>(form_.get(), "TreeView2");
    ASSERT_EQ(2, tree->topLevelItemCount());
    tree->setCurrentItem(tree->topLevelItem(1));
  }
  TPreviewForm* Preview() { return form_->GridPrinter().PreviewForm(); }

  // The pending order's preview, with an installed printer that prints to
  // the PDF file `name` in the test's folder; returns that file's path.
  std::string OpenPreviewPrintingTo(const char* name) {
    SelectOrder();
    TGridPrinter& printer = form_->GridPrinter();
    printer.PrinterInstalled = [] { return true; };
    const std::string pdf = dir_.File(name);
    printer.Printer().setOutputFormat(QPrinter::PdfFormat);
    printer.Printer().setOutputFileName(QString::fromStdString(pdf));
    Click(form_.get(), "SpeedButton1");
    return pdf;
  }
  QString Status() { return Control<QLabel>(Preview(), "PreviewStatus")->text(); }

  int order_rows_ = 3;
  TempDir dir_;
  FakeUserPrompts prompts_;
  std::unique_ptr<WorkingDirectory> cwd_;
  std::unique_ptr<TMainForm> form_;
};

TEST_F(PreviewTest, PrintsThePendingOrderAndReturnsToTheCurrentRow) {
  SelectOrder();
  dbf::TTableDataSet& table = form_->PriceTable();
  table.First();
  table.Next();
  const int recno = table.RecNo();
  const int grid_row = form_->GridModel()->CurrentRow();
  Click(form_.get(), "SpeedButton1");

  TPreviewForm* preview = Preview();
  ASSERT_NE(nullptr, preview);
  EXPECT_EQ(QStringLiteral("Preview"), preview->windowTitle());
  EXPECT_TRUE(preview->isVisible());
  EXPECT_TRUE(preview->isMaximized());
  EXPECT_FALSE(preview->isModal());
  EXPECT_EQ(recno, table.RecNo());
  EXPECT_EQ(grid_row, form_->GridModel()->CurrentRow());
  EXPECT_FALSE(table.ControlsDisabled());
  ASSERT_EQ(3u, form_->GridPrinter().Table().rows.size());
  EXPECT_EQ(QStringLiteral("Order 1"), form_->GridPrinter().Table().rows[0].cells[0]);

  // No printer on this machine: the pages are shown, "Print" is off, "PDF" on.
  EXPECT_EQ(QStringLiteral("Page 1 of 1"), Status());
  EXPECT_FALSE(Control(preview, "PrintButton")->isEnabled());
  EXPECT_TRUE(Control(preview, "PdfButton")->isEnabled());
  EXPECT_FALSE(Control(preview, "StopButton")->isEnabled());
  EXPECT_TRUE(Control(preview, "CloseButton")->isEnabled());
  EXPECT_FALSE(Control(preview, "PreviousButton")->isEnabled());
  EXPECT_FALSE(Control(preview, "NextButton")->isEnabled());

  // "Scale" offers the zoom steps, "Whole Page" first chosen.
  QMenu* scales = Control(preview, "ScaleButton")->menu();
  ASSERT_NE(nullptr, scales);
  QStringList texts;
  QAction* zoom200 = nullptr;
  for (QAction* action : scales->actions()) {
    texts << action->text();
    if (action->isChecked()) {
      EXPECT_EQ(QStringLiteral("Whole Page"), action->text());
    }
    if (action->text() == QStringLiteral("200%")) zoom200 = action;
  }
  EXPECT_EQ(QStringList({"500%", "200%", "150%", "100%", "75%", "50%", "25%", "10%", "Page Width",
                         "Whole Page"}),
            texts);
  auto* pages = Control<PageView>(preview, "PreviewPages");
  ASSERT_NE(nullptr, pages);
  EXPECT_EQ(QStringLiteral("Страницы печати"), pages->accessibleName());
  EXPECT_EQ(PageView::Zoom::kWholePage, pages->ZoomMode());
  ASSERT_NE(nullptr, zoom200);
  zoom200->trigger();
  EXPECT_EQ(PageView::Zoom::kFactor, pages->ZoomMode());
  EXPECT_DOUBLE_EQ(2.0, pages->ZoomFactor());

  // "Печать" again rebuilds the same window's pages.
  table.Last();
  Click(form_.get(), "SpeedButton1");
  EXPECT_EQ(preview, Preview());
  EXPECT_EQ(3, table.RecNo());

  // Escape closes it; the main window stays usable.
  preview->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(preview));
  QTest::keyClick(preview, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(nullptr, Preview());
  EXPECT_TRUE(form_->isVisible());
}

TEST_F(PreviewTest, BandShowsTheTitleOfTheLastModeChange) {
  Click(form_.get(), "FilterSpeedButton");  // vmOrder on the price list
  ASSERT_EQ(vmOrder, form_->ViewMode());
  EXPECT_EQ(form_->windowTitle(), form_->GridPrinter().PrintTitle());
  EXPECT_THAT(form_->GridPrinter().PrintTitle().toStdString(), HasSubstr("Прайслист от "));

  LocalDateTime time{};
  time.year = 2009;
  time.month = 3;
  time.day = 5;
  form_->SetShownFile("1234D6B3.DBF", time);
  form_->SetViewMode(vmArchive);
  const QString archive_title = form_->windowTitle();
  EXPECT_EQ(archive_title, form_->GridPrinter().PrintTitle());

  Click(form_.get(), "SpeedButton1");
  ASSERT_NE(nullptr, Preview());
  EXPECT_EQ(archive_title, form_->GridPrinter().Table().title);
  const std::string pdf = dir_.File("band.pdf");
  ASSERT_TRUE(form_->GridPrinter().ExportPdf(QString::fromStdString(pdf)));
  EXPECT_THAT(PdfText(pdf), HasSubstr(archive_title.toStdString()));
}

TEST_F(PreviewTest, PdfButtonWritesTheShownPages) {
  SelectOrder();
  QString offered;
  const std::string pdf = dir_.File("mail.pdf");
  form_->GridPrinter().ChoosePdfFile = [&](QWidget*, const QString& suggested) {
    offered = suggested;
    return QString::fromStdString(pdf);
  };
  Click(form_.get(), "SpeedButton1");
  ASSERT_NE(nullptr, Preview());
  Click(Preview(), "PdfButton");
  EXPECT_EQ(QStringLiteral("1234D6B3.pdf"), offered);
  const std::string text = PdfText(pdf);
  EXPECT_THAT(text, HasSubstr("Электронный заказ Лиртана"));
  EXPECT_THAT(text, HasSubstr("Order 3"));
  EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(PreviewTest, PreviewTakesTwoThirdsOfTheScreenCentredWhereNotMaximised) {
  SelectOrder();
  Click(form_.get(), "SpeedButton1");
  TPreviewForm* preview = Preview();
  ASSERT_NE(nullptr, preview);
  const QRect area = preview->screen()->availableGeometry();
  // Maximised or not, the window it falls back to is never smaller.
  const QRect normal = preview->normalGeometry();
  EXPECT_GE(normal.width() * 3, area.width() * 2);
  EXPECT_GE(normal.height() * 3, area.height() * 2);
  EXPECT_LE(std::abs(normal.center().x() - area.center().x()), 1);
  EXPECT_LE(std::abs(normal.center().y() - area.center().y()), 1);
  const QRect shown = preview->geometry();
  EXPECT_GE(shown.width() * 3, area.width() * 2);
  EXPECT_GE(shown.height() * 3, area.height() * 2);
}

class LongPreviewTest : public PreviewTest {
 protected:
  void SetUp() override {
    order_rows_ = 150;
    PreviewTest::SetUp();
  }
};

TEST_F(LongPreviewTest, PreviousAndNextFollowThePages) {
  SelectOrder();
  Click(form_.get(), "SpeedButton1");
  TPreviewForm* preview = Preview();
  ASSERT_NE(nullptr, preview);
  const int pages = preview->PageCount();
  ASSERT_GE(pages, 3);
  EXPECT_EQ(QStringLiteral("Page 1 of %1").arg(pages), Status());
  EXPECT_FALSE(Control(preview, "PreviousButton")->isEnabled());
  EXPECT_TRUE(Control(preview, "NextButton")->isEnabled());
  Click(preview, "NextButton");
  EXPECT_EQ(QStringLiteral("Page 2 of %1").arg(pages), Status());
  // The counter as a screen reader reads it.
  QAccessibleInterface* counter =
      QAccessible::queryAccessibleInterface(Control<QLabel>(preview, "PreviewStatus"));
  ASSERT_NE(nullptr, counter);
  EXPECT_EQ(QStringLiteral("Номер страницы"), counter->text(QAccessible::Name));
  EXPECT_EQ(QStringLiteral("Page 2 of %1").arg(pages), counter->text(QAccessible::Description));
  EXPECT_TRUE(Control(preview, "PreviousButton")->isEnabled());
  for (int i = 2; i < pages; ++i) Click(preview, "NextButton");
  EXPECT_EQ(QStringLiteral("Page %1 of %1").arg(pages), Status());
  EXPECT_FALSE(Control(preview, "NextButton")->isEnabled());
  Click(preview, "PreviousButton");
  EXPECT_EQ(QStringLiteral("Page %1 of %2").arg(pages - 1).arg(pages), Status());
}

TEST_F(LongPreviewTest, StopEndsARunningPrintAndCloseWaitsForIt) {
  const std::string pdf = OpenPreviewPrintingTo("printed.pdf");
  TPreviewForm* preview = Preview();
  ASSERT_NE(nullptr, preview);
  ASSERT_TRUE(Control(preview, "PrintButton")->isEnabled());
  EXPECT_FALSE(Control(preview, "StopButton")->isEnabled());

  bool stopped = false;
  QTimer::singleShot(0, [&] {
    EXPECT_TRUE(preview->Printing());
    EXPECT_TRUE(Control(preview, "StopButton")->isEnabled());
    EXPECT_FALSE(Control(preview, "CloseButton")->isEnabled());
    EXPECT_FALSE(Control(preview, "PrintButton")->isEnabled());
    preview->close();  // refused while the print runs
    EXPECT_TRUE(preview->isVisible());
    Click(preview, "StopButton");
    stopped = true;
  });
  Click(preview, "PrintButton");
  EXPECT_TRUE(stopped);
  EXPECT_FALSE(preview->Printing());
  EXPECT_TRUE(Control(preview, "CloseButton")->isEnabled());
  EXPECT_TRUE(Control(preview, "PrintButton")->isEnabled());
  // The print ended after its first page.
  EXPECT_EQ(1, PdfPages(pdf));

  // Escape stops a running print too, and leaves the window open.
  preview->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(preview));
  QTimer::singleShot(0, [&] { QTest::keyClick(preview, Qt::Key_Escape); });
  Click(preview, "PrintButton");
  EXPECT_EQ(1, PdfPages(pdf));
  EXPECT_EQ(preview, Preview());
  EXPECT_TRUE(preview->isVisible());
}

TEST_F(LongPreviewTest, PrinterSetupOkKeepsTheSettingsAndRebuildsThePages) {
  SelectOrder();
  Click(form_.get(), "SpeedButton1");
  TPreviewForm* preview = Preview();
  ASSERT_NE(nullptr, preview);
  const int pages = preview->PageCount();

  // Cancel changes nothing.
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(QStringLiteral("Printer setup"), dialog->windowTitle());
    EXPECT_EQ(2.0, Control<QDoubleSpinBox>(dialog, "MarginTop")->value());
    Control<QDoubleSpinBox>(dialog, "MarginTop")->setValue(9);
    Click(dialog, "CancelButton");
  });
  Click(preview, "SetupButton");
  EXPECT_EQ(2.0, form_->GridPrinter().Settings().margin_top);
  EXPECT_EQ(pages, preview->PageCount());

  // "&Ok" keeps the wider margins for the run, and the pages follow them.
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(nullptr, dialog);
    Control<QDoubleSpinBox>(dialog, "MarginTop")->setValue(9);
    Click(dialog, "OkButton");
  });
  Click(preview, "SetupButton");
  EXPECT_EQ(9.0, form_->GridPrinter().Settings().margin_top);
  EXPECT_GT(preview->PageCount(), pages);
}

// Closing the main window while a job runs neither ends the job nor takes
// its pages away: the job prints to its end and the window closes after it.
TEST_F(LongPreviewTest, ClosingTheMainWindowDuringAPrintClosesItAfterTheJob) {
  const std::string pdf = OpenPreviewPrintingTo("printed.pdf");
  TPreviewForm* preview = Preview();
  ASSERT_NE(nullptr, preview);
  const int pages = preview->PageCount();
  ASSERT_GT(pages, 1);
  int checks = 0;
  QTimer::singleShot(0, [&] {
    ASSERT_TRUE(form_->GridPrinter().Printing());
    form_->close();
    Click(form_.get(), "ExitButton");
    EXPECT_TRUE(form_->isVisible());
    EXPECT_TRUE(form_->GridPrinter().Printing());
    ++checks;
  });
  Click(preview, "PrintButton");
  EXPECT_EQ(1, checks);
  EXPECT_EQ(pages, PdfPages(pdf));
  QApplication::processEvents();
  EXPECT_FALSE(form_->isVisible());
  EXPECT_TRUE(prompts_.shown.empty());
}

class PrintJobTest : public PreviewTest {
 protected:
  void SetUp() override {
    order_rows_ = 7700;  // some 150 pages
    PreviewTest::SetUp();
  }
};

TEST_F(PrintJobTest, PechatDuringAPrintWaitsForTheJobAndNothingElseAnswersButStop) {
  const std::string pdf = OpenPreviewPrintingTo("printed.pdf");
  TGridPrinter& printer = form_->GridPrinter();
  TPreviewForm* preview = Preview();
  ASSERT_NE(nullptr, preview);
  const int pages = preview->PageCount();
  ASSERT_GE(pages, 150);
  auto* pechat = Control(form_.get(), "SpeedButton1");
  ASSERT_TRUE(pechat->isEnabled());

  int checks = 0;
  QTimer::singleShot(0, [&] {
    ASSERT_TRUE(printer.Printing());
    EXPECT_FALSE(pechat->isEnabled());
    for (const char* name : {"PrintButton", "SetupButton", "ScaleButton", "PreviousButton",
                             "NextButton", "CloseButton", "PdfButton"}) {
      SCOPED_TRACE(name);
      EXPECT_FALSE(Control(preview, name)->isEnabled());
    }
    EXPECT_TRUE(Control(preview, "StopButton")->isEnabled());
    // A "Печать" reaching the window all the same (a shortcut, a second
    // click queued before the button went off) leaves the job's pages alone.
    const QString printed_title = printer.Table().title;
    printer.SetPrintTitle(QStringLiteral("Новый заголовок"));
    form_->SpeedButton1Click();
    form_->SpeedButton1Click();
    preview->NextClick();
    preview->SetScale(QStringLiteral("200%"));
    EXPECT_EQ(1, preview->CurrentPage());
    EXPECT_EQ(printed_title, printer.Table().title);
    ++checks;
  });
  Click(preview, "PrintButton");
  EXPECT_EQ(1, checks);
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(pages, PdfPages(pdf));
  // The rebuild asked for during the job was made after it; the window and
  // "Печать" answer again.
  EXPECT_EQ(QStringLiteral("Новый заголовок"), printer.Table().title);
  EXPECT_EQ(preview, Preview());
  EXPECT_EQ(pages, preview->PageCount());
  EXPECT_TRUE(pechat->isEnabled());
  EXPECT_TRUE(Control(preview, "PrintButton")->isEnabled());
  EXPECT_TRUE(Control(preview, "CloseButton")->isEnabled());
  EXPECT_TRUE(prompts_.shown.empty());
}

}  // namespace
}  // namespace zakaz::testing
