#include "print/printer_setup_dialog.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zakaz {

TPrinterSetupDialog::TPrinterSetupDialog(const TPrintSettings& settings, QPrinter& printer,
                                         QWidget* parent)
    : QDialog(parent), printer_(printer), initial_(settings) {
  setObjectName("PrinterSetupDialog");
  setWindowTitle(QStringLiteral("Printer setup"));
  auto* layout = new QVBoxLayout(this);

  auto* margins = new QGroupBox(QStringLiteral(" &Margins "), this);
  margins->setObjectName("Margins");
  auto* margin_form = new QFormLayout(margins);
  top_ = Margin("MarginTop", QStringLiteral("Верхнее поле, см"));
  bottom_ = Margin("MarginBottom", QStringLiteral("Нижнее поле, см"));
  left_ = Margin("MarginLeft", QStringLiteral("Левое поле, см"));
  right_ = Margin("MarginRight", QStringLiteral("Правое поле, см"));
  margin_form->addRow(QStringLiteral("&Top"), top_);
  margin_form->addRow(QStringLiteral("&Bottom"), bottom_);
  margin_form->addRow(QStringLiteral("&Left"), left_);
  margin_form->addRow(QStringLiteral("&Right"), right_);
  top_->setValue(settings.margin_top);
  bottom_->setValue(settings.margin_bottom);
  left_->setValue(settings.margin_left);
  right_->setValue(settings.margin_right);
  layout->addWidget(margins);

  fit_width_ = new QCheckBox(QStringLiteral("&Fits the width on one page"), this);
  fit_width_->setObjectName("FitWidth");
  scale_grid_ = new QRadioButton(QStringLiteral("Scale whole &grid"), this);
  scale_grid_->setObjectName("ScaleGrid");
  change_widths_ = new QRadioButton(QStringLiteral("C&hange column widths"), this);
  change_widths_->setObjectName("ChangeWidths");
  stretch_ = new QCheckBox(QStringLiteral("&Stretch long lines"), this);
  stretch_->setObjectName("Stretch");
  colored_ = new QCheckBox(QStringLiteral("&Colored"), this);
  colored_->setObjectName("Colored");
  optimal_ = new QCheckBox(QStringLiteral("Optimal column &widths"), this);
  optimal_->setObjectName("OptimalWidths");
  fit_width_->setChecked(settings.fit_width);
  (settings.change_column_widths ? change_widths_ : scale_grid_)->setChecked(true);
  stretch_->setChecked(settings.stretch_rows);
  colored_->setChecked(settings.colored);
  optimal_->setChecked(settings.optimal_widths);
  layout->addWidget(fit_width_);
  layout->addWidget(scale_grid_);
  layout->addWidget(change_widths_);
  layout->addWidget(stretch_);
  layout->addWidget(colored_);
  layout->addWidget(optimal_);
  // The fitting kind means something only while the width is fitted.
  const auto follow_fit = [this](bool on) {
    scale_grid_->setEnabled(on);
    change_widths_->setEnabled(on);
  };
  connect(fit_width_, &QCheckBox::toggled, this, follow_fit);
  follow_fit(settings.fit_width);

  auto* font_row = new QHBoxLayout();
  auto* font_label = new QLabel(QStringLiteral("Font"), this);
  font_ = new QLineEdit(settings.font_face, this);
  font_->setObjectName("PrintFont");
  font_->setAccessibleName(QStringLiteral("Шрифт печати"));
  font_label->setBuddy(font_);
  auto* font_button = new QPushButton(QStringLiteral("..."), this);
  font_button->setObjectName("ChooseFont");
  font_button->setAccessibleName(QStringLiteral("Выбрать шрифт печати"));
  connect(font_button, &QPushButton::clicked, this, [this] { ChooseFont(); });
  font_row->addWidget(font_label);
  font_row->addWidget(font_, 1);
  font_row->addWidget(font_button);
  layout->addLayout(font_row);

  auto* buttons = new QHBoxLayout();
  auto* printer_button = new QPushButton(QStringLiteral("&Printer setup"), this);
  printer_button->setObjectName("ChoosePrinter");
  connect(printer_button, &QPushButton::clicked, this, [this] {
    QPrintDialog choice(&printer_, this);
    choice.exec();
  });
  auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
  ok->setObjectName("OkButton");
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName("CancelButton");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(printer_button);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
}

QDoubleSpinBox* TPrinterSetupDialog::Margin(const char* name, const QString& accessible) {
  auto* box = new QDoubleSpinBox(this);
  box->setObjectName(name);
  box->setAccessibleName(accessible);
  box->setRange(0, 10);
  box->setDecimals(1);
  box->setSingleStep(0.5);
  return box;
}

void TPrinterSetupDialog::ChooseFont() {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, QFont(font_->text()), this);
  if (ok) font_->setText(font.family());
}

TPrintSettings TPrinterSetupDialog::Settings() const {
  TPrintSettings settings = initial_;
  settings.margin_top = top_->value();
  settings.margin_bottom = bottom_->value();
  settings.margin_left = left_->value();
  settings.margin_right = right_->value();
  settings.fit_width = fit_width_->isChecked();
  settings.change_column_widths = change_widths_->isChecked();
  settings.stretch_rows = stretch_->isChecked();
  settings.colored = colored_->isChecked();
  settings.optimal_widths = optimal_->isChecked();
  settings.font_face =
      font_->text().trimmed().isEmpty() ? initial_.font_face : font_->text().trimmed();
  return settings;
}

}  // namespace zakaz
