#include "app/help_form.h"

#include <QFile>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

#include "common/file_path.h"

namespace zakaz {

THelpForm::THelpForm(QWidget* parent) : QDialog(parent), text_(new QTextEdit(this)) {
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
  if (!file.exists() || !file.open(QIODevice::ReadOnly)) return;
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
