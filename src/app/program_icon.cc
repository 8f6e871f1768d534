#include "app/program_icon.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>

namespace zakaz {
namespace {

// The icon's drawing on its 64 by 64 grid, as in packaging/zakaz.svg.
QPixmap Draw(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 64.0, size / 64.0);
  const QColor blue(0x1f, 0x4e, 0x8c);
  const QColor light_blue(0x7f, 0x9c, 0xc7);
  painter.setPen(QPen(blue, 3));
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(QRectF(10, 4, 44, 56), 4, 4);
  painter.setPen(Qt::NoPen);
  painter.fillRect(QRectF(18, 14, 28, 4), blue);
  for (const double top : {24.0, 32.0}) painter.fillRect(QRectF(18, top, 28, 3), light_blue);
  painter.fillRect(QRectF(18, 40, 18, 3), light_blue);
  painter.setBrush(QColor(0x2e, 0x8b, 0x3a));
  painter.drawEllipse(QPointF(46, 48), 11, 11);
  painter.fillRect(QRectF(44, 41, 4, 14), Qt::white);
  painter.fillRect(QRectF(39, 46, 14, 4), Qt::white);
  return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(Draw(size));
  return icon;
}

void SetProgramIcon() {
  QApplication::setWindowIcon(ProgramIcon());
  // Where the desktop names windows by their desktop entry (Wayland), the
  // entry zakaz.desktop brings the installed icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("zakaz"));
}

}  // namespace zakaz
