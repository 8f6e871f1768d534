// The printed pages: what they say and in which order (PDF read back with
// pdftotext), row heights for wrapped names, the colours of printed rows,
// the walk's effect on the cursor, and a long order over many pages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>
#include <QPrinter>
#include <algorithm>
#include <filesystem>

#include "print/page_builder.h"
#include "print/print_fixture.h"

namespace zakaz::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kTitle[] = "ООО Бриолан. Прайслист от 05.03.2009 14:22:10";

std::vector<PriceRow> ThreeRows() {
  return {
      {.name = StoredText("Аспирин 500 мг"), .price = 12.5, .kol = 50, .quant = 2},
      {.name = StoredText("Бинт стерильный"), .price = 30, .kol = 50, .quant = 1, .flag = 1},
      {.name = StoredText("Валидол"), .price = 7.25, .kol = 50, .quant = 4},
  };
}

// Lines of `text` that contain `needle`.
int CountLines(const std::string& text, const std::string& needle) {
  int count = 0;
  size_t at = 0;
  while ((at = text.find(needle, at)) != std::string::npos) {
    ++count;
    at += needle.size();
  }
  return count;
}

TEST(PrintPages, ThreeRowOrderIsOnePageInOrder) {
  PrintFixture fixture(ThreeRows());
  fixture.Printer().SetPrintTitle(QString::fromUtf8(kTitle));
  const std::string pdf = fixture.PrintToPdf();
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(1, PdfPages(pdf));
  EXPECT_THAT(CommandOutput("pdfinfo '" + pdf + "'"), HasSubstr("Tabular information"));
  const std::string text = PdfText(pdf);
  SCOPED_TRACE(text);

  // Heading, band, the two title levels, the rows in table order, the footer.
  size_t at = Find(text, "Электронный заказ Лиртана");
  for (const char* next :
       {kTitle, "Заказ", "Наименование", "Производитель", "НДС", "Цена", "Срок", "Фасовка",
        "Остаток", "Кол-во", "Сумма", "Аспирин 500 мг", "Бинт стерильный", "Валидол", "Итого"}) {
    SCOPED_TRACE(next);
    ASSERT_NE(std::string::npos, at);
    at = Find(text, next, at);
  }
  ASSERT_NE(std::string::npos, at);
  // The footer sums the printed rows: 2 + 1 + 4 and 25 + 30 + 29.
  const std::string footer = text.substr(at, text.find('\n', at) - at);
  EXPECT_THAT(footer, HasSubstr(" 7 "));
  EXPECT_THAT(footer, HasSubstr("84"));
  // The hidden PRICE column is not printed: each price appears once per row.
  EXPECT_EQ(1, CountLines(text, "12,5"));
  EXPECT_EQ(1, CountLines(text, "7,25"));
  // The "Заказ" cell is shared by both of its columns.
  EXPECT_EQ(1, CountLines(text, "Заказ"));
}

TEST(PrintPages, NoRowsStillPrintsHeadingBandAndFooter) {
  PrintFixture fixture({});
  fixture.Printer().SetPrintTitle(QString::fromUtf8(kTitle));
  const std::string pdf = fixture.PrintToPdf();
  ASSERT_FALSE(pdf.empty());
  const std::string text = PdfText(pdf);
  EXPECT_EQ(1, PdfPages(pdf));
  EXPECT_THAT(text, HasSubstr("Лиртана"));
  EXPECT_THAT(text, HasSubstr(kTitle));
  EXPECT_THAT(text, HasSubstr("Итого"));
}

