#include "print/grid_printer.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinterInfo>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <filesystem>
#include <system_error>

#include "common/format_message.h"
#include "common/user_prompts.h"
#include "dbf/dataset/table_dataset.h"
#include "print/page_builder.h"
#include "print/preview_form.h"
#include "print/printer_setup_dialog.h"

namespace zakaz {

TGridPrinter::TGridPrinter(dbf::TTableDataSet& dataset, std::vector<GridColumn> columns,
                           RowColourRule cell_colour, IUserPrompts& prompts, QWidget* window_parent)
    : dataset_(dataset),
      columns_(std::move(columns)),
      cell_colour_(std::move(cell_colour)),
      prompts_(prompts),
      window_parent_(window_parent) {
  PrinterInstalled = [] { return !QPrinterInfo::availablePrinterNames().isEmpty(); };
  ChoosePdfFile = [](QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("PDF"), suggested,
                                        QStringLiteral("PDF (*.pdf)"));
  };
}

TGridPrinter::~TGridPrinter() {
  // The window draws from this printer; it must not outlive it.
  delete preview_.data();
}

TPreviewForm* TGridPrinter::PreviewForm() const { return preview_.data(); }

void TGridPrinter::Build() {
  table_ = std::make_shared<const PrintTable>(
      CollectPrintTable(dataset_, columns_, cell_colour_, title_));
}

std::shared_ptr<const PageBuilder> TGridPrinter::Layout() {
  // The layout refers to its print; the two live and go together.
  struct Laid {
    Laid(std::shared_ptr<const PrintTable> print, const TPrintSettings& settings,
         QPagedPaintDevice& device)
        : table(std::move(print)), pages(*table, settings, device) {}
    std::shared_ptr<const PrintTable> table;
    PageBuilder pages;
  };
  auto laid = std::make_shared<const Laid>(table_, settings_, printer_);
  return std::shared_ptr<const PageBuilder>(laid, &laid->pages);
}

void TGridPrinter::Preview() {
  // The running job draws the built print on the printer the preview shows;
  // rebuilding either now would pull the pages from under it.
  if (printing_) {
    preview_pending_ = true;
    return;
  }
  Build();
  if (preview_ == nullptr) {
    preview_ = new TPreviewForm(*this, window_parent_);
    // The size to fall back on where "maximised" is not honoured (no window
    // manager, a tiling one): two thirds of the screen, centred on it.
    QScreen* screen = window_parent_ != nullptr ? window_parent_->screen() : nullptr;
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
      const QRect area = screen->availableGeometry();
      const QSize size((area.width() * 2 + 2) / 3, (area.height() * 2 + 2) / 3);
      preview_->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, area));
    }
  } else {
    preview_->Rebuild();
  }
  preview_->showMaximized();
  preview_->raise();
  preview_->activateWindow();
}

bool TGridPrinter::Print(const std::function<bool()>& keep_going) {
  if (printing_) return false;
  printing_ = true;
  if (PrintingChanged) PrintingChanged(true);
  bool printed = false;
  {
    // Ends the job's state on every way out, a failed page included.
    struct JobEnd {
      TGridPrinter& self;
      ~JobEnd() {
        self.printing_ = false;
        if (self.PrintingChanged) self.PrintingChanged(false);
      }
    } end{*this};
    printer_.setDocName(settings_.job_name);
    const PageBuilder pages(*table_, settings_, printer_);
    printed = pages.PaintAll(printer_, keep_going);
  }
  if (preview_pending_) {
    preview_pending_ = false;
    Preview();
  }
  return printed;
}

bool TGridPrinter::ExportPdf(const QString& path) {
  // The pages go to a neighbouring file first, so a failure leaves neither a
  // half-written file nor a damaged earlier one under the chosen name.
  const QString part = path + QStringLiteral(".part");
  QPrinter pdf(QPrinter::HighResolution);
  pdf.setOutputFormat(QPrinter::PdfFormat);
  pdf.setOutputFileName(part);
  pdf.setPageLayout(printer_.pageLayout());
  pdf.setDocName(settings_.job_name);
  pdf.setCreator(settings_.job_name);
  const PageBuilder pages(*table_, settings_, pdf);
  std::error_code error;
  bool written = pages.PaintAll(pdf);
  if (written) {
    std::filesystem::rename(part.toStdString(), path.toStdString(), error);
    written = !error;
  }
  if (!written) {
    std::filesystem::remove(part.toStdString(), error);
    prompts_.Error(FormatMessage(kPdfWriteFailed, {path.toStdString()}));
  }
  return written;
}

bool TGridPrinter::ExportPdfInteractively(QWidget* parent) {
  const QString path = ChoosePdfFile ? ChoosePdfFile(parent, SuggestedPdfName()) : QString();
  if (path.isEmpty()) return false;
  return ExportPdf(path);
}

QString TGridPrinter::SuggestedPdfName() const {
  QString name = QString::fromStdString(dataset_.TableName());
  name.replace(QLatin1Char('\\'), QLatin1Char('/'));
  const QString base = QFileInfo(name).completeBaseName();
  return (base.isEmpty() ? QStringLiteral("order") : base) + QStringLiteral(".pdf");
}

bool TGridPrinter::EditSettings(QWidget* parent) {
  TPrinterSetupDialog dialog(settings_, printer_, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  settings_ = dialog.Settings();
  return true;
}

}  // namespace zakaz
