// THelpForm: the help window, "КРАТКАЯ ИНСТРУКЦИЯ ПО РАБОТЕ С ПРОГРАММОЙ".
//
// Created once at start and kept for the whole run; the main window shows it
// modally. Each time it is shown it reloads "help.rtf" from the working
// directory (letter case of the name ignored) into its read-only text view;
// without the file the view stays empty. The rich text is read by the
// program's own reader (rtf_reader.h) and turned into a QTextDocument here.
#pragma once

#include <QDialog>

#include "app/rtf_reader.h"

class QTextDocument;
class QTextEdit;

namespace zakaz {

class THelpForm : public QDialog {
  Q_OBJECT

 public:
  explicit THelpForm(QWidget* parent = nullptr);

  QTextEdit* TextView() const { return text_; }

  // Loads help.rtf into the text view (or empties it); what FormShow does.
  void FormShow();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QTextEdit* text_;
};

// Fills `target` with `doc`: one block per paragraph, one character format
// per run.
void RtfToTextDocument(const RtfDocument& doc, QTextDocument& target);

}  // namespace zakaz
