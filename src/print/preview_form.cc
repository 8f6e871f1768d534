#include "print/preview_form.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "print/grid_printer.h"
#include "print/page_view.h"

namespace zakaz {
namespace {

const char* const kScales[] = {"500%", "200%", "150%", "100%",       "75%",
                               "50%",  "25%",  "10%",  "Page Width", "Whole Page"};
constexpr char kInitialScale[] = "Whole Page";

QToolButton* AddButton(QToolBar* bar, const char* name, const char* caption) {
  auto* button = new QToolButton(bar);
  button->setObjectName(name);
  button->setText(QString::fromLatin1(caption));
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  bar->addWidget(button);
  return button;
}

}  // namespace

TPreviewForm::TPreviewForm(TGridPrinter& printer, QWidget* parent)
    : QMainWindow(parent, Qt::Window), printer_(printer) {
  setObjectName("PreviewForm");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Preview"));

  auto* bar = addToolBar(QStringLiteral("Preview"));
  bar->setObjectName("PreviewToolBar");
  bar->setMovable(false);
  print_ = AddButton(bar, "PrintButton", "Print");
  setup_ = AddButton(bar, "SetupButton", "Printer setup");
  scale_ = AddButton(bar, "ScaleButton", "Scale");
  scale_->setPopupMode(QToolButton::InstantPopup);
  auto* scale_menu = new QMenu(scale_);
  auto* scale_group = new QActionGroup(scale_menu);
  for (const char* choice : kScales) {
    QAction* action = scale_menu->addAction(QString::fromLatin1(choice));
    action->setCheckable(true);
    action->setChecked(qstrcmp(choice, kInitialScale) == 0);
    scale_group->addAction(action);
    connect(action, &QAction::triggered, this, [this, action] { SetScale(action->text()); });
  }
  scale_->setMenu(scale_menu);
  previous_ = AddButton(bar, "PreviousButton", "Previous");
  previous_->setAutoRepeat(true);
  next_ = AddButton(bar, "NextButton", "Next");
  next_->setAutoRepeat(true);
  stop_ = AddButton(bar, "StopButton", "Stop");
  close_ = AddButton(bar, "CloseButton", "Close");
  pdf_ = AddButton(bar, "PdfButton", "PDF");

  view_ = new PageView(this);
  view_->setObjectName("PreviewPages");
  view_->setAccessibleName(QStringLiteral("Страницы печати"));
  setCentralWidget(view_);
  status_ = new QLabel(this);
  status_->setObjectName("PreviewStatus");
  status_->setAccessibleName(QStringLiteral("Номер страницы"));
  statusBar()->addWidget(status_);

  connect(view_, &PageView::PageChanged, this, [this] { UpdateControls(); });
  connect(print_, &QToolButton::clicked, this, [this] { PrintClick(); });
  connect(setup_, &QToolButton::clicked, this, [this] { SetupClick(); });
  connect(previous_, &QToolButton::clicked, this, [this] { PreviousClick(); });
  connect(next_, &QToolButton::clicked, this, [this] { NextClick(); });
  connect(stop_, &QToolButton::clicked, this, [this] { StopClick(); });
  connect(close_, &QToolButton::clicked, this, [this] { close(); });
  connect(pdf_, &QToolButton::clicked, this, [this] { PdfClick(); });

  // Escape reaches the window from whichever control has the focus.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] { EscapePressed(); });

  view_->FitInView();
  // PageUp, PageDown and the wheel page from the start.
  view_->setFocus();
  Rebuild();
}

void TPreviewForm::Rebuild() {
  if (printer_.Printing()) return;  // the grid printer rebuilds once the job has ended
  view_->SetPages(printer_.Layout());
  UpdateControls();
}

int TPreviewForm::PageCount() const { return view_->PageCount(); }

int TPreviewForm::CurrentPage() const { return view_->CurrentPage(); }

void TPreviewForm::UpdateControls() {
  const int pages = view_->PageCount();
  const int page = view_->CurrentPage();
  print_->setEnabled(!printing_ && pages > 0 && printer_.PrinterInstalled &&
                     printer_.PrinterInstalled());
  setup_->setEnabled(!printing_);
  pdf_->setEnabled(!printing_ && pages > 0);
  // While a job runs only "Stop" answers: paging or zooming repaints from
  // the printer the job is drawing on.
  scale_->setEnabled(!printing_);
  view_->setEnabled(!printing_);
  previous_->setEnabled(!printing_ && page > 1);
  next_->setEnabled(!printing_ && page < pages);
  stop_->setEnabled(printing_);
  close_->setEnabled(!printing_);
  const QString counter = QStringLiteral("Page %1 of %2").arg(page).arg(pages);
  status_->setText(counter);
  // A named label no longer reads its text as its name.
  status_->setAccessibleDescription(counter);
}

void TPreviewForm::PreviousClick() {
  if (printing_) return;
  view_->SetCurrentPage(view_->CurrentPage() - 1);
  UpdateControls();
}

void TPreviewForm::NextClick() {
  if (printing_) return;
  view_->SetCurrentPage(view_->CurrentPage() + 1);
  UpdateControls();
}

void TPreviewForm::SetScale(const QString& choice) {
  if (printing_) return;
  if (choice == QLatin1String("Page Width")) {
    view_->FitToWidth();
  } else if (choice == QLatin1String("Whole Page")) {
    view_->FitInView();
  } else {
    QString percent = choice;
    percent.chop(1);
    view_->SetZoomFactor(percent.toDouble() / 100.0);
  }
  UpdateControls();
}

void TPreviewForm::PrintClick() {
  if (printing_) return;
  printing_ = true;
  stop_requested_ = false;
  UpdateControls();
  // Between pages the window answers "Stop" and Escape.
  printer_.Print([this] {
    QApplication::processEvents();
    return !stop_requested_;
  });
  printing_ = false;
  UpdateControls();
}

void TPreviewForm::SetupClick() {
  if (printing_) return;
  if (printer_.EditSettings(this)) Rebuild();
}

void TPreviewForm::PdfClick() {
  if (printing_) return;
  printer_.ExportPdfInteractively(this);
}

void TPreviewForm::EscapePressed() {
  if (printing_) {
    stop_requested_ = true;
  } else {
    close();
  }
}

void TPreviewForm::closeEvent(QCloseEvent* event) {
  if (printing_) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace zakaz
