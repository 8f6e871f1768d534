#include "app/help_form.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

#include "common/file_path.h"

namespace zakaz {

QStringList ShippedHelpFiles() {
  return {QStringLiteral("/usr/share/zakaz/help.rtf"),
          QCoreApplication::applicationDirPath() + QStringLiteral("/help.rtf")};
}

THelpForm::THelpForm(QWidget* parent)
    : QDialog(parent), text_(new QTextEdit(this)), shipped_(ShippedHelpFiles()) {
  setObjectName("HelpForm");
  setWindowTitle(QStringLiteral("КРАТКАЯ ИНСТРУКЦИЯ ПО РАБОТЕ С ПРОГРАММОЙ"));
  text_->setObjectName("RichEdit1");
  text_->setReadOnly(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(text_);
  resize(640, 480);
}

void THelpForm::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void THelpForm::FormShow() {
  text_->clear();
  QFile file(QString::fromStdString(ResolvePath("help.rtf")));
  for (const QString& shipped : shipped_) {
    if (file.exists()) break;
    file.setFileName(shipped);
  }
  if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
    text_->setPlainText(QStringLiteral("Файл справки help.rtf не найден"));
    return;
  }
  const QByteArray bytes = file.readAll();
  const RtfDocument doc = ParseRtf(std::string_view(bytes.constData(), bytes.size()));
  RtfToTextDocument(doc, *text_->document());
  text_->moveCursor(QTextCursor::Start);
}

void RtfToTextDocument(const RtfDocument& doc, QTextDocument& target) {
  target.clear();
  QTextCursor cursor(&target);
  bool first = true;
  for (const auto& paragraph : doc.paragraphs) {
    if (!first) cursor.insertBlock();
    first = false;
    for (const auto& run : paragraph.runs) {
      QTextCharFormat format;
      format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
      format.setFontItalic(run.italic);
      format.setFontUnderline(run.underline);
      format.setFontPointSize(run.half_points / 2.0);
      QString text = QString::fromStdString(run.text);
      text.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
      cursor.insertText(text, format);
    }
  }
}

}  // namespace zakaz