TEST(PrintPages, LongNameWrapsAndMakesItsRowTaller) {
  // Within the 100 characters of the name column.
  const std::string long_name =
      "Амоксициллин клавуланат таблетки покрытые пленочной оболочкой 875 мг плюс 125 мг в "
      "блистерах";
  PrintFixture fixture({{.name = StoredText("Валидол")}, {.name = StoredText(long_name)}});
  fixture.Printer().Build();
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(fixture.File("wrap.pdf")));
  const PageBuilder pages(fixture.Printer().Table(), fixture.Printer().Settings(), printer);
  ASSERT_EQ(2u, pages.RowHeights().size());
  EXPECT_GT(pages.RowHeights()[1], 2.5 * pages.RowHeights()[0]);
  EXPECT_EQ(pages.RowRect(0).bottom(), pages.RowRect(1).top());

  // Nothing of the name is cut: every word is on the page.
  ASSERT_TRUE(pages.PaintAll(printer));
  const std::string text = PdfText(fixture.File("wrap.pdf"));
  for (const char* word : {"Амоксициллин", "пленочной", "оболочкой", "блистерах"}) {
    EXPECT_THAT(text, HasSubstr(word));
  }

  // Without stretching the row keeps one line.
  TPrintSettings one_line = fixture.Printer().Settings();
  one_line.stretch_rows = false;
  const PageBuilder cut(fixture.Printer().Table(), one_line, printer);
  EXPECT_EQ(cut.RowHeights()[0], cut.RowHeights()[1]);
}

TEST(PrintPages, ColumnsNarrowInProportionToFitTheMargins) {
  PrintFixture fixture(ThreeRows());
  fixture.Printer().Build();
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(fixture.File("fit.pdf")));
  const PageBuilder pages(fixture.Printer().Table(), fixture.Printer().Settings(), printer);
  const std::vector<double>& widths = pages.ColumnWidths();
  ASSERT_EQ(9u, widths.size());  // the hidden PRICE column has no place
  double total = 0;
  for (double w : widths) total += w;
  // A4 less 2 cm on each side, at the printer's resolution.
  const double available = (210.0 - 40.0) / 25.4 * printer.resolution();
  EXPECT_NEAR(available, total, available * 0.01);
  // NAME (336 pixels) against SROK (78 pixels) keeps its proportion.
  EXPECT_NEAR(336.0 / 78.0, widths[0] / widths[4], 1e-6);
  // Tahoma, or where it is missing the stand-in with Cyrillic letters.
  EXPECT_TRUE(pages.FontFace() == QStringLiteral("Tahoma") ||
              pages.FontFace() == QStringLiteral("DejaVu Sans"))
      << pages.FontFace().toStdString();
}

TEST(PrintPages, ScalingTheWholeGridKeepsColumnsAndFitsRowsOnTheirPages) {
  std::vector<PriceRow> rows(150, PriceRow{.name = "Item", .quant = 1});
  PrintFixture fixture(rows);
  fixture.Printer().Build();
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(fixture.File("scaled.pdf")));
  TPrintSettings scaled = fixture.Printer().Settings();
  scaled.change_column_widths = false;
  const PageBuilder pages(fixture.Printer().Table(), scaled, printer);
  const double unit = printer.resolution() / 96.0;
  EXPECT_NEAR(336 * unit, pages.ColumnWidths()[0], 1e-6);  // the grid's own width
  double total = 0;
  for (double w : pages.ColumnWidths()) total += w;
  const double available = (210.0 - 40.0) / 25.4 * printer.resolution();
  EXPECT_NEAR(available, total * pages.GridScale(), available * 0.01);
  // Every page's last row ends above the bottom margin.
  const double page_height = (297.0 - 40.0) / 25.4 * printer.resolution();
  ASSERT_GT(pages.PageCount(), 1);
  for (int page = 0; page < pages.PageCount(); ++page) {
    if (pages.EndRow(page) == pages.FirstRow(page)) continue;
    EXPECT_LE(pages.RowRect(pages.EndRow(page) - 1).bottom() * pages.GridScale(), page_height + 1);
  }
}

// Counts pixels of `image` inside `rect` that `is_colour` accepts.
template <typename Predicate>
int CountPixels(const QImage& image, const QRect& rect, Predicate is_colour) {
  int count = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      if (is_colour(QColor(image.pixel(x, y)))) ++count;
    }
  }
  return count;
}

