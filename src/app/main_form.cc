#include "app/main_form.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>

#include "common/file_path.h"
#include "common/user_prompts.h"
#include "common/working_files.h"
#include "dbf/table/code_page.h"
#include "grid/data_set_model.h"
#include "grid/db_grid.h"
#include "ordering/order_entry.h"
#include "ordering/order_file_writer.h"
#include "ordering/order_files.h"
#include "ordering/price_columns.h"
#include "ordering/price_row.h"
#include "ordering/save_note.h"
#include "print/grid_printer.h"
#include "settings/param_ini.h"

namespace zakaz {
namespace {

const QString kInitialCaption = QStringLiteral("ООО \"Бриолан\"");
constexpr char kNoPriceList[] = "Не найден прайс-лист!";
constexpr char kOpenPriceListFailed[] = "Ошибка открытия прайс-листа:";
constexpr const char* kPriceListNode = kPriceListFile;
const QString kSeekOff = QStringLiteral("Отбор ");
const QString kSeekOn = QStringLiteral("Отключить");

// A label that acts on a click, as the name filter's caption does.
class ClickLabel : public QLabel {
 public:
  ClickLabel(const QString& text, std::function<void()> on_click, QWidget* parent)
      : QLabel(text, parent), on_click_(std::move(on_click)) {
    setCursor(Qt::PointingHandCursor);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
      on_click_();
    QLabel::mouseReleaseEvent(event);
  }

 private:
  std::function<void()> on_click_;
};

// The name filter's edit box reports losing the focus to another control
// of the window (not the window losing its activation, nor a popup).
class ExitLineEdit : public QLineEdit {
 public:
  ExitLineEdit(std::function<void()> on_exit, QWidget* parent)
      : QLineEdit(parent), on_exit_(std::move(on_exit)) {}

  // No more reports: the window is going away.
  void Disarm() { on_exit_ = nullptr; }

 protected:
  void focusOutEvent(QFocusEvent* event) override {
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    if (on_exit_) on_exit_();
  }

