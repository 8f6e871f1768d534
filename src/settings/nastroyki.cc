#include "settings/nastroyki.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <exception>

#include "common/user_prompts.h"
#include "settings/param_ini.h"

namespace zakaz {
namespace {

constexpr int kClientWidth = 629;
constexpr int kClientHeight = 261;
constexpr int kFieldHeight = 21;

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }
std::string ToUtf8(const QLineEdit* edit) { return edit->text().toStdString(); }

// A screen reader names a field after its group box unless told otherwise,
// so every field carries the name of the label it stands under.
QLineEdit* AddEdit(QWidget* parent, const char* name, const QString& text, QRect geometry,
                   const QString& accessible_name) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setAccessibleName(accessible_name);
  edit->setGeometry(geometry);
  return edit;
}

void AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->adjustSize();
  label->move(left, top);
}

// The group's caption is bold, its contents are not: Qt hands a widget's font
// down to its children, so they get the dialog's own font back.
QGroupBox* AddGroup(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(QString::fromLatin1(name));
  group->setGeometry(geometry);
  QFont bold = parent->font();
  bold.setBold(true);
  group->setFont(bold);
  return group;
}

void UnboldChildren(QGroupBox* group) {
  QFont normal = group->font();
  normal.setBold(false);
  for (QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    child->setFont(normal);
  }
}

}  // namespace

TNastroyki::TNastroyki(IUserPrompts& prompts, QWidget* parent)
    : TNastroyki(ParamIniPath(), prompts, parent) {}

TNastroyki::TNastroyki(const std::string& ini_path, IUserPrompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      ini_(ini_path),
      prompts_(prompts) {
  BuildControls();
  FormCreate();
}

TNastroyki::~TNastroyki() = default;

void TNastroyki::BuildControls() {
  setObjectName(QStringLiteral("Nastroyki"));
  setWindowTitle(QStringLiteral("НАСТРОЙКИ"));
  setFixedSize(kClientWidth, kClientHeight);

  QGroupBox* folders =
      AddGroup(this, "GroupBox1", QStringLiteral("КАТАЛОГИ ФАЙЛОВ"), QRect(8, 0, 297, 193));
  AddLabel(folders, "Label1", QStringLiteral("Каталог прайса"), 1, 16);
  EditPrice_ = AddEdit(folders, "EditPrice", QStringLiteral("price"),
                       QRect(1, 32, 217, kFieldHeight), QStringLiteral("Каталог прайса"));
  AddLabel(folders, "Label2", QStringLiteral("Каталог заявок"), 1, 56);
  EditZayav_ = AddEdit(folders, "EditZayav", QStringLiteral("zayav"),
                       QRect(1, 72, 217, kFieldHeight), QStringLiteral("Каталог заявок"));
  AddLabel(folders, "Label3", QStringLiteral("Каталог накладных"), 1, 93);
  EditNakl_ = AddEdit(folders, "EditNakl", QStringLiteral("nakl"), QRect(1, 108, 217, kFieldHeight),
                      QStringLiteral("Каталог накладных"));
  EditUrl_ = AddEdit(folders, "EditUrl", QString(), QRect(1, 130, 217, kFieldHeight),
                     QStringLiteral("Адрес сервера поставщика"));
  UnboldChildren(folders);

  QGroupBox* client =
      AddGroup(this, "GroupBox2", QStringLiteral("ИНФОРМАЦИЯ О КЛИЕНТЕ"), QRect(312, 0, 313, 193));
  AddLabel(client, "Label4", QStringLiteral("Код клиента"), 8, 16);
  Clcode_ = AddEdit(client, "Clcode", QString(), QRect(8, 32, 121, kFieldHeight),
                    QStringLiteral("Код клиента"));
  AddLabel(client, "Label5", QStringLiteral("Наименование клиента"), 8, 56);
  Clname_ = AddEdit(client, "Clname", QString(), QRect(8, 72, 297, kFieldHeight),
                    QStringLiteral("Наименование клиента"));
  PassivCheck_ = new QCheckBox(QStringLiteral("Пассивный режим подключения"), client);
  PassivCheck_->setObjectName(QStringLiteral("PassivCheck"));
  PassivCheck_->setGeometry(8, 166, 225, 17);
  UnboldChildren(client);

  // The FTP account is fixed: the fields exist to hold it, never to be shown
  // or edited.
  EditLogin_ = AddEdit(this, "EditLogin", QStringLiteral("briolan"), QRect(0, 0, 121, kFieldHeight),
                       QStringLiteral("Учётная запись сервера"));
  EditPas_ = AddEdit(this, "EditPas", QStringLiteral("hG&4T!9K"), QRect(0, 0, 121, kFieldHeight),
                     QStringLiteral("Пароль сервера"));
  EditPas_->setEchoMode(QLineEdit::Password);
  for (QLineEdit* hidden : {EditLogin_, EditPas_}) {
    hidden->setReadOnly(true);
    hidden->setVisible(false);
  }

  // Enter in a field must not confirm the dialog: only the button writes.
  auto* ok = new QPushButton(QStringLiteral("ОК"), this);
  ok->setObjectName(QStringLiteral("Button1"));
  ok->setGeometry(8, 216, 121, 25);
  ok->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &TNastroyki::Button1Click);
  auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
  cancel->setObjectName(QStringLiteral("Button2"));
  cancel->setGeometry(136, 216, 121, 25);
  cancel->setAutoDefault(false);
  connect(cancel, &QPushButton::clicked, this, &TNastroyki::Button2Click);
}

void TNastroyki::FormCreate() {
  // Each default is the field's design text, so a missing key leaves it.
  Clcode_->setText(FromUtf8(ini_.ReadString(kMainSection, kClientcodeKey, ToUtf8(Clcode_))));
  Clname_->setText(FromUtf8(ini_.ReadString(kMainSection, kClientKey, ToUtf8(Clname_))));
  EditUrl_->setText(FromUtf8(ini_.ReadString(kMainSection, kFtpKey, ToUtf8(EditUrl_))));
  const std::string passiv = ini_.ReadString(kMainSection, kPassivKey, "");
  PassivCheck_->setChecked(!passiv.empty() && passiv.front() == '1');
}

void TNastroyki::Button1Click() {
  // A failure here is not the dialog's to handle: it goes to the
  // application's error box, and the dialog stays open with its fields as
  // they are. Keys written before the failing one stay written.
  try {
    ini_.WriteString(kMainSection, kClientcodeKey, ToUtf8(Clcode_));
    ini_.WriteString(kMainSection, kClientKey, ToUtf8(Clname_));
    ini_.WriteString(kMainSection, kFtpKey, ToUtf8(EditUrl_));
    ini_.WriteString(kMainSection, kPassivKey, PassivCheck_->isChecked() ? "1" : "0");
  } catch (const std::exception& e) {
    prompts_.ShowException(e.what());
    return;
  }
  accept();
}

void TNastroyki::Button2Click() { reject(); }

std::string TNastroyki::ClientCode() const { return ToUtf8(Clcode_); }
std::string TNastroyki::Server() const { return ToUtf8(EditUrl_); }
std::string TNastroyki::Login() const { return ToUtf8(EditLogin_); }
std::string TNastroyki::Password() const { return ToUtf8(EditPas_); }
bool TNastroyki::Passive() const { return PassivCheck_->isChecked(); }
std::string TNastroyki::PriceDirectory() const { return ToUtf8(EditPrice_); }

}  // namespace zakaz
