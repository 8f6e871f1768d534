// The main window from the keyboard and for assistive technology: where the
// focus starts, the window's shortcuts (shown in the buttons' tooltips), the
// name-filter box's Enter and Escape, the way out of the grid (whose Tab
// moves between cells), and the Russian names a screen reader reads for the
// controls that show no text of their own.
#include <QAbstractItemView>
#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "app/main_form.h"
#include "grid/data_set_model.h"
#include "grid/db_grid.h"
#include "ordering/price_row.h"

namespace zakaz {
namespace {

const QString kSeekOn = QStringLiteral("Отключить");

// "Сохранить (Ctrl+S)": the caption and the key in the form the user reads.
QString HintWithKey(const QString& hint, const QKeySequence& key) {
  return hint + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

bool Focusable(const QWidget* widget) {
  return widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus);
}

}  // namespace

void TMainForm::NameControls() {
  // A screen reader reads a toolbar by its window title ("Команды" and
  // "Комментарий" are given where the window adds them); the object names
  // stay what the code and the tests know them by.
  findChild<QToolBar*>(QStringLiteral("ToolBar1"))->setWindowTitle(QStringLiteral("Отбор"));
  Coment_->setAccessibleName(QStringLiteral("Комментарий к заказу"));
  poisk_->setAccessibleName(QStringLiteral("Отбор по наименованию"));
  TreeView2_->setAccessibleName(QStringLiteral("Заказы"));
  DBGrid_->setAccessibleName(QStringLiteral("Прайс-лист"));
  Pages_->setAccessibleName(QStringLiteral("Прайс"));
}

void TMainForm::AddShortcuts() {
  // A disabled button's key does nothing: click() of a disabled button is
  // ignored, so the key is no way round the button's state.
  const auto bind = [this](const QKeySequence& key, QToolButton* button) {
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, button, [button] { button->click(); });
    button->setToolTip(HintWithKey(button->text().trimmed(), key));
  };
  bind(QKeySequence(Qt::CTRL | Qt::Key_S), SaveButton_);
  bind(QKeySequence(Qt::CTRL | Qt::Key_P), SpeedButton1_);
  bind(QKeySequence(Qt::Key_F1), HelpBut_);

  const QKeySequence find_key(Qt::CTRL | Qt::Key_F);
  auto* find = new QShortcut(find_key, this);
  connect(find, &QShortcut::activated, this, [this] {
    poisk_->setFocus(Qt::ShortcutFocusReason);
    poisk_->selectAll();
  });
  poisk_->setToolTip(HintWithKey(QStringLiteral("Отбор по наименованию"), find_key));
  poisk_->installEventFilter(this);

  // Tab moves between the grid's cells; these keys leave the grid (and move
  // between the other controls as Tab does).
  auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
  connect(next, &QShortcut::activated, this, [this] { MoveFocusPast(true); });
  auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), this);
  connect(previous, &QShortcut::activated, this, [this] { MoveFocusPast(false); });
}

void TMainForm::MoveFocusPast(bool forward) {
  QWidget* from = focusWidget();
  if (from == nullptr) from = DBGrid_;
  // The grid's cell editor is a child of the grid: the walk starts from the
  // grid, so the next control is the one after the grid, not the editor's.
  if (DBGrid_->isAncestorOf(from)) from = DBGrid_;
  QWidget* candidate = from;
  for (;;) {
    candidate = forward ? candidate->nextInFocusChain() : candidate->previousInFocusChain();
    if (candidate == from) return;
    if (candidate->window() != this || !Focusable(candidate)) continue;
    if (from == DBGrid_ && DBGrid_->isAncestorOf(candidate)) continue;
    candidate->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return;
  }
}

void TMainForm::FocusGridAtStart() {
  // The first key typed goes where an order is typed: the name column of the
  // first row, or the tree when there is no price list to type into.
  const int name_column = model_->ColumnOf(kFieldName);
  if (PriceTable().Active() && model_->rowCount() > 0 && name_column >= 0) {
    DBGrid_->setCurrentIndex(model_->index(0, name_column));
    DBGrid_->setFocus(Qt::OtherFocusReason);
  } else {
    TreeView2_->setFocus(Qt::OtherFocusReason);
  }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == poisk_ && event->type() == QEvent::KeyPress) {
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        Guard([this] { PoiskEnter(); });
        return true;
      case Qt::Key_Escape:
        Guard([this] { PoiskEscape(); });
        return true;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::PoiskEnter() {
  const QString text = poisk_->text();
  if (seekbot_->text() == kSeekOn) {
    // A filter already on: the label's click switches it off and empties
    // the box, so the new text goes back in and the second click applies it.
    seekbotClick();
    poisk_->setText(text);
  }
  if (!text.isEmpty()) seekbotClick();
  // Leaving the box with text would act as a click once more and undo the
  // filter just applied.
  leaving_poisk_by_key_ = true;
  DBGrid_->setFocus(Qt::OtherFocusReason);
  leaving_poisk_by_key_ = false;
}

void TMainForm::PoiskEscape() {
  if (seekbot_->text() == kSeekOn) seekbotClick();
  poisk_->clear();
  DBGrid_->setFocus(Qt::OtherFocusReason);
}

}  // namespace zakaz