 private:
  std::function<void()> on_exit_;
};

QToolButton* AddButton(QToolBar* bar, const char* name, const QString& caption,
                       const QString& hint = QString()) {
  auto* button = new QToolButton(bar);
  button->setObjectName(name);
  button->setText(caption);
  button->setToolTip(hint);
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  QFont font = button->font();
  font.setUnderline(true);
  button->setFont(font);
  bar->addWidget(button);
  return button;
}

// Sets every process-wide conversion that Qt itself makes (spin boxes,
// validators) to the program's formats; the program's own texts come from
// common/formats.h.
void ApplyProcessFormats() {
  QLocale locale(QLocale::Russian, QLocale::Russia);
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  QLocale::setDefault(locale);
}

}  // namespace

TMainForm::TMainForm(IUserPrompts& prompts, const std::string& ini_path, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), ini_(ini_path) {
  setObjectName("MainForm");
  BuildControls();
  CreateGridPrinter();
  FormCreate();
}

TMainForm::~TMainForm() {
  // FormDestroy. The child widgets outlive this body; none may call back.
  static_cast<ExitLineEdit*>(poisk_)->Disarm();
  // What was typed is kept while the grid can still hand it over; then the
  // grid lets go of the dataset before it closes.
  price_list_.CloseAtExit([this](const std::string& message) { prompts_.ShowException(message); });
  price_list_.SetEditor(nullptr);
  DBGrid_->SetDataSetModel(nullptr);
  model_.reset();
}

void TMainForm::BuildControls() {
  QFont window_font = font();
  window_font.setPointSize(8);
  setFont(window_font);
  setWindowTitle(kInitialCaption);

  tool_bar_ = addToolBar(QStringLiteral("Команды"));
  tool_bar_->setObjectName("ToolBar");
  tool_bar_->setMovable(false);
  FilterSpeedButton_ = AddButton(tool_bar_, "FilterSpeedButton", QStringLiteral("Заказ"));
  SpeedButton1_ = AddButton(tool_bar_, "SpeedButton1", QStringLiteral("Печать"));
  SpeedButton1_->setEnabled(false);
  NaklButton_ = AddButton(tool_bar_, "NaklButton", QStringLiteral("Накладные"));
  NaklButton_->setCheckable(true);
  ArchiveSpeedButton_ = AddButton(tool_bar_, "ArchiveSpeedButton", QStringLiteral("Архив"));
  ArchiveSpeedButton_->setCheckable(true);
  SaveButton_ = AddButton(tool_bar_, "SaveButton", QStringLiteral("Сохранить"));
  SpeedButton2_ = AddButton(tool_bar_, "SpeedButton2", QStringLiteral("Очистить"),
                            QStringLiteral("Очистить количество в строках"));
  DeleteButton3_ = AddButton(tool_bar_, "DeleteButton3", QStringLiteral("Удалить"),
                             QStringLiteral("Удалить сохраненную заявку"));
  NastrButton_ = AddButton(tool_bar_, "NastrButton", QStringLiteral("Настройки"));
  ButtonSvyz_ = AddButton(tool_bar_, "ButtonSvyz", QStringLiteral("Подключение"));
  ExitButton_ =
      AddButton(tool_bar_, "ExitButton", QStringLiteral("Выход"), QStringLiteral("Выход"));

  addToolBarBreak();
  auto* tool_bar2 = addToolBar(QStringLiteral("Комментарий"));
  tool_bar2->setObjectName("ToolBar2");
  tool_bar2->setMovable(false);
  ButtonCom_ = new QToolButton(tool_bar2);
  ButtonCom_->setObjectName("ButtonCom");
  ButtonCom_->setText(QStringLiteral("   Комментарий  к  заказу     "));
  tool_bar2->addWidget(ButtonCom_);
  Coment_ = new QLineEdit(tool_bar2);
  Coment_->setObjectName("Coment");
  Coment_->setFixedWidth(257);
  tool_bar2->addWidget(Coment_);
  HelpBut_ = new QToolButton(tool_bar2);
  HelpBut_->setObjectName("HelpBut");
  HelpBut_->setText(QStringLiteral("Описание"));
  tool_bar2->addWidget(HelpBut_);

  Pages_ = new QTabWidget(this);
  Pages_->setObjectName("Pages");
  auto* page = new QWidget(Pages_);
  page->setObjectName("TabSheet1");
  Pages_->addTab(page, QStringLiteral("Прайс"));
  setCentralWidget(Pages_);

  auto* page_layout = new QVBoxLayout(page);
  page_layout->setContentsMargins(0, 0, 0, 0);
  page_layout->setSpacing(0);
  auto* tool_bar1 = new QToolBar(page);
  tool_bar1->setObjectName("ToolBar1");
  seekbot_ = new ClickLabel(
      kSeekOff, [this] { Guard([this] { seekbotClick(); }); }, tool_bar1);
  seekbot_->setObjectName("seekbot");
  tool_bar1->addWidget(seekbot_);
  poisk_ = new ExitLineEdit(
      [this] {
        if (!leaving_poisk_by_key_) Guard([this] { poiskExit(); });
      },
      tool_bar1);
  poisk_->setObjectName("poisk");
  poisk_->setFixedWidth(200);
  tool_bar1->addWidget(poisk_);
  tool_bar1->addSeparator();
  auto* label1 = new QLabel(QStringLiteral(" КОРОТКИЙ СРОК ГОДНОСТИ"), tool_bar1);
  label1->setObjectName("Label1");
  label1->setFixedWidth(190);
  label1->setAutoFillBackground(true);
  QFont legend_font = label1->font();
  legend_font.setPointSize(6);
  legend_font.setBold(true);
  label1->setFont(legend_font);
  label1->setStyleSheet(QStringLiteral("QLabel { color: white; background: red; }"));
  tool_bar1->addWidget(label1);
  auto* label2 = new QLabel(QStringLiteral("  ЖВЛС "), tool_bar1);
  label2->setObjectName("Label2");
  label2->setFont(legend_font);
  const QColor title_bar = palette().color(QPalette::Active, QPalette::Highlight);
  label2->setStyleSheet(
      QStringLiteral("QLabel { color: white; background: %1; }").arg(title_bar.name()));
  tool_bar1->addWidget(label2);
  page_layout->addWidget(tool_bar1);

  auto* body = new QHBoxLayout();
  body->setSpacing(0);
  DBGrid_ = new DbGrid(page);
  DBGrid_->setObjectName("DBGrid");
  QFont grid_font = DBGrid_->font();
  grid_font.setPointSize(9);
  DBGrid_->setFont(grid_font);
  DBGrid_->horizontalHeader()->setFont(grid_font);
  body->addWidget(DBGrid_, 1);
  TreeView2_ = new QTreeWidget(page);
  TreeView2_->setObjectName("TreeView2");
  TreeView2_->setFixedWidth(144);
  TreeView2_->setHeaderHidden(true);
  TreeView2_->setRootIsDecorated(false);
  TreeView2_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  body->addWidget(TreeView2_);
  page_layout->addLayout(body, 1);

  model_ = std::make_unique<DataSetModel>(PriceTable(), PriceGridColumns());
  model_->SetRowColourRule(PriceRowColourRule(PriceTable()));
  price_list_.SetEditor(DBGrid_);
  model_->SetErrorHandler([this](const std::string& message) { prompts_.ShowException(message); });
  DBGrid_->SetDataSetModel(model_.get());

  connect(FilterSpeedButton_, &QToolButton::clicked, this,
          [this] { Guard([this] { FilterSpeedButtonClick(); }); });
  connect(SpeedButton2_, &QToolButton::clicked, this,
          [this] { Guard([this] { SpeedButton2Click(); }); });
  connect(SpeedButton1_, &QToolButton::clicked, this,
          [this] { Guard([this] { SpeedButton1Click(); }); });
  connect(ExitButton_, &QToolButton::clicked, this,
          [this] { Guard([this] { ExitButtonClick(); }); });
  connect(HelpBut_, &QToolButton::clicked, this, [this] { Guard([this] { HelpButClick(); }); });
  connect(NastrButton_, &QToolButton::clicked, this,
          [this] { Guard([this] { NastrButtonClick(); }); });
  connect(ArchiveSpeedButton_, &QToolButton::clicked, this,
          [this] { Guard([this] { ArchiveSpeedButtonClick(); }); });
  connect(NaklButton_, &QToolButton::clicked, this,
          [this] { Guard([this] { NaklButtonClick(); }); });
  // "Накладные" and "Архив" are one toggle group in which both may be up.
  connect(NaklButton_, &QToolButton::toggled, this, [this](bool down) {
    if (down) ArchiveSpeedButton_->setChecked(false);
  });
  connect(ArchiveSpeedButton_, &QToolButton::toggled, this, [this](bool down) {
    if (down) NaklButton_->setChecked(false);
  });
  ConnectOrderButtons();
  connect(TreeView2_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
    if (node != nullptr && !filling_tree_) Guard([this, node] { TreeView2Change(node); });
  });
  NameControls();
  AddShortcuts();
}

