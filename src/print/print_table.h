// What a grid print shows, taken from the dataset in one walk: the print
// title, the printed columns (the grid's visible ones, in grid order), every
// shown row's cell texts with the row's font colour, and the footer's texts
// with the sums of the printed rows. A self-contained copy: it does not
// follow later changes of the dataset.
#pragma once

#include <QColor>
#include <QString>
#include <functional>
#include <vector>

#include "ordering/grid_columns.h"

namespace zakaz {

namespace dbf {
class TTableDataSet;
}

struct PrintRow {
  std::vector<QString> cells;  // one per printed column
  QColor colour;               // the cell handler's font colour; invalid: black
};

struct PrintTable {
  QString title;
  std::vector<GridColumn> columns;  // printed columns only
  std::vector<PrintRow> rows;
  std::vector<QString> footer;  // one per printed column, empty where none
  // Some record could not be read (a malformed number, say): its row prints
  // blank, as the grid shows it, and the note goes under the table.
  bool unreadable = false;
};

// Printed under the table when some values could not be read.
inline constexpr char kUnreadableNote[] = "Некоторые значения не удалось прочитать";

// Walks the rows the dataset shows (its filter in force) from the first to
// the last, with its views suspended so a bound grid is not repainted, and
// returns the cursor to the row that was current. `columns` is the grid's
// column list; hidden columns are left out. `cell_colour` is the grid's cell
// handler: the font colour of a row from its values (invalid for black); it
// may be empty. Requires an open dataset. A record that cannot be read
// prints as the grid shows it, a blank row, and the footer holds what the
// grid's footer holds (FooterSums over the same pass).
PrintTable CollectPrintTable(dbf::TTableDataSet& dataset, const std::vector<GridColumn>& columns,
                             const RowColourRule& cell_colour, const QString& title);

}  // namespace zakaz
