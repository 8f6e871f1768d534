// Nothing printed is cut: every word's box on the PDF page (pdftotext -bbox)
// lies inside its cell, a maker too wide for its column is set smaller or
// broken across lines but kept whole, numbers and dates stay in one piece
// with their column widened, and the title band wraps. And a record with a
// malformed number prints blank, with the footer the screen shows and a
// note under the table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPageLayout>
#include <QPrinter>
#include <QRegularExpression>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "print/page_builder.h"
#include "print/print_fixture.h"

namespace zakaz::testing {
namespace {

using ::testing::HasSubstr;

struct Word {
  double left, top, right, bottom;
  std::string text;
};

// The words of page 1 with their boxes in points from the paper's corner.
std::vector<Word> PageWords(const std::string& pdf) {
  const std::string html = CommandOutput("pdftotext -bbox -f 1 -l 1 '" + pdf + "' -");
  static const QRegularExpression word(QString::fromUtf8(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
  std::vector<Word> words;
  for (auto it = word.globalMatch(QString::fromStdString(html)); it.hasNext();) {
    const auto m = it.next();
    words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                     m.captured(4).toDouble(), m.captured(5).toStdString()});
  }
  return words;
}

constexpr char kLongTitle[] =
    "ООО Бриолан. Заказ из архива "
    "archive/zakaz_postavshchiku_iz_arkhiva_dlinnoe_imya_faila_2009_03_05_nomer_000123.DBF от "
    "05.03.2009 14:22:10";
constexpr char kMaker[] = "Мосхимфармпрепараты";

TEST(PrintLayout, EveryWordLiesInsideItsCell) {
  std::vector<PriceRow> rows;
  for (int i = 0; i < 3; ++i) {
    rows.push_back({.name = StoredText("Амоксициллин клавуланат таблетки 875 мг"),
                    .price = 9999999.99,
                    .kol = 99999,
                    .quant = 99999,
                    .srok = "05.03.2027",
                    .proizvod = StoredText(kMaker)});
  }
  PrintFixture fixture(rows);
  fixture.Printer().SetPrintTitle(QString::fromUtf8(kLongTitle));
  fixture.Printer().Build();
  const std::string pdf = fixture.File("layout.pdf");
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf));
  const PageBuilder pages(fixture.Printer().Table(), fixture.Printer().Settings(), printer);
  ASSERT_TRUE(pages.PaintAll(printer));
  // For the documentation's picture of such a page: a copy where asked.
  if (const char* keep = std::getenv("ZAKAZ_PRINT_PAGE_OUT"); keep != nullptr && *keep != 0)
    std::filesystem::copy_file(pdf, keep, std::filesystem::copy_options::overwrite_existing);

  // Cell edges in points: the margin plus the device units at the grid's scale.
  const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Point);
  const double to_points = 72.0 / printer.logicalDpiX() * pages.GridScale();
  std::vector<double> edges{paint.left()};
  for (double width : pages.ColumnWidths()) edges.push_back(edges.back() + width * to_points);
  const double grid_right = edges.back();
  ASSERT_LE(grid_right, paint.right() + 0.5);
  const double first_row_top = paint.top() + pages.RowRect(0).top() * to_points;
  const double last_row_bottom = paint.top() + pages.RowRect(2).bottom() * to_points;

  const std::vector<Word> words = PageWords(pdf);
  ASSERT_FALSE(words.empty());
  constexpr double kSlack = 0.5;
  std::string maker;
  bool sum_whole = false;
  bool date_whole = false;
  for (const Word& w : words) {
    SCOPED_TRACE(w.text);
    // Everything is on the paper between the margins, the band included.
    EXPECT_GE(w.left, paint.left() - kSlack);
    EXPECT_LE(w.right, grid_right + kSlack);
    EXPECT_GE(w.top, paint.top() - kSlack);
    EXPECT_LE(w.bottom, paint.bottom() + kSlack);
    if (w.top < first_row_top - kSlack) continue;  // heading, band and titles
    // Rows and footer: inside the column under the word's middle.
    const double middle = (w.left + w.right) / 2;
    size_t column = 0;
    while (column + 1 < edges.size() - 1 && middle > edges[column + 1]) ++column;
    EXPECT_GE(w.left, edges[column] - kSlack);
    EXPECT_LE(w.right, edges[column + 1] + kSlack);
    if (column == 1 && w.bottom <= pages.RowRect(0).bottom() * to_points + paint.top() + kSlack)
      maker += w.text;
    if (w.text == "2999969997000,03") sum_whole = w.top > last_row_bottom - kSlack;
    if (w.text == "05.03.2027") date_whole = true;
  }
  // The maker is whole: smaller, or broken across lines, never clipped.
  EXPECT_EQ(kMaker, maker);
  // Numbers and dates in one piece: the footer's sum and the shelf life.
  EXPECT_TRUE(sum_whole);
  EXPECT_TRUE(date_whole);
  // The band wrapped: the date of the title is on the page after the name.
  const std::string text = PdfText(pdf);
  EXPECT_THAT(text, HasSubstr("Заказ из архива"));
  EXPECT_THAT(text, HasSubstr("05.03.2009"));
  EXPECT_THAT(text, HasSubstr("14:22:10"));
  // The titles of the narrowed text columns stay whole.
  for (const char* title : {"Производитель", "Фасовка", "Наименование"}) {
    EXPECT_THAT(text, HasSubstr(title));
  }
}

TEST(PrintLayout, MalformedNumberPrintsBlankWithTheScreensFooterAndANote) {
  PrintFixture fixture({{.name = StoredText("Валидол"), .kol = 50, .quant = 2},
                        {.name = StoredText("Корвалол"), .kol = 77777777, .quant = 3},
                        {.name = StoredText("Анальгин"), .kol = 50, .quant = 4}});
  fixture.Table().Close();
  {
    // KOL of the second record reads "12a4".
    const std::string path = fixture.File("demand/1234D6B3.DBF");
    std::string bytes;
    {
      std::ifstream in(path, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const size_t at = bytes.find("77777777");
    ASSERT_NE(std::string::npos, at);
    bytes.replace(at, 8, "    12a4");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  fixture.Table().Open();
  const std::string pdf = fixture.PrintToPdf();
  ASSERT_FALSE(pdf.empty());
  EXPECT_TRUE(fixture.Prompts().shown.empty());
  const PrintTable& table = fixture.Printer().Table();
  ASSERT_EQ(3u, table.rows.size());
  for (const QString& cell : table.rows[1].cells) EXPECT_TRUE(cell.isEmpty()) << cell.toStdString();
  EXPECT_TRUE(table.unreadable);
  const std::string text = PdfText(pdf);
  SCOPED_TRACE(text);
  EXPECT_THAT(text, HasSubstr("Валидол"));
  EXPECT_THAT(text, HasSubstr("Анальгин"));
  EXPECT_THAT(text, ::testing::Not(HasSubstr("Корвалол")));
  // The grid's footer reads zero when its pass meets the record; so does
  // the paper's.
  const size_t total = text.find("Итого");
  ASSERT_NE(std::string::npos, total);
  const std::string footer = text.substr(total, text.find('\n', total) - total);
  EXPECT_THAT(footer, ::testing::Not(HasSubstr(" 6 ")));
  const size_t note = text.find("Некоторые значения не удалось прочитать");
  ASSERT_NE(std::string::npos, note);
  EXPECT_GT(note, total);
}

}  // namespace
}  // namespace zakaz::testing
