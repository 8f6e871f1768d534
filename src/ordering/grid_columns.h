// The columns of a grid as plain data: which field each shows, its titles,
// width, fonts, alignment, colours, display format, footer and editing rule.
// The price grid on screen and the printed order are both made from one
// such list, so a printed cell reads as the screen shows it. Texts are
// UTF-8; the widgets turn them into their own types.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ordering/price_display.h"

namespace zakaz {

namespace dbf {
struct TFieldValue;
struct TRecordValues;
}  // namespace dbf

enum class TextAlign { kLeft, kRight, kCenter };

struct TRgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const TRgb&) const = default;
};

struct GridColumn {
  enum class Format { kPlain, kGeneralNumber, kQuantity };
  enum class Footer { kNone, kText, kSum };
  // kText: the entry is the field's text; kQuantity: the entry passes the
  // quantity rule (DBGridColumns7UpdateData) against the field
  // `limit_field` and the editor has up/down buttons.
  enum class Edit { kNone, kText, kQuantity };

  std::string field;  // field name; matched without regard to letter case
  std::string title;  // "upper|lower" for a two-level title
  int width = -1;     // pixels, -1 for the grid's default
  TextAlign alignment = TextAlign::kLeft;
  TextAlign title_alignment = TextAlign::kCenter;
  int font_points = 0;  // 0: the grid's font
  int title_font_points = 0;
  std::optional<TRgb> background;  // none: the grid's
  bool visible = true;
  bool elide = false;           // long text ends in an ellipsis
  bool tooltip_if_cut = false;  // a tooltip shows the whole text when it does not fit
  Format format = Format::kPlain;
  Footer footer = Footer::kNone;
  std::string footer_text;
  Edit edit = Edit::kNone;
  std::string limit_field;
  // Printable keys search this column's texts (the grid's incremental search).
  bool incremental_search = false;
};

// The font colour of a whole row from its values.
using RowColourRule = std::function<RowColour(const dbf::TRecordValues& values)>;

// The text `column` shows for `value` (UTF-8): its display format applied
// to the number, or the stored text as the program shows it. A number its
// writer left unset shows as nothing, not as 0.
std::string GridCellText(const GridColumn& column, const dbf::TFieldValue& value);

// The text a footer shows for a sum of `units` (1/10000) in `column`'s format.
std::string FooterSumText(const GridColumn& column, int64_t units);

// Position of the column showing `field` (letter case ignored), -1 when none.
int ColumnOf(const std::vector<GridColumn>& columns, const std::string& field);

}  // namespace zakaz
