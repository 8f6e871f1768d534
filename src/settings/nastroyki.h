// TNastroyki, the settings dialog. It is created once at program start,
// reads the settings file then, and lives for the whole run; from then on its
// fields are the settings in force (ILiveSettings reads them at the moment of
// use). "ОК" writes the client code, client name, server and passive mode to
// the file and closes; "Отмена" closes without writing, and what was typed
// stays in force until the program ends. The directories and the FTP account
// are never written: they start each run with their design values.
//
// The dialog keeps its settings file object for its lifetime and borrows the
// IUserPrompts, which must outlive it. Controls carry their names as object
// names (Clcode, Clname, EditUrl, PassivCheck, EditPrice, EditZayav, EditNakl,
// EditLogin, EditPas, Button1, Button2).
#pragma once

#include <QDialog>
#include <string>

#include "settings/ini_file.h"
#include "settings/live_settings.h"

class QCheckBox;
class QLineEdit;

namespace zakaz {

class IUserPrompts;

class TNastroyki : public QDialog, public ILiveSettings {
  Q_OBJECT

 public:
  // Reads `param.Ini` beside the running executable.
  explicit TNastroyki(IUserPrompts& prompts, QWidget* parent = nullptr);
  // Reads the settings file at `ini_path`.
  TNastroyki(const std::string& ini_path, IUserPrompts& prompts, QWidget* parent = nullptr);
  ~TNastroyki() override;

  std::string ClientCode() const override;
  std::string Server() const override;
  std::string Login() const override;
  std::string Password() const override;
  bool Passive() const override;
  std::string PriceDirectory() const override;

  // Full path of the settings file the dialog reads and writes.
  const std::string& SettingsFileName() const { return ini_.FileName(); }

 private:
  void BuildControls();
  void FormCreate();
  void Button1Click();
  void Button2Click();

  IniFile ini_;
  IUserPrompts& prompts_;
  QLineEdit* Clcode_ = nullptr;
  QLineEdit* Clname_ = nullptr;
  QLineEdit* EditUrl_ = nullptr;
  QCheckBox* PassivCheck_ = nullptr;
  QLineEdit* EditPrice_ = nullptr;
  QLineEdit* EditZayav_ = nullptr;
  QLineEdit* EditNakl_ = nullptr;
  QLineEdit* EditLogin_ = nullptr;
  QLineEdit* EditPas_ = nullptr;
};

}  // namespace zakaz
