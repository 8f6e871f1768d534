// The preview's view of the pages: every page of a long order counted and
// reachable, the last one drawn on screen, the page drawn as the PDF prints
// it, the zoom choices' sizes, paging by keys, wheel and scroll bar, and a
// rebuild with fewer pages.
#include "print/page_view.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QPageLayout>
#include <QPrinter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <memory>

#include "print/page_builder.h"
#include "print/preview_form.h"
#include "print/print_fixture.h"

namespace zakaz::testing {
namespace {

// One-line rows, every 10th with a name that wraps, so pages differ in rows.
std::vector<PriceRow> Order(int count) {
  std::vector<PriceRow> rows;
  for (int i = 1; i <= count; ++i) {
    std::string name = "Item " + std::to_string(i);
    if (i % 10 == 0) name += " tablets coated with a film 875 mg plus 125 mg in blisters";
    rows.push_back({.name = name, .price = 10.0 + i % 97, .quant = 1 + i % 7});
  }
  return rows;
}

bool Ink(QRgb pixel) { return qGray(pixel) < 160; }

// The first and last lines of `rect` in `image` with ink on them; -1 when
// there is none.
std::pair<int, int> InkedLines(const QImage& image, const QRect& rect) {
  int first = -1;
  int last = -1;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      if (!Ink(image.pixel(x, y))) continue;
      if (first < 0) first = y;
      last = y;
      break;
    }
  }
  return {first, last};
}

// The share of the inked pixels of `a` inside `area` that have ink within a
// pixel of the same place in `b` (the pixel `offset` further in `b`).
double InkFoundIn(const QImage& a, const QImage& b, const QRect& area, QPoint offset) {
  int inked = 0;
  int found = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (!Ink(a.pixel(x, y))) continue;
      ++inked;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy) {
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const QPoint at = QPoint(x + dx, y + dy) + offset;
          near = b.valid(at) && Ink(b.pixel(at));
        }
      }
      found += near ? 1 : 0;
    }
  }
  return inked == 0 ? 0 : static_cast<double>(found) / inked;
}

class PageViewTest : public ::testing::Test {
 protected:
  explicit PageViewTest(int rows = 600) : fixture_(Order(rows)) {
    fixture_.Printer().Build();
    view_.resize(600, 800);
    view_.show();
    view_.SetPages(fixture_.Printer().Layout());
  }

  QImage Shown() { return view_.viewport()->grab().toImage(); }
  QSize Port() const { return view_.viewport()->size(); }
  // The paper at its size on the view's screen.
  QSizeF Paper() {
    const auto pages = fixture_.Printer().Layout();
    return QSizeF(pages->PaperSize().width() / pages->DpiX() * view_.logicalDpiY(),
                  pages->PaperSize().height() / pages->DpiY() * view_.logicalDpiY());
  }

  PrintFixture fixture_;
  PageView view_;
};

TEST_F(PageViewTest, LastPageIsReachableAndDrawnWhereItsRowsEnd) {
  const auto pages = fixture_.Printer().Layout();
  ASSERT_GE(pages->PageCount(), 10);
  EXPECT_EQ(pages->PageCount(), view_.PageCount());
  EXPECT_EQ(1, view_.CurrentPage());
  // Heights as shares of the paper's.
  const int last = pages->PageCount();
  const int last_row = pages->EndRow(last - 1) - 1;
  const double paper = pages->PaperSize().height();
  const double margin = pages->PaintOrigin().y() / paper;  // the same at the bottom
  const double rows_end = margin + pages->RowRect(last_row).bottom() * pages->GridScale() / paper;
  const double row =
      pages->RowHeights()[static_cast<size_t>(last_row)] * pages->GridScale() / paper;
  // The last page is short enough not to pass for a full one.
  ASSERT_LT(rows_end + 3 * row, 1 - margin - 3 * row);

  QTest::keyClick(&view_, Qt::Key_End);
  EXPECT_EQ(last, view_.CurrentPage());
  const QRect rect = view_.PageRect(last);
  ASSERT_TRUE(view_.viewport()->rect().contains(rect));
  const QImage shown = Shown();
  const auto [top, bottom] = InkedLines(shown, rect.adjusted(1, 1, -1, -1));
  ASSERT_GE(top, 0) << "the last page is blank";
  // The band starts at the top margin; the ink ends with the footer, a row
  // or two below the last row.
  EXPECT_NEAR(margin, double(top - rect.top()) / rect.height(), 0.01);
  const double ink_end = double(bottom - rect.top()) / rect.height();
  EXPECT_GT(ink_end, rows_end);
  EXPECT_LT(ink_end, rows_end + 3 * row);

  // The page before is full: its ink reaches the bottom margin.
  QTest::keyClick(&view_, Qt::Key_PageUp);
  EXPECT_EQ(last - 1, view_.CurrentPage());
  const QRect before = view_.PageRect(last - 1);
  const double full =
      double(InkedLines(Shown(), before.adjusted(1, 1, -1, -1)).second - before.top()) /
      before.height();
  EXPECT_GT(full, 1 - margin - 3 * row);
}

