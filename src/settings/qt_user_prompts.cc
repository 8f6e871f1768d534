#include "settings/qt_user_prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <utility>

namespace zakaz {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::StandardButton Show(QMessageBox::Icon icon, const QString& caption,
                                 const QString& text, QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, caption, text, buttons, QApplication::activeWindow());
  box.setObjectName(QStringLiteral("UserPrompt"));
  // Qt's own Russian translations, loaded for its dialogs, would rename the
  // standard buttons; the boxes keep the texts they are specified with.
  const std::pair<QMessageBox::StandardButton, const char*> kButtonTexts[] = {
      {QMessageBox::Ok, "OK"},
      {QMessageBox::Yes, "&Yes"},
      {QMessageBox::No, "&No"},
      {QMessageBox::Cancel, "Cancel"},
  };
  for (const auto& [id, button_text] : kButtonTexts) {
    if (QAbstractButton* button = box.button(id)) button->setText(QString::fromLatin1(button_text));
  }
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void QtUserPrompts::Warning(std::string_view text) {
  Show(QMessageBox::Warning, QStringLiteral("Warning"), FromUtf8(text), QMessageBox::Ok);
}

void QtUserPrompts::Error(std::string_view text) {
  Show(QMessageBox::Critical, QStringLiteral("Error"), FromUtf8(text), QMessageBox::Ok);
}

void QtUserPrompts::Information(std::string_view text) {
  Show(QMessageBox::Information, QStringLiteral("Information"), FromUtf8(text), QMessageBox::Ok);
}

bool QtUserPrompts::Confirm(std::string_view text) {
  return Show(QMessageBox::Question, QStringLiteral("Confirm"), FromUtf8(text),
              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) == QMessageBox::Yes;
}

void QtUserPrompts::ShowException(std::string_view message) {
  Show(QMessageBox::Critical, ApplicationTitle(), FromUtf8(ErrorBoxText(message)), QMessageBox::Ok);
}

QString QtUserPrompts::ApplicationTitle() const {
  return title_.isEmpty() ? QGuiApplication::applicationDisplayName() : title_;
}

}  // namespace zakaz