TEST(PrintPages, RowColoursPrintAsTextColourOnWhite) {
  // Row 2 is a vital drug (blue), row 3 expires tomorrow (red), row 1 is plain.
  const std::time_t tomorrow = std::time(nullptr) + 24 * 3600;
  char srok[16];
  std::strftime(srok, sizeof srok, "%d.%m.%Y", std::localtime(&tomorrow));
  std::vector<PriceRow> rows = ThreeRows();
  rows[2].srok = srok;
  PrintFixture fixture(rows);
  const std::string pdf = fixture.PrintToPdf();
  ASSERT_FALSE(pdf.empty());
  constexpr int kDpi = 100;
  const std::string prefix = fixture.File("page");
  CommandOutput("pdftoppm -r " + std::to_string(kDpi) + " -png -singlefile '" + pdf + "' '" +
                prefix + "'");
  const QImage image(QString::fromStdString(prefix + ".png"));
  ASSERT_FALSE(image.isNull());

  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(fixture.File("unused.pdf")));
  const PageBuilder pages(fixture.Printer().Table(), fixture.Printer().Settings(), printer);
  const double scale = static_cast<double>(kDpi) / printer.resolution();
  const double margin = 20.0 / 25.4 * kDpi;
  const auto on_image = [&](int row) {
    const QRectF r = pages.RowRect(row);
    // Inside the cell lines, so only text and background are counted.
    return QRect(int(margin + r.left() * scale) + 3, int(margin + r.top() * scale) + 3,
                 int(r.width() * scale) - 6, int(r.height() * scale) - 6);
  };
  const auto blue = [](const QColor& c) {
    return c.blue() > 150 && c.red() < 110 && c.green() < 110;
  };
  const auto red = [](const QColor& c) {
    return c.red() > 150 && c.blue() < 110 && c.green() < 110;
  };
  const auto white = [](const QColor& c) {
    return c.red() > 245 && c.green() > 245 && c.blue() > 245;
  };

  EXPECT_GT(CountPixels(image, on_image(1), blue), 20);
  EXPECT_EQ(0, CountPixels(image, on_image(1), red));
  EXPECT_GT(CountPixels(image, on_image(2), red), 20);
  EXPECT_EQ(0, CountPixels(image, on_image(0), blue));
  EXPECT_EQ(0, CountPixels(image, on_image(0), red));
  // The background stays white: no cell colours (the sky-blue quantity
  // column included).
  const QRect row = on_image(1);
  EXPECT_GT(CountPixels(image, row, white), row.width() * row.height() * 8 / 10);
  const auto sky_blue = [](const QColor& c) {
    return std::abs(c.red() - 166) < 8 && std::abs(c.green() - 202) < 8 &&
           std::abs(c.blue() - 240) < 8;
  };
  EXPECT_EQ(0, CountPixels(image, row, sky_blue));
}

TEST(PrintWalk, FollowsTheFilterAndReturnsToTheCurrentRow) {
  PrintFixture fixture({{.name = "A", .quant = 1},
                        {.name = "B"},
                        {.name = "C", .quant = 3},
                        {.name = "D", .quant = 5}});
  dbf::TTableDataSet& table = fixture.Table();
  table.SetFilter("QUANT>0");
  table.SetFiltered(true);
  table.First();
  table.Next();  // "C"
  ASSERT_EQ(3, table.RecNo());
  fixture.Printer().Build();
  const PrintTable& print = fixture.Printer().Table();
  ASSERT_EQ(3u, print.rows.size());
  EXPECT_EQ(QStringLiteral("A"), print.rows[0].cells[0]);
  EXPECT_EQ(QStringLiteral("C"), print.rows[1].cells[0]);
  EXPECT_EQ(QStringLiteral("D"), print.rows[2].cells[0]);
  EXPECT_EQ(QStringLiteral("9"), print.footer[7]);
  EXPECT_EQ(QStringLiteral("Итого"), print.footer[0]);
  EXPECT_EQ(3, table.RecNo());
  EXPECT_FALSE(table.ControlsDisabled());
}