TEST_F(PageViewTest, PageLooksAsThePdfPrintsIt) {
  // At 200% the screen's pixels are those of the PDF drawn at twice the
  // screen's resolution; the top left of page 1 is in view.
  view_.SetZoomFactor(2.0);
  const std::string pdf = fixture_.PrintToPdf();
  ASSERT_FALSE(pdf.empty());
  const std::string prefix = fixture_.File("page");
  CommandOutput("pdftoppm -r " + std::to_string(2 * view_.logicalDpiY()) +
                " -f 1 -l 1 -png -singlefile '" + pdf + "' '" + prefix + "'");
  const QImage printed(QString::fromStdString(prefix + ".png"));
  ASSERT_FALSE(printed.isNull());
  const QImage shown = Shown();
  const QRect rect = view_.PageRect(1);
  EXPECT_NEAR(printed.width(), rect.width(), 1);
  const QRect seen = (rect & view_.viewport()->rect()).adjusted(1, 1, -1, -1);
  ASSERT_GT(seen.height(), 400);
  const QPoint to_printed = -rect.topLeft();
  // Text shaped for the screen instead of the printer drifts by several
  // pixels along a line; a page drawn as printed matches within a pixel.
  EXPECT_GT(InkFoundIn(shown, printed, seen, to_printed), 0.99);
  EXPECT_GT(InkFoundIn(printed, shown, seen.translated(to_printed), -to_printed), 0.99);
}

TEST_F(PageViewTest, ZoomChoicesSizeThePages) {
  struct Case {
    const char* name;
    std::function<void(PageView&)> choose;
    PageView::Zoom mode;
  };
  const std::vector<Case> cases = {
      {"whole page", [](PageView& v) { v.FitInView(); }, PageView::Zoom::kWholePage},
      {"page width", [](PageView& v) { v.FitToWidth(); }, PageView::Zoom::kPageWidth},
      {"100%", [](PageView& v) { v.SetZoomFactor(1.0); }, PageView::Zoom::kFactor},
      {"25%", [](PageView& v) { v.SetZoomFactor(0.25); }, PageView::Zoom::kFactor},
      {"500%", [](PageView& v) { v.SetZoomFactor(5.0); }, PageView::Zoom::kFactor},
  };
  view_.SetCurrentPage(3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.choose(view_);
    EXPECT_EQ(c.mode, view_.ZoomMode());
    // Zooming keeps the page the user is on.
    EXPECT_EQ(3, view_.CurrentPage());
    const QRect rect = view_.PageRect(3);
    // The page is the paper at the zoom, whichever way it was chosen.
    EXPECT_NEAR(Paper().width() * view_.ZoomFactor(), rect.width(), 1);
    EXPECT_NEAR(Paper().height() * view_.ZoomFactor(), rect.height(), 1);
    const QRect port = view_.viewport()->rect();
    switch (c.mode) {
      case PageView::Zoom::kWholePage:
        EXPECT_TRUE(port.contains(rect));
        EXPECT_GT(
            std::max(double(rect.width()) / port.width(), double(rect.height()) / port.height()),
            0.95);
        break;
      case PageView::Zoom::kPageWidth:
        EXPECT_GT(rect.left(), 0);
        EXPECT_LT(rect.right(), port.right());
        EXPECT_GT(rect.width(), 0.95 * port.width());
        break;
      case PageView::Zoom::kFactor:
        // The page's top left corner comes into view.
        EXPECT_TRUE(port.contains(rect.topLeft()));
        break;
    }
    const QImage shown = Shown();
    EXPECT_GE(InkedLines(shown, (rect & port).adjusted(1, 1, -1, -1)).first, 0);
  }
  view_.SetZoomFactor(1.0);
  EXPECT_DOUBLE_EQ(1.0, view_.ZoomFactor());
}