void TMainForm::FormCreate() {
  ApplyProcessFormats();
  Coment_->setText(QString::fromStdString(
      ini_.ReadString(kMainSection, kCommentKey, Coment_->text().toStdString())));
  // A save killed midway is finished or undone before the user sees the
  // list; an unreadable price list is reported by the opening below.
  try {
    RecoverInterruptedSaves(price_list_);
  } catch (const std::exception&) {
  }
  OpenPriceList();
  PlaceWindow();
  ButtonCom_->setEnabled(false);
  RemoveLeftoverOrderFiles();
  PagesChange();
  FocusGridAtStart();
}

void TMainForm::PlaceWindow() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect desktop = screen->availableGeometry();
    setGeometry(desktop.left(), desktop.top(), desktop.width() / 2, desktop.height() / 2);
  }
  setWindowState(windowState() | Qt::WindowMaximized);
}

void TMainForm::OpenPriceList() {
  if (!PriceListExists()) {
    prompts_.Warning(kNoPriceList);
    return;
  }
  try {
    price_list_.OpenPriceList();
  } catch (const std::exception& e) {
    prompts_.Error(std::string(kOpenPriceListFailed) + "\r" + e.what());
    quit_requested_ = true;
    // Before the loop runs (start-up), RunMessageLoop does not start it.
    // While it runs, the end is queued and reaches every loop, nested ones
    // included.
    if (QThread::currentThread()->loopLevel() > 0) {
      QMetaObject::invokeMethod(
          QCoreApplication::instance(), [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    }
  }
  SetViewMode(vmPrice);
}

QString TMainForm::InitialTitle() { return kInitialCaption; }

QString TMainForm::PriceListTitle() const {
  // Before any price list was opened there is no date to show.
  if (!price_list_.PriceListDate()) return kInitialCaption;
  return QStringLiteral("ООО Бриолан. Прайслист от ") +
         QString::fromStdString(FormatDateTime(*price_list_.PriceListDate()));
}

void TMainForm::SetShownFile(const std::string& file_name, const LocalDateTime& time) {
  shown_file_ = file_name;
  shown_file_time_ = time;
}

void TMainForm::SetViewMode(TViewMode mode) {
  view_mode_ = mode;
  switch (mode) {
    case vmPrice:
      price_list_.ShowAllRows();
      FilterSpeedButton_->setText(QStringLiteral("Заказ"));
      break;
    case vmOrder:
      price_list_.ShowOrderedRows();
      FilterSpeedButton_->setText(QStringLiteral("Прайс"));
      seekbot_->setText(kSeekOff);
      poisk_->clear();
      break;
    case vmArchive:
    case vmWaybill:
      break;
  }
  FilterSpeedButton_->setEnabled(mode != vmArchive);
  QString title;
  if (mode == vmPrice || mode == vmOrder) {
    title = PriceListTitle();
  } else {
    // The file shown and its time, as the browser listed it.
    title = (mode == vmArchive ? QStringLiteral("ООО Бриолан. Заказ из архива ")
                               : QStringLiteral("ООО Бриолан. Накладная ")) +
            QString::fromStdString(shown_file_) + QStringLiteral(" от ") +
            QString::fromStdString(FormatDateTime(shown_file_time_));
  }
  setWindowTitle(title);
  application_title_ = title;
  GridPrinter_->SetPrintTitle(title);
  if (OnTitleChanged) OnTitleChanged(title);
}

void TMainForm::FilterSpeedButtonClick() {
  if (view_mode_ == vmPrice) {
    SetViewMode(vmOrder);
  } else if (view_mode_ == vmOrder) {
    SetViewMode(vmPrice);
  }
  SpeedButton1_->setEnabled(view_mode_ != vmPrice);
}

void TMainForm::PagesChange() {
  filling_tree_ = true;
  TreeView2_->clear();
  const bool price_exists = PriceListExists();
  if (price_exists)
    new QTreeWidgetItem(TreeView2_, QStringList(QString::fromLatin1(kPriceListNode)));
  for (const std::string& name : ListPendingOrders()) {
    new QTreeWidgetItem(TreeView2_, QStringList(QString::fromStdString(name)));
  }
  filling_tree_ = false;
  if (TreeView2_->topLevelItemCount() > 0 && price_exists) {
    TreeView2_->setCurrentItem(TreeView2_->topLevelItem(0));
  }
}

void TMainForm::TreeView2Change(QTreeWidgetItem* node) {
  // The program is ending: a second failure box would only hide that.
  if (quit_requested_) return;
  const bool price_node = TreeView2_->indexOfTopLevelItem(node) == 0 &&
                          node->text(0) == QString::fromLatin1(kPriceListNode) && PriceListExists();
  if (price_node) {
    price_list_.OpenPriceList();
  } else {
    // The whole name: a client code longer than four characters makes names
    // beyond 8.3, which must open as well.
    price_list_.OpenPendingOrder(node->text(0).toStdString());
  }
  SaveButton_->setEnabled(price_node);
  SpeedButton2_->setEnabled(price_node);
  DeleteButton3_->setEnabled(!price_node);
  SpeedButton1_->setEnabled(!price_node);
  ButtonCom_->setEnabled(!price_node);
}

void TMainForm::seekbotClick() {
  if (seekbot_->text() == kSeekOff) {
    // The table's text is in Windows-1251, so the expression is too.
    price_list_.SetNameFilter(Utf8ToCp1251(poisk_->text().toStdString()));
    seekbot_->setText(kSeekOn);
  } else {
    price_list_.ShowAllRows();
    poisk_->clear();
    seekbot_->setText(kSeekOff);
  }
}

void TMainForm::poiskExit() {
  if (!poisk_->text().isEmpty()) seekbotClick();
}

void TMainForm::SpeedButton2Click() {
  // A quantity still in the editor is part of what the question is about.
  price_list_.KeepTyping();
  if (!prompts_.Confirm("Очистить заказ?")) return;
  ClearQuantities(PriceTable(), *this);
}

void TMainForm::ExitButtonClick() {
  ini_.WriteString(kMainSection, kCommentKey, Coment_->text().toStdString());
  close();
}

void TMainForm::HelpButClick() {
  if (help_form_ != nullptr) help_form_->exec();
}

void TMainForm::NastrButtonClick() {
  if (settings_form_ != nullptr) settings_form_->exec();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // A print job draws from pages this window owns: the job runs to its end
  // (the preview's "Stop" ends it sooner) and the window closes after it.
  if (GridPrinter_ != nullptr && GridPrinter_->Printing()) {
    close_after_print_ = true;
    event->ignore();
    return;
  }
  // The last moment the grid can still hand over what is in its editor.
  price_list_.CloseAtExit([this](const std::string& message) { prompts_.ShowException(message); });
  event->accept();
}

void TMainForm::Guard(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    prompts_.ShowException(e.what());
  }
}

}  // namespace zakaz
