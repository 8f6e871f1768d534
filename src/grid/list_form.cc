#include "grid/list_form.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStringList>

#include "common/user_prompts.h"

namespace zakaz {
namespace {

constexpr int kClientWidth = 487;
constexpr int kClientHeight = 231;
constexpr int kListHeight = 185;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 25;
constexpr int kButtonMargin = 16;
constexpr char kAreYouSure[] = "Вы уверены?";

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, int left) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setFlat(true);
  // No default button: Enter in the list chooses, and Enter on a focused
  // button presses that button (the window's event filter), never another.
  button->setAutoDefault(false);
  QFont font = button->font();
  font.setPointSize(9);
  font.setBold(true);
  font.setUnderline(true);
  button->setFont(font);
  const int top = kListHeight + (kClientHeight - kListHeight - kButtonHeight) / 2;
  button->setGeometry(left, top, kButtonWidth, kButtonHeight);
  return button;
}

}  // namespace

const TBrowserKind kArchiveBrowser{QStringLiteral("Архив заказов"),
                                   QStringLiteral("Список отправленных заказов"),
                                   "Archive\\",
                                   "Архив заявок пуст!",
                                   vmArchive,
                                   true};
const TBrowserKind kWaybillBrowser{QStringLiteral("Списко накладных"),
                                   QStringLiteral("Список накладных"), "in\\",
                                   "Список накладных пуст !", vmWaybill};

TListForm::TListForm(const TBrowserKind& kind, IUserPrompts& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      kind_(kind),
      prompts_(prompts) {
  setObjectName(kind.mode == vmArchive ? "ListForm" : "NaklForm");
  setWindowTitle(kind.caption);
  setFixedSize(kClientWidth, kClientHeight);

  ListBox_ = new QListWidget(this);
  ListBox_->setObjectName("ListBox");
  ListBox_->setAccessibleName(kind.list_name);
  ListBox_->setFrameShape(QFrame::NoFrame);
  // Every item is one line of the same font: its height is measured once,
  // not for each of thousands of items.
  ListBox_->setUniformItemSizes(true);
  ListBox_->setGeometry(0, 0, kClientWidth, kListHeight);
  ListBox_->installEventFilter(this);

  OkButton_ = AddButton(this, "OkButton", QStringLiteral("Выбор"), kButtonMargin);
  if (kind.repeats) {
    // Four buttons spread evenly between the margins, "Повторить" second.
    const int step = (kClientWidth - 2 * kButtonMargin - kButtonWidth) / 3;
    RepeatButton_ =
        AddButton(this, "RepeatButton", QStringLiteral("Повторить"), kButtonMargin + step);
    RepeatButton_->installEventFilter(this);
    DelButton_ = AddButton(this, "DelButton", QStringLiteral("Удалить"), kButtonMargin + 2 * step);
  } else {
    DelButton_ =
        AddButton(this, "DelButton", QStringLiteral("Удалить"), (kClientWidth - kButtonWidth) / 2);
  }
  CancelButton_ = AddButton(this, "CancelButton", QStringLiteral("Отмена"),
                            kClientWidth - kButtonMargin - kButtonWidth);

  for (QPushButton* button : {OkButton_, DelButton_, CancelButton_})
    button->installEventFilter(this);

  connect(OkButton_, &QPushButton::clicked, this, &TListForm::OkButtonClick);
  if (RepeatButton_ != nullptr)
    connect(RepeatButton_, &QPushButton::clicked, this, &TListForm::RepeatButtonClick);
  connect(DelButton_, &QPushButton::clicked, this, &TListForm::DelButtonClick);
  connect(CancelButton_, &QPushButton::clicked, this, &TListForm::CancelButtonClick);
  connect(ListBox_, &QListWidget::currentRowChanged, this, &TListForm::ListBoxClick);
  connect(ListBox_, &QListWidget::itemDoubleClicked, this, &TListForm::OkButtonClick);
}

bool TListForm::Execute() {
  repeat_chosen_ = false;
  FillList();
  if (entries_.empty()) {
    prompts_.Information(kind_.empty_message);
    return false;
  }
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  ListBox_->setFocus();
  return exec() == QDialog::Accepted;
}

void TListForm::FillList() {
  entries_ = ListTablesByAge(kind_.directory);
  {
    const QSignalBlocker quiet(ListBox_);
    ListBox_->clear();
    // One insertion for the whole list: item by item, a view (and an
    // assistive technology listening to it) hears of every row on its own.
    QStringList items;
    items.reserve(static_cast<qsizetype>(entries_.size()));
    for (const TOrderData& entry : entries_)
      items.push_back(QString::fromStdString(entry.FileName + "    " + entry.DateText));
    ListBox_->addItems(items);
  }
  SelectRow(static_cast<int>(entries_.size()) - 1);
}

std::string TListForm::GetSelectedName() const {
  const std::string& name = current_.FileName;
  return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

void TListForm::SelectRow(int row) {
  {
    const QSignalBlocker quiet(ListBox_);
    ListBox_->setCurrentRow(row);
    if (row < 0) ListBox_->clearSelection();
  }
  ListBoxClick();
}

void TListForm::ListBoxClick() {
  const int row = ListBox_->currentRow();
  current_ = row >= 0 && row < static_cast<int>(entries_.size()) ? entries_[row] : TOrderData{};
  if (RepeatButton_ != nullptr) RepeatButton_->setEnabled(row >= 0);
}

void TListForm::OkButtonClick() {
  if (ListBox_->currentRow() >= 0) accept();
}

void TListForm::RepeatButtonClick() {
  if (ListBox_->currentRow() < 0) return;
  repeat_chosen_ = true;
  accept();
}

void TListForm::CancelButtonClick() { reject(); }

void TListForm::DelButtonClick() {
  const int row = ListBox_->currentRow();
  if (entries_.empty() || row < 0) return;
  if (!prompts_.Confirm(kAreYouSure)) return;
  // Failures are not reported: the item goes all the same, and a file that
  // stayed is listed again next time.
  RemoveListedTable(kind_.directory, entries_[row].FileName);
  entries_.erase(entries_.begin() + row);
  {
    const QSignalBlocker quiet(ListBox_);
    delete ListBox_->takeItem(row);
  }
  SelectRow(entries_.empty() ? -1 : std::max(row - 1, 0));
}

bool TListForm::eventFilter(QObject* watched, QEvent* event) {
  // Enter on the focused "Повторить" presses it.
  if (watched == RepeatButton_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      RepeatButtonClick();
      return true;
    }
  }
  if (watched == ListBox_ && event->type() == QEvent::KeyPress) {
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        OkButtonClick();
        return true;
      case Qt::Key_Escape:
        CancelButtonClick();
        return true;
      case Qt::Key_Delete:
        DelButtonClick();
        return true;
      default:
        break;
    }
  }
  auto* button = qobject_cast<QPushButton*>(watched);
  if (button != nullptr && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      button->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace zakaz