TEST_F(PageViewTest, KeysWheelAndScrollBarPage) {
  QSignalSpy changed(&view_, &PageView::PageChanged);
  // A page at a time with the whole page in view.
  QTest::keyClick(&view_, Qt::Key_PageDown);
  EXPECT_EQ(2, view_.CurrentPage());
  QWheelEvent notch(QPointF(50, 50), view_.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(view_.viewport(), &notch);
  EXPECT_EQ(3, view_.CurrentPage());
  QTest::keyClick(&view_, Qt::Key_PageUp);
  EXPECT_EQ(2, view_.CurrentPage());
  QTest::keyClick(&view_, Qt::Key_Home);
  EXPECT_EQ(1, view_.CurrentPage());
  QTest::keyClick(&view_, Qt::Key_PageUp);  // nothing before the first
  EXPECT_EQ(1, view_.CurrentPage());
  EXPECT_EQ(4, changed.count());

  // Larger than the view, PageDown scrolls by the view's height, and the
  // page filling most of the view becomes current.
  view_.SetZoomFactor(1.0);
  ASSERT_GT(view_.PageRect(1).height(), Port().height());
  QScrollBar* bar = view_.verticalScrollBar();
  for (int press = 1; press <= 3; ++press) {
    SCOPED_TRACE(press);
    const int from = bar->value();
    QTest::keyClick(&view_, Qt::Key_PageDown);
    EXPECT_EQ(from + Port().height(), bar->value());
    int most = 0;
    int most_seen = -1;
    for (int page = 1; page <= view_.PageCount(); ++page) {
      const QRect seen = view_.PageRect(page) & view_.viewport()->rect();
      if (!seen.isEmpty() && seen.height() > most_seen) {
        most = page;
        most_seen = seen.height();
      }
    }
    EXPECT_EQ(most, view_.CurrentPage());
  }
  EXPECT_GT(view_.CurrentPage(), 1);

  // So does dragging the scroll bar.
  const int current = view_.CurrentPage();
  bar->setValue(bar->value() + 4 * (view_.PageRect(1).height() + 10));
  EXPECT_EQ(current + 4, view_.CurrentPage());
}

TEST_F(PageViewTest, ManyPagesInViewStillReachTheLast) {
  // At 10% many pages are in view and the last cannot come to the top; it
  // is current all the same, and Previous goes back from it.
  view_.SetZoomFactor(0.1);
  const int last = view_.PageCount();
  for (int page = 1; page <= last; ++page) view_.SetCurrentPage(page);
  EXPECT_EQ(last, view_.CurrentPage());
  EXPECT_TRUE(view_.viewport()->rect().contains(view_.PageRect(last)));
  view_.SetCurrentPage(last - 1);
  EXPECT_EQ(last - 1, view_.CurrentPage());
}

TEST_F(PageViewTest, FewerPagesMoveTheCurrentPageToTheLast) {
  QTest::keyClick(&view_, Qt::Key_End);
  const int before = view_.PageCount();
  ASSERT_EQ(before, view_.CurrentPage());

  // A new print while the old pages are shown: they still draw what they
  // showed until the view is given the new ones.
  fixture_.Table().SetFilter("QUANT=1");
  fixture_.Table().SetFiltered(true);
  fixture_.Printer().Build();
  ASSERT_LT(fixture_.Printer().Table().rows.size(), 100u);
  view_.viewport()->repaint();
  EXPECT_EQ(before, view_.PageCount());

  QSignalSpy changed(&view_, &PageView::PageChanged);
  view_.SetPages(fixture_.Printer().Layout());
  const int after = view_.PageCount();
  ASSERT_LT(after, before);
  EXPECT_EQ(after, view_.CurrentPage());
  EXPECT_EQ(1, changed.count());
  EXPECT_TRUE(view_.viewport()->rect().intersects(view_.PageRect(after)));
  EXPECT_GE(InkedLines(Shown(), view_.PageRect(after).adjusted(1, 1, -1, -1)).first, 0);

  // No pages at all: nothing current, nothing drawn.
  view_.SetPages(nullptr);
  EXPECT_EQ(0, view_.PageCount());
  EXPECT_EQ(0, view_.CurrentPage());
  EXPECT_TRUE(view_.PageRect(1).isNull());
  view_.viewport()->repaint();
}

class LongOrderPreviewTest : public PageViewTest {
 protected:
  LongOrderPreviewTest() : PageViewTest(3000) {}
};

TEST_F(LongOrderPreviewTest, CountsThePagesThePrinterPrints) {
  auto* preview = new TPreviewForm(fixture_.Printer());
  preview->show();
  QPrinter& printer = fixture_.Printer().Printer();
  const PageBuilder printed(fixture_.Printer().Table(), fixture_.Printer().Settings(), printer);
  ASSERT_GT(printed.PageCount(), 50);
  EXPECT_EQ(printed.PageCount(), preview->PageCount());
  auto* status = preview->findChild<QLabel*>("PreviewStatus");
  ASSERT_NE(nullptr, status);
  EXPECT_EQ(QStringLiteral("Page 1 of %1").arg(printed.PageCount()), status->text());

  auto* pages = preview->findChild<PageView*>("PreviewPages");
  ASSERT_NE(nullptr, pages);
  QTest::keyClick(pages, Qt::Key_End);
  EXPECT_EQ(printed.PageCount(), preview->CurrentPage());
  EXPECT_EQ(QStringLiteral("Page %1 of %1").arg(printed.PageCount()), status->text());
  const QImage shown = pages->viewport()->grab().toImage();
  const QRect last = pages->PageRect(printed.PageCount());
  EXPECT_GE(InkedLines(shown, last.adjusted(1, 1, -1, -1)).first, 0);
  delete preview;
}

}  // namespace
}  // namespace zakaz::testing
