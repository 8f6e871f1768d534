#include "grid/physical_key.h"

#include <QKeyEvent>
#include <QString>

namespace zakaz {

char PhysicalLetter(const QKeyEvent& event) {
  // evdev codes of the letter keys, row by row.
  static constexpr struct {
    quint32 code;
    char letter;
  } kKeys[] = {
      {16, 'Q'}, {17, 'W'}, {18, 'E'}, {19, 'R'}, {20, 'T'}, {21, 'Y'}, {22, 'U'},
      {23, 'I'}, {24, 'O'}, {25, 'P'}, {30, 'A'}, {31, 'S'}, {32, 'D'}, {33, 'F'},
      {34, 'G'}, {35, 'H'}, {36, 'J'}, {37, 'K'}, {38, 'L'}, {44, 'Z'}, {45, 'X'},
      {46, 'C'}, {47, 'V'}, {48, 'B'}, {49, 'N'}, {50, 'M'},
  };
  if (event.nativeScanCode() > 8) {
    const quint32 code = event.nativeScanCode() - 8;
    for (const auto& k : kKeys) {
      if (k.code == code) return k.letter;
    }
    return 0;
  }
  if (event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
    return static_cast<char>('A' + (event.key() - Qt::Key_A));
  // The Russian layout's letters in the order of the Latin keys A..Z.
  static const QString kRussian = QStringLiteral("ФИСВУАПРШОЛДЬТЩЗЙКЫЕГМЦЧНЯ");
  QChar typed = event.text().size() == 1 ? event.text().at(0) : QChar();
  if (typed.isNull() && event.key() > 0xFF && event.key() < 0xFFFF) typed = QChar(event.key());
  const int at = kRussian.indexOf(typed.toUpper());
  return at >= 0 ? static_cast<char>('A' + at) : 0;
}

}  // namespace zakaz
