// THelpForm: the help window, "КРАТКАЯ ИНСТРУКЦИЯ ПО РАБОТЕ С ПРОГРАММОЙ".
//
// Created once at start and kept for the whole run; the main window shows it
// modally. Each time it is shown it reloads "help.rtf" from the working
// directory (letter case of the name ignored) into its read-only text view.
// Without one there it shows the help the package ships (ShippedHelpFiles),
// and when there is none either, the view says "Файл справки help.rtf не
// найден" rather than stay blank. The rich text is read by the
// program's own reader (rtf_reader.h) and turned into a QTextDocument here.
#pragma once

#include <QDialog>
#include <QStringList>

#include "app/rtf_reader.h"

class QTextDocument;
class QTextEdit;

namespace zakaz {

class THelpForm : public QDialog {
  Q_OBJECT

 public:
  explicit THelpForm(QWidget* parent = nullptr);

  QTextEdit* TextView() const { return text_; }

  // Loads help.rtf into the text view; what showing the window does.
  void FormShow();
  // Where the shipped help is looked for, in this order, when the working
  // directory has none.
  void SetShippedHelpFiles(QStringList paths) { shipped_ = std::move(paths); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QTextEdit* text_;
  QStringList shipped_;
};

// The package's help (/usr/share/zakaz/help.rtf), then the one beside the
// executable (a build or a copied installation).
QStringList ShippedHelpFiles();

// Fills `target` with `doc`: one block per paragraph, one character format
// per run.
void RtfToTextDocument(const RtfDocument& doc, QTextDocument& target);

}  // namespace zakaz