TEST(PrintPages, LongOrderSpansPagesEachWithBandAndTitles) {
  constexpr int kRows = 2500;
  std::vector<PriceRow> rows;
  for (int i = 1; i <= kRows; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Item %04d", i);
    rows.push_back({.name = name, .quant = 1});
  }
  PrintFixture fixture(rows);
  fixture.Printer().SetPrintTitle(QString::fromUtf8(kTitle));
  const std::string pdf = fixture.PrintToPdf();
  ASSERT_FALSE(pdf.empty());

  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(fixture.File("unused.pdf")));
  const PageBuilder pages(fixture.Printer().Table(), fixture.Printer().Settings(), printer);
  // The rows are one line each: the pages hold as many as fit below the band
  // and the titles, so the count follows from the row height.
  const double row_height = pages.RowHeights()[0];
  const double page_height = (297.0 - 40.0) / 25.4 * printer.resolution();
  const int per_page =
      static_cast<int>((page_height - pages.RowRect(pages.FirstRow(1)).top()) / row_height);
  const int expected = 1 + (kRows - pages.EndRow(0) + per_page - 1) / per_page;
  EXPECT_EQ(expected, pages.PageCount());

  // pdftotext ends every page with a form feed.
  const std::string all = PdfText(pdf);
  std::vector<std::string> page_texts;
  for (size_t start = 0, end; (end = all.find('\f', start)) != std::string::npos; start = end + 1) {
    page_texts.push_back(all.substr(start, end - start));
  }
  ASSERT_EQ(static_cast<size_t>(pages.PageCount()), page_texts.size());
  int next_item = 1;
  for (int page = 1; page <= pages.PageCount(); ++page) {
    SCOPED_TRACE(page);
    const std::string& text = page_texts[static_cast<size_t>(page - 1)];
    EXPECT_EQ(page == 1, text.find("Лиртана") != std::string::npos);
    size_t at = Find(text, kTitle);
    at = Find(text, "Наименование", at);
    at = Find(text, "Кол-во", at);
    ASSERT_NE(std::string::npos, at);
    // The rows continue where the page before stopped.
    for (int row = pages.FirstRow(page - 1); row < pages.EndRow(page - 1); ++row) {
      char name[32];
      std::snprintf(name, sizeof name, "Item %04d", next_item);
      ASSERT_EQ(row + 1, next_item);
      at = Find(text, name, at);
      ASSERT_NE(std::string::npos, at) << name;
      ++next_item;
    }
    EXPECT_EQ(page == pages.PageCount(), text.find("Итого") != std::string::npos);
  }
  EXPECT_EQ(kRows + 1, next_item);
}

TEST(PrintPdf, UnwritablePathIsReportedAndLeavesNoFile) {
  PrintFixture fixture(ThreeRows());
  fixture.Printer().Build();
  const std::string path = fixture.File("missing/order.pdf");
  EXPECT_FALSE(fixture.Printer().ExportPdf(QString::fromStdString(path)));
  EXPECT_EQ(std::vector<std::string>{"Error: Не удалось записать файл " + path},
            fixture.Prompts().shown);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(PrintPdf, SuggestsTheShownFileName) {
  PrintFixture fixture(ThreeRows());
  EXPECT_EQ(QStringLiteral("1234D6B3.pdf"), fixture.Printer().SuggestedPdfName());
  fixture.Table().Close();
  fixture.Table().SetTableName("demand\\ABCD0001.DBF");
  EXPECT_EQ(QStringLiteral("ABCD0001.pdf"), fixture.Printer().SuggestedPdfName());
}

}  // namespace
}  // namespace zakaz::testing
