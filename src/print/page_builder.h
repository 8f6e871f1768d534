// PageBuilder: lays a PrintTable out on the pages of one paint device and
// draws them, so the preview, a printer and a PDF file share one layout.
//
// Page 1 opens with the heading of the customer's order; every page carries
// the band with the print title centred over the printed columns and the
// two-level column titles; the rows follow in order, each as high as its
// tallest wrapped cell; after the last row comes the footer with "Итого" and
// the sums. Columns wider than the space between the margins are narrowed in
// proportion (or the whole grid is scaled, as the settings say).
//
// The layout is made for the device given at construction: its page size
// and resolution, with the settings' margins set on it. The builder keeps a
// reference to `table`, which must outlive it. Coordinates are the device's
// own units, measured from the top left corner inside the margins.
#pragma once

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <vector>

#include "print/print_settings.h"
#include "print/print_table.h"

class QPagedPaintDevice;
class QPainter;

namespace zakaz {

// The heading printed above the grid on the first page: "Электронный заказ "
// followed by the bold, underlined name of the supplier, then an empty line.
inline constexpr char kHeadingText[] = "Электронный заказ ";
inline constexpr char kHeadingName[] = "Лиртана";

class PageBuilder {
 public:
  // Sets the settings' margins on `device` and lays the pages out for it.
  PageBuilder(const PrintTable& table, const TPrintSettings& settings, QPagedPaintDevice& device);

  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Height of each row of the table in device units (before any scaling of
  // the whole grid).
  const std::vector<double>& RowHeights() const { return row_heights_; }
  // Width of each printed column in device units (likewise).
  const std::vector<double>& ColumnWidths() const { return column_widths_; }
  // The factor the whole grid is drawn at: below 1 when it is fitted to the
  // page width by scaling, else 1.
  double GridScale() const { return scale_; }
  // The rows page `page` (0-based) carries: [first, end).
  int FirstRow(int page) const { return pages_.at(static_cast<size_t>(page)).first; }
  int EndRow(int page) const { return pages_.at(static_cast<size_t>(page)).end; }
  // Where row `row` is drawn on its page, in device units before any scaling
  // of the whole grid.
  QRectF RowRect(int row) const;
  // The face the text is drawn in (the settings' face or its stand-in).
  const QString& FontFace() const { return face_; }
  // The whole sheet of paper in device units, and where on it the part
  // inside the margins begins (the origin PaintPage draws from).
  QSizeF PaperSize() const { return paper_size_; }
  QPointF PaintOrigin() const { return paint_origin_; }
  // The device's resolution in dots per inch, across and down.
  int DpiX() const { return dpi_x_; }
  int DpiY() const { return dpi_y_; }

  // Draws page `page` with a painter open on the device the builder was made
  // for (or one of the same page size and resolution).
  void PaintPage(QPainter& painter, int page) const;

  // Opens a painter on the device and draws every page, starting a new
  // device page between them. `keep_going` is asked before each page after
  // the first; false stops the print there (a printer's job is aborted).
  // Returns false when stopped or when the device could not be opened.
  bool PaintAll(QPagedPaintDevice& device, const std::function<bool()>& keep_going = {}) const;

 private:
  struct Page {
    int first = 0;
    int end = 0;
    bool footer = false;
  };

  class CellWidths;

  QFont Font(int points, bool bold = false) const;
  // The font of `text` in `column`, made smaller where a word of it would
  // not fit the column's width otherwise.
  QFont FittingFont(size_t column, const QString& text, int points, bool bold = false) const;
  QFont FittingFont(double width, const QString& text, int points, bool bold = false) const;
  // The height of `text` laid out in lines of `width` (LayOut's rule), and
  // the same text drawn that way, centred in `box` vertically.
  double TextHeight(const QFont& font, double width, const QString& text) const;
  // The height of `text` laid out in lines (as TextHeight when it does not
  // fit one line).
  double WrappedHeight(const QFont& font, double width, const QString& text) const;
  void DrawText(QPainter& painter, const QRectF& box, const QFont& font, TextAlign alignment,
                const QString& text) const;
  void MeasureColumns(double available, CellWidths& widths);
  void MeasureHeader();
  void MeasureRows(CellWidths& widths);
  void Paginate(double page_height);
  double PaintHeading(QPainter& painter) const;
  double PaintHeader(QPainter& painter, double y) const;
  double PaintRow(QPainter& painter, double y, const std::vector<QString>& cells,
                  const QColor& colour, double height, bool footer) const;

  const PrintTable& table_;
  TPrintSettings settings_;
  QPagedPaintDevice& device_;
  QString face_;
  QSizeF paper_size_;
  QPointF paint_origin_;
  int dpi_x_ = 0;
  int dpi_y_ = 0;
  double unit_ = 1;   // device units per screen pixel of the grid's design
  double pad_ = 1;    // inner space of a cell
  double scale_ = 1;  // whole-grid scale when fitting by scaling
  std::vector<double> column_widths_;
  std::vector<double> column_left_;
  std::vector<double> row_heights_;
  double heading_height_ = 0;
  double band_height_ = 0;
  double title_level_height_ = 0;
  double footer_height_ = 0;
  double note_height_ = 0;  // the note under the table of unreadable values
  std::vector<Page> pages_;
  std::vector<double> row_top_;  // top of each row on its page
};

}  // namespace zakaz
