#include "print/page_builder.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QStringList>
#include <QTextLayout>
#include <algorithm>

namespace zakaz {
namespace {

// The grid's design is in screen pixels at 96 per inch.
constexpr double kDesignDpi = 96.0;
// A column without a width of its own is as wide as the grid's default.
constexpr double kDefaultColumnWidth = 64.0;
constexpr int kGridPoints = 9;
constexpr int kHeadingPoints = 8;
constexpr char kHeadingFace[] = "MS Sans Serif";

const QColor kSilver(192, 192, 192);

QStringList TitleLevels(const std::string& title) {
  return QString::fromStdString(title).split(QLatin1Char('|'));
}

int TextFlags(TextAlign alignment) {
  const int horizontal = alignment == TextAlign::kRight    ? Qt::AlignRight
                         : alignment == TextAlign::kCenter ? Qt::AlignHCenter
                                                           : Qt::AlignLeft;
  return horizontal | Qt::AlignVCenter;
}

// The smallest size a word too wide for its column is set in; one still too
// wide at it is broken across lines.
constexpr int kSmallestPoints = 6;

// A number or a date: digits with their separators and a sign. Such a text is
// never broken or cut; its column is made wide enough for it.
bool IsFigure(const QString& text) {
  bool digit = false;
  for (const QChar ch : text) {
    if (ch.isDigit()) {
      digit = true;
    } else if (ch != QLatin1Char(',') && ch != QLatin1Char('.') && ch != QLatin1Char('-') &&
               ch != QLatin1Char('+') && ch != QLatin1Char(':') && ch != QLatin1Char('/')) {
      return false;
    }
  }
  return digit;
}

// Lays `text` out in lines no wider than `width`: between words where it can,
// inside a word only where the word alone is wider. Returns the text's height.
double LayOut(QTextLayout& layout, double width) {
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  double height = 0;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(std::max(width, 1.0));
    line.setPosition(QPointF(0, height));
    height += line.height();
  }
  layout.endLayout();
  return height;
}

// What separates the words of a text.
const QRegularExpression& Spaces() {
  static const QRegularExpression spaces(QStringLiteral("\\s+"));
  return spaces;
}

QString LayoutText(const QString& text) {
  QString copy = text;
  copy.replace(QLatin1Char('\n'), QChar::LineSeparator);
  return copy;
}

}  // namespace

// The cells' texts measured in their columns' fonts while the pages are laid
// out, each distinct text of a column shaped once: shaping is where the
// layout of a long order spends its time, and figures and makers repeat from
// row to row.
class PageBuilder::CellWidths {
 public:
  CellWidths(const PageBuilder& builder, const PrintTable& table) {
    columns_.reserve(table.columns.size());
    for (const GridColumn& column : table.columns)
      columns_.emplace_back(builder.Font(column.font_points), &builder.device_);
    figures.assign(table.columns.size(), false);
  }

  double Width(size_t column, const QString& text) {
    Column& widths = columns_[column];
    const auto known = widths.widths.constFind(text);
    if (known != widths.widths.cend()) return *known;
    const double width = widths.metrics.horizontalAdvance(text);
    widths.widths.insert(text, width);
    return width;
  }
  double LineHeight(size_t column) const { return columns_[column].metrics.height(); }
  const QFont& Font(size_t column) const { return columns_[column].font; }

  // Columns of figures only: each is wide enough for its widest text.
  std::vector<bool> figures;

 private:
  struct Column {
    Column(const QFont& column_font, QPaintDevice* device)
        : font(column_font), metrics(font, device) {}
    QFont font;
    QFontMetricsF metrics;
    QHash<QString, double> widths;
  };
  std::vector<Column> columns_;
};

