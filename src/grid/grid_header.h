// TwoLevelHeader: the price grid's column titles in two levels. A title
// "upper|lower" is drawn as two cells, and adjacent columns with equal upper
// parts share one upper cell ("Заказ" over "Кол-во" and "Сумма"); a title
// without a bar fills both levels.
#pragma once

#include <QHeaderView>

namespace zakaz {

class TwoLevelHeader : public QHeaderView {
 public:
  explicit TwoLevelHeader(QWidget* parent);

 protected:
  QSize sizeHint() const override;
  void paintSection(QPainter* painter, const QRect& rect, int logical) const override;

 private:
  QString UpperOf(int logical) const;
  void PaintCell(QPainter* painter, const QRect& rect, int logical, const QString& text,
                 QVariant alignment = QVariant()) const;
};

}  // namespace zakaz
