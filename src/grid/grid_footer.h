// GridFooter: the price grid's footer row, one silver bold cell under each
// shown column with the model's footer text (a fixed text or a sum). While
// the sums of a freshly opened table are not ready it asks the model for
// them and paints the fixed texts only.
#pragma once

#include <QString>
#include <QWidget>

namespace zakaz {

class DbGrid;

class GridFooter : public QWidget {
 public:
  explicit GridFooter(DbGrid* grid);

  int RowHeight() const { return fontMetrics().height() + 6; }
  QString Text(int column) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  DbGrid* grid_;
};

}  // namespace zakaz