QString AvailablePrintFace(const QString& wanted) {
  const QStringList families = QFontDatabase::families();
  if (families.contains(wanted, Qt::CaseInsensitive)) return wanted;
  const QString stand_in = QStringLiteral("DejaVu Sans");
  if (families.contains(stand_in, Qt::CaseInsensitive)) return stand_in;
  return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

PageBuilder::PageBuilder(const PrintTable& table, const TPrintSettings& settings,
                         QPagedPaintDevice& device)
    : table_(table),
      settings_(settings),
      device_(device),
      face_(AvailablePrintFace(settings.font_face)) {
  device_.setPageMargins(QMarginsF(settings.margin_left * 10, settings.margin_top * 10,
                                   settings.margin_right * 10, settings.margin_bottom * 10),
                         QPageLayout::Millimeter);
  const int dpi = device_.logicalDpiX();
  dpi_x_ = dpi;
  dpi_y_ = device_.logicalDpiY();
  unit_ = dpi / kDesignDpi;
  pad_ = 2 * unit_;
  const QPageLayout page_layout = device_.pageLayout();
  const QRectF paint_rect = page_layout.paintRectPixels(dpi);
  paper_size_ = page_layout.fullRectPixels(dpi).size();
  paint_origin_ = paint_rect.topLeft();
  CellWidths widths(*this, table_);
  MeasureColumns(paint_rect.width(), widths);
  MeasureHeader();
  MeasureRows(widths);
  Paginate(paint_rect.height() / scale_);
}

QFont PageBuilder::Font(int points, bool bold) const {
  QFont font(face_);
  font.setPointSize(points > 0 ? points : kGridPoints);
  font.setBold(bold);
  return font;
}

QFont PageBuilder::FittingFont(size_t column, const QString& text, int points, bool bold) const {
  return FittingFont(column_widths_[column] - 2 * pad_, text, points, bold);
}

QFont PageBuilder::FittingFont(double width, const QString& text, int points, bool bold) const {
  // The specified size first; text wraps between words at it. Only a word
  // wider than the whole cell is set smaller, down to the smallest size, and
  // one still too wide then breaks across lines (LayOut).
  QFont font = Font(points, bold);
  if (QFontMetricsF(font, &device_).horizontalAdvance(text) <= width) return font;
  const QStringList words = text.split(Spaces(), Qt::SkipEmptyParts);
  while (font.pointSize() > kSmallestPoints) {
    const QFontMetricsF metrics(font, &device_);
    bool fits = true;
    for (const QString& word : words) fits = fits && metrics.horizontalAdvance(word) <= width;
    if (fits) break;
    font.setPointSize(font.pointSize() - 1);
  }
  return font;
}

double PageBuilder::TextHeight(const QFont& font, double width, const QString& text) const {
  const QFontMetricsF metrics(font, &device_);
  if (text.isEmpty()) return metrics.height();
  // Most cells fit on one line; laying them out for wrapping is the slow part.
  if (!text.contains(QLatin1Char('\n')) && metrics.horizontalAdvance(text) <= width) {
    return metrics.height();
  }
  return WrappedHeight(font, width, text);
}

double PageBuilder::WrappedHeight(const QFont& font, double width, const QString& text) const {
  QTextLayout layout(LayoutText(text), font, &device_);
  return std::max(LayOut(layout, width), QFontMetricsF(font, &device_).height());
}

void PageBuilder::DrawText(QPainter& painter, const QRectF& box, const QFont& font,
                           TextAlign alignment, const QString& text) const {
  if (text.isEmpty()) return;
  const QFontMetricsF metrics(font, &device_);
  painter.setFont(font);
  if (!text.contains(QLatin1Char('\n')) && metrics.horizontalAdvance(text) <= box.width()) {
    painter.drawText(box, TextFlags(alignment) | Qt::TextSingleLine, text);
    return;
  }
  QTextLayout layout(LayoutText(text), font, &device_);
  const double height = LayOut(layout, box.width());
  const double top = box.top() + std::max(0.0, (box.height() - height) / 2);
  for (int i = 0; i < layout.lineCount(); ++i) {
    QTextLine line = layout.lineAt(i);
    const double free = std::max(0.0, box.width() - line.naturalTextWidth());
    const double shift = alignment == TextAlign::kRight    ? free
                         : alignment == TextAlign::kCenter ? free / 2
                                                           : 0;
    line.setPosition(QPointF(shift, line.position().y()));
  }
  layout.draw(&painter, QPointF(box.left(), top));
}

void PageBuilder::MeasureColumns(double available, CellWidths& widths) {
  const size_t count = table_.columns.size();
  column_widths_.assign(count, 0);
  for (size_t c = 0; c < count; ++c) {
    const GridColumn& column = table_.columns[c];
    double width = (column.width > 0 ? column.width : kDefaultColumnWidth) * unit_;
    if (settings_.optimal_widths) {
      const QFontMetricsF title_metrics(Font(column.title_font_points), &device_);
      width = 0;
      for (const QString& level : TitleLevels(column.title)) {
        width = std::max(width, title_metrics.horizontalAdvance(level));
      }
      for (const PrintRow& row : table_.rows)
        width = std::max(width, widths.Width(c, row.cells[c]));
      width += 2 * pad_ + unit_;
    }
    column_widths_[c] = width;
  }
  auto total = [this] {
    double sum = 0;
    for (double width : column_widths_) sum += width;
    return sum;
  };
  if (settings_.fit_width && settings_.change_column_widths && total() > available && total() > 0) {
    const double factor = available / total();
    for (double& width : column_widths_) width *= factor;
  }
  // A number or a date is never broken or cut: a column of them is as wide
  // as its widest text at its own size, and the text columns give up the
  // width it takes, each in proportion to what it has above a floor of a few
  // letters at the smallest size.
  std::vector<bool>& figures = widths.figures;
  for (size_t c = 0; c < count; ++c) {
    const GridColumn& column = table_.columns[c];
    bool any = false;
    bool all = true;
    double need = 0;
    for (const PrintRow& row : table_.rows) {
      const QString& text = row.cells[c];
      if (text.isEmpty()) continue;
      if (!IsFigure(text)) {
        all = false;
        break;
      }
      any = true;
      need = std::max(need, widths.Width(c, text));
    }
    const QString& footer = table_.footer[c];
    if (all && !footer.isEmpty()) {
      if (IsFigure(footer)) {
        any = true;
        const int points = column.footer == GridColumn::Footer::kSum ? column.title_font_points : 0;
        need =
            std::max(need, QFontMetricsF(Font(points, true), &device_).horizontalAdvance(footer));
      } else {
        all = false;
      }
    }
    if (!all || !any) continue;
    figures[c] = true;
    column_widths_[c] = std::max(column_widths_[c], need + 2 * pad_ + unit_);
  }
  if (settings_.fit_width && settings_.change_column_widths && total() > available) {
    // A text column keeps at least its title's widest word at the title's
    // size (or a few letters at the smallest size), so the titles stay whole.
    const double letters =
        3 * QFontMetricsF(Font(kSmallestPoints), &device_).averageCharWidth() + 2 * pad_;
    std::vector<double> floors(count, 0);
    double spare = 0;
    for (size_t c = 0; c < count; ++c) {
      if (figures[c]) continue;
      const GridColumn& column = table_.columns[c];
      const QFontMetricsF title_metrics(Font(column.title_font_points), &device_);
      double floor = letters;
      const QStringList levels = TitleLevels(column.title);
      for (const QString& word : levels.back().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        floor = std::max(floor, title_metrics.horizontalAdvance(word) + 2 * pad_);
      floors[c] = std::min(floor, column_widths_[c]);
      spare += column_widths_[c] - floors[c];
    }
    const double excess = total() - available;
    if (spare > 0) {
      const double share = std::min(1.0, excess / spare);
      for (size_t c = 0; c < count; ++c) {
        if (!figures[c]) column_widths_[c] -= (column_widths_[c] - floors[c]) * share;
      }
    }
  }
  // What still does not fit (the whole grid scaled by the settings, or
  // figures wider than the page) is drawn smaller as a whole.
  if (settings_.fit_width && total() > available && total() > 0) scale_ = available / total();
  column_left_.assign(count, 0);
  double left = 0;
  for (size_t c = 0; c < count; ++c) {
    column_left_[c] = left;
    left += column_widths_[c];
  }
}

void PageBuilder::MeasureHeader() {
  heading_height_ =
      2 * QFontMetricsF(QFont(AvailablePrintFace(kHeadingFace), kHeadingPoints), &device_).height();
  double grid_width = 0;
  for (double width : column_widths_) grid_width += width;
  // The band wraps: a long file name must not push the rest off the page.
  band_height_ = TextHeight(FittingFont(grid_width - 2 * pad_, table_.title, kGridPoints),
                            grid_width - 2 * pad_, table_.title) +
                 2 * pad_;
  title_level_height_ = 0;
  for (size_t c = 0; c < table_.columns.size(); ++c) {
    const GridColumn& column = table_.columns[c];
    for (const QString& level : TitleLevels(column.title)) {
      const QFont font = FittingFont(c, level, column.title_font_points);
      title_level_height_ = std::max(
          title_level_height_, TextHeight(font, column_widths_[c] - 2 * pad_, level) + 2 * pad_);
    }
  }
  double footer = 0;
  for (size_t c = 0; c < table_.columns.size(); ++c) {
    const GridColumn& column = table_.columns[c];
    const int points = column.footer == GridColumn::Footer::kSum ? column.title_font_points : 0;
    footer = std::max(footer, TextHeight(FittingFont(c, table_.footer[c], points, true),
                                         column_widths_[c] - 2 * pad_, table_.footer[c]));
  }
  footer_height_ = footer + 2 * pad_;
  note_height_ = 0;
  if (table_.unreadable) {
    const QString note = QString::fromUtf8(kUnreadableNote);
    note_height_ =
        TextHeight(FittingFont(grid_width, note, kGridPoints), grid_width, note) + 2 * pad_;
  }
}

void PageBuilder::MeasureRows(CellWidths& widths) {
  const size_t count = table_.columns.size();
  // Without stretching a row keeps one line, its text set smaller to fit;
  // so does a figure, whose column is as wide as its widest one.
  std::vector<bool> one_line(count, !settings_.stretch_rows);
  double line = 0;
  for (size_t c = 0; c < count; ++c) {
    one_line[c] = one_line[c] || widths.figures[c];
    if (one_line[c]) line = std::max(line, widths.LineHeight(c));
  }
  if (count == 0) line = QFontMetricsF(Font(kGridPoints), &device_).height();
  row_heights_.assign(table_.rows.size(), 0);
  for (size_t r = 0; r < table_.rows.size(); ++r) {
    double height = line;
    for (size_t c = 0; c < count; ++c) {
      if (one_line[c]) continue;
      const QString& text = table_.rows[r].cells[c];
      const double width = column_widths_[c] - 2 * pad_;
      // A text that fits its column on one line needs no wrapping layout:
      // it keeps the column's font (FittingFont) and is one line high
      // (TextHeight).
      if (text.isEmpty() || (!text.contains(QLatin1Char('\n')) && widths.Width(c, text) <= width)) {
        height = std::max(height, widths.LineHeight(c));
        continue;
      }
      // It wraps between words at the column's font unless a word alone is
      // wider than the column (FittingFont); many words recur from row to row.
      bool words_fit = true;
      for (const QString& word : text.split(Spaces(), Qt::SkipEmptyParts))
        words_fit = words_fit && widths.Width(c, word) <= width;
      if (words_fit) {
        height = std::max(height, WrappedHeight(widths.Font(c), width, text));
        continue;
      }
      const int points = table_.columns[c].font_points;
      height = std::max(height, TextHeight(FittingFont(c, text, points), width, text));
    }
    row_heights_[r] = height + 2 * pad_;
  }
}

void PageBuilder::Paginate(double page_height) {
  const double header = band_height_ + 2 * title_level_height_;
  row_top_.assign(table_.rows.size(), 0);
  const int rows = static_cast<int>(table_.rows.size());
  int row = 0;
  while (true) {
    Page page;
    page.first = row;
    double y = (pages_.empty() ? heading_height_ / scale_ : 0) + header;
    // A page takes at least one row, so a row taller than a page cannot stop
    // the print; it is cut at the page's edge.
    while (row < rows && (row == page.first || y + row_heights_[row] <= page_height)) {
      row_top_[row] = y;
      y += row_heights_[row];
      ++row;
    }
    page.end = row;
    if (row == rows &&
        (y + footer_height_ + note_height_ <= page_height || page.end == page.first)) {
      page.footer = true;
      pages_.push_back(page);
      break;
    }
    pages_.push_back(page);
  }
}

QRectF PageBuilder::RowRect(int row) const {
  double width = 0;
  for (double w : column_widths_) width += w;
  return QRectF(0, row_top_.at(static_cast<size_t>(row)), width,
                row_heights_.at(static_cast<size_t>(row)));
}

double PageBuilder::PaintHeading(QPainter& painter) const {
  const QString face = AvailablePrintFace(kHeadingFace);
  QFont plain(face, kHeadingPoints);
  QFont name = plain;
  name.setBold(true);
  name.setUnderline(true);
  const QString text = QString::fromUtf8(kHeadingText);
  const QFontMetricsF metrics(plain, &device_);
  painter.setPen(Qt::black);
  painter.setFont(plain);
  painter.drawText(QPointF(0, metrics.ascent()), text);
  painter.setFont(name);
  painter.drawText(QPointF(metrics.horizontalAdvance(text), metrics.ascent()),
                   QString::fromUtf8(kHeadingName));
  return heading_height_;
}

double PageBuilder::PaintHeader(QPainter& painter, double y) const {
  const size_t count = table_.columns.size();
  double width = 0;
  for (double w : column_widths_) width += w;
  const QPen line(Qt::black, unit_ * 0.75);
  painter.setPen(line);
  // The band with the print title.
  const QRectF band(0, y, width, band_height_);
  painter.drawRect(band);
  const QRectF band_text = band.adjusted(pad_, pad_, -pad_, -pad_);
  DrawText(painter, band_text, FittingFont(band_text.width(), table_.title, kGridPoints),
           TextAlign::kCenter, table_.title);
  y += band_height_;
  // Two title levels: a one-level title fills both; equal upper levels of
  // neighbouring columns share one cell.
  for (size_t c = 0; c < count;) {
    const GridColumn& column = table_.columns[c];
    const QStringList levels = TitleLevels(column.title);
    if (levels.size() < 2) {
      const QRectF cell(column_left_[c], y, column_widths_[c], 2 * title_level_height_);
      painter.drawRect(cell);
      DrawText(painter, cell.adjusted(pad_, pad_, -pad_, -pad_),
               FittingFont(c, levels.front(), column.title_font_points), column.title_alignment,
               levels.front());
      ++c;
      continue;
    }
    size_t last = c;
    while (last + 1 < count) {
      const QStringList next = TitleLevels(table_.columns[last + 1].title);
      if (next.size() < 2 || next.front() != levels.front()) break;
      ++last;
    }
    const QRectF upper(column_left_[c], y,
                       column_left_[last] + column_widths_[last] - column_left_[c],
                       title_level_height_);
    painter.drawRect(upper);
    const QRectF upper_text = upper.adjusted(pad_, pad_, -pad_, -pad_);
    DrawText(painter, upper_text, FittingFont(upper_text.width(), levels.front(), kGridPoints),
             TextAlign::kCenter, levels.front());
    for (size_t k = c; k <= last; ++k) {
      const GridColumn& lower_column = table_.columns[k];
      const QRectF lower(column_left_[k], y + title_level_height_, column_widths_[k],
                         title_level_height_);
      painter.drawRect(lower);
      const QString lower_text = TitleLevels(lower_column.title).value(1);
      DrawText(painter, lower.adjusted(pad_, pad_, -pad_, -pad_),
               FittingFont(k, lower_text, lower_column.title_font_points),
               lower_column.title_alignment, lower_text);
    }
    c = last + 1;
  }
  return y + 2 * title_level_height_;
}

double PageBuilder::PaintRow(QPainter& painter, double y, const std::vector<QString>& cells,
                             const QColor& colour, double height, bool footer) const {
  const QPen line(Qt::black, unit_ * 0.75);
  for (size_t c = 0; c < table_.columns.size(); ++c) {
    const GridColumn& column = table_.columns[c];
    const QRectF cell(column_left_[c], y, column_widths_[c], height);
    if (settings_.colored) {
      const QColor background =
          footer ? kSilver
          : column.background
              ? QColor(column.background->red, column.background->green, column.background->blue)
              : QColor();
      if (background.isValid()) painter.fillRect(cell, background);
    }
    painter.setPen(line);
    painter.drawRect(cell);
    const int points = footer && column.footer == GridColumn::Footer::kSum
                           ? column.title_font_points
                           : column.font_points;
    painter.setPen(colour.isValid() ? colour : QColor(Qt::black));
    const QRectF box = cell.adjusted(pad_, pad_, -pad_, -pad_);
    const QFont font = FittingFont(c, cells[c], points, footer);
    if (!settings_.stretch_rows && !footer) {
      // Rows kept to one line, as the settings ask: what the smallest size
      // cannot fit is cut at the cell.
      painter.save();
      painter.setClipRect(cell);
      painter.setFont(font);
      painter.drawText(box, TextFlags(column.alignment) | Qt::TextSingleLine, cells[c]);
      painter.restore();
      continue;
    }
    DrawText(painter, box, font, column.alignment, cells[c]);
  }
  return y + height;
}

void PageBuilder::PaintPage(QPainter& painter, int page) const {
  const Page& layout = pages_.at(static_cast<size_t>(page));
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  double y = page == 0 ? PaintHeading(painter) : 0;
  painter.scale(scale_, scale_);
  if (page == 0) y /= scale_;
  y = PaintHeader(painter, y);
  for (int row = layout.first; row < layout.end; ++row) {
    const PrintRow& cells = table_.rows[static_cast<size_t>(row)];
    y = PaintRow(painter, y, cells.cells, cells.colour, row_heights_[static_cast<size_t>(row)],
                 false);
  }
  if (layout.footer) {
    y = PaintRow(painter, y, table_.footer, QColor(), footer_height_, true);
    if (table_.unreadable) {
      double width = 0;
      for (double w : column_widths_) width += w;
      const QString note = QString::fromUtf8(kUnreadableNote);
      const QRectF box(pad_, y + pad_, width - 2 * pad_, note_height_ - 2 * pad_);
      painter.setPen(Qt::black);
      DrawText(painter, box, FittingFont(width, note, kGridPoints), TextAlign::kLeft, note);
    }
  }
  painter.restore();
}

bool PageBuilder::PaintAll(QPagedPaintDevice& device,
                           const std::function<bool()>& keep_going) const {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  for (int page = 0; page < PageCount(); ++page) {
    if (page > 0) {
      if (keep_going && !keep_going()) {
        // A printer drops the job it was given; a file keeps the pages so far.
        if (auto* printer = dynamic_cast<QPrinter*>(&device)) printer->abort();
        return false;
      }
      device.newPage();
    }
    PaintPage(painter, page);
  }
  return painter.end();
}

}  // namespace zakaz
