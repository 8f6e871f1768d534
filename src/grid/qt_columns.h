// The grid's plain column data (ordering/grid_columns.h) in Qt's types, for
// the widgets and the print that draw them.
#pragma once

#include <QColor>
#include <QString>
#include <Qt>
#include <optional>
#include <string>

#include "ordering/grid_columns.h"

namespace zakaz {

inline QString ToQString(const std::string& utf8) { return QString::fromStdString(utf8); }

inline Qt::Alignment QtAlignment(TextAlign align) {
  switch (align) {
    case TextAlign::kRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case TextAlign::kCenter:
      return Qt::AlignCenter;
    case TextAlign::kLeft:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

// Invalid when the colour is not set.
inline QColor QtColour(const std::optional<TRgb>& rgb) {
  return rgb ? QColor(rgb->red, rgb->green, rgb->blue) : QColor();
}

// Invalid for the default (black) text.
inline QColor QtColour(RowColour colour) {
  switch (colour) {
    case RowColour::kRed:
      return QColor(Qt::red);
    case RowColour::kBlue:
      return QColor(Qt::blue);
    case RowColour::kDefault:
      break;
  }
  return QColor();
}

}  // namespace zakaz
