// The settings of the grid print: margins, fitting, row stretching, colours,
// the print font and the job name, with the values the program starts with.
// Plain values; the print-settings dialog edits a copy and the grid printer
// keeps it for the rest of the run.
#pragma once

#include <QString>

namespace zakaz {

struct TPrintSettings {
  // Margins in centimetres, counted from the edge of the paper.
  double margin_top = 2;
  double margin_bottom = 2;
  double margin_left = 2;
  double margin_right = 2;
  // Fit the printed columns between the margins when they are wider.
  bool fit_width = true;
  // How they are fitted: narrower columns (true) or the whole grid scaled.
  bool change_column_widths = true;
  // Rows grow to their wrapped text instead of cutting it.
  bool stretch_rows = true;
  // Cell backgrounds printed as on screen; font colours are printed anyway.
  bool colored = false;
  // Columns as wide as their widest text instead of the grid's widths.
  bool optimal_widths = false;
  QString font_face = QStringLiteral("Tahoma");
  QString job_name = QStringLiteral("Tabular information");

  bool operator==(const TPrintSettings&) const = default;
};

// The face the print uses for `wanted`: the face itself when the system has
// it, else "DejaVu Sans", which has the Cyrillic letters and widths close to
// the faces the layout was drawn for, else the system's default sans face.
QString AvailablePrintFace(const QString& wanted);

}  // namespace zakaz
