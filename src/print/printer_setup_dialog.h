// TPrinterSetupDialog: the print-settings dialog ("Printer setup").
//
// It opens with the settings it is given and hands back the edited copy
// when the user confirms with "&Ok"; "&Cancel" leaves them alone. Its
// "&Printer setup" button opens the platform's printer choice on the
// printer given, which must outlive the dialog.
#pragma once

#include <QDialog>

#include "print/print_settings.h"

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QPrinter;
class QRadioButton;

namespace zakaz {

class TPrinterSetupDialog : public QDialog {
  Q_OBJECT

 public:
  TPrinterSetupDialog(const TPrintSettings& settings, QPrinter& printer, QWidget* parent = nullptr);

  // The settings as the controls show them.
  TPrintSettings Settings() const;

 private:
  QDoubleSpinBox* Margin(const char* name, const QString& accessible);
  void ChooseFont();

  QPrinter& printer_;
  TPrintSettings initial_;
  QDoubleSpinBox* top_;
  QDoubleSpinBox* bottom_;
  QDoubleSpinBox* left_;
  QDoubleSpinBox* right_;
  QCheckBox* fit_width_;
  QRadioButton* scale_grid_;
  QRadioButton* change_widths_;
  QCheckBox* stretch_;
  QCheckBox* colored_;
  QCheckBox* optimal_;
  QLineEdit* font_;
};

}  // namespace zakaz
