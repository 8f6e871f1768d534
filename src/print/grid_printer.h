// TGridPrinter (`GridPrinter`): the print of the main window's grid.
//
// Bound to the grid's dataset, its column list and its cell handler, it
// keeps the print settings and the print title for the whole run, walks the
// shown rows into a PrintTable when a print is built, and lays the same
// pages out for the preview, the printer and a PDF file (PageBuilder). The
// preview window is created by Preview and lives until the user closes it;
// Preview while it is open rebuilds its pages and brings it to the front. A
// walk that fails keeps the print built before.
//
// The dataset, the prompts and `window_parent` must outlive the printer.
// Failures of the walk (an unreadable record) reach the caller; a PDF file
// that cannot be written is reported through the prompts.
#pragma once

#include <QPointer>
#include <QPrinter>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "ordering/grid_columns.h"
#include "print/print_settings.h"
#include "print/print_table.h"

class QWidget;

namespace zakaz {

class IUserPrompts;
class PageBuilder;
class TPreviewForm;

// Shown when the PDF file cannot be written; %s is the file's path.
inline constexpr char kPdfWriteFailed[] = "Не удалось записать файл %s";

class TGridPrinter {
 public:
  TGridPrinter(dbf::TTableDataSet& dataset, std::vector<GridColumn> columns,
               RowColourRule cell_colour, IUserPrompts& prompts, QWidget* window_parent = nullptr);
  ~TGridPrinter();
  TGridPrinter(const TGridPrinter&) = delete;
  TGridPrinter& operator=(const TGridPrinter&) = delete;

  const TPrintSettings& Settings() const { return settings_; }
  void SetSettings(const TPrintSettings& settings) { settings_ = settings; }
  // The one-line title of the band; the main window copies its title here
  // every time the view mode changes.
  const QString& PrintTitle() const { return title_; }
  void SetPrintTitle(const QString& title) { title_ = title; }

  // Walks the shown rows into the print (the cursor comes back to its row).
  // Requires an open dataset.
  void Build();
  // The print as last built.
  const PrintTable& Table() const { return *table_; }
  // The print as last built laid out on the current printer, for the
  // preview: the pages keep the print they show, whatever is built later.
  std::shared_ptr<const PageBuilder> Layout();

  // Builds the print and shows it in the preview window, non-modal and
  // maximised, in front. While a print job runs the pages being printed stay
  // as they are: the rebuild is remembered and made once the job has ended.
  void Preview();
  // Whether a print job is running (Print has not returned yet).
  bool Printing() const { return printing_; }
  // Told true when a print job starts and false when it has ended; the main
  // window turns its "Печать" off meanwhile.
  std::function<void(bool printing)> PrintingChanged;
  // The preview window, or nullptr before the first Preview (or after it was
  // closed and destroyed with its parent).
  TPreviewForm* PreviewForm() const;

  // Whether the system has a printer to print on. Tests may replace it.
  std::function<bool()> PrinterInstalled;
  // Asks for the PDF file's path, offering `suggested`; empty: cancelled.
  // Defaults to the platform's save-file dialog; tests replace it.
  std::function<QString(QWidget* parent, const QString& suggested)> ChoosePdfFile;

  // The current printer: paper, orientation, the printer chosen.
  QPrinter& Printer() { return printer_; }
  // Prints the built print on the current printer; `keep_going` is asked
  // between pages. False when stopped or the printer could not be opened,
  // or when a print job is running already.
  bool Print(const std::function<bool()>& keep_going);
  // Writes the built print to the PDF file `path`; false, after a message,
  // when the file cannot be written.
  bool ExportPdf(const QString& path);
  // Asks for a file and writes the PDF there; false when cancelled or failed.
  bool ExportPdfInteractively(QWidget* parent);
  // "1234D6B3.pdf" for the shown table "demand\1234D6B3.DBF".
  QString SuggestedPdfName() const;
  // Opens the print-settings dialog on the current settings; true when the
  // user confirmed it (the settings are then kept).
  bool EditSettings(QWidget* parent);

 private:
  dbf::TTableDataSet& dataset_;
  std::vector<GridColumn> columns_;
  RowColourRule cell_colour_;
  IUserPrompts& prompts_;
  QWidget* window_parent_;
  TPrintSettings settings_;
  QString title_;
  std::shared_ptr<const PrintTable> table_ = std::make_shared<const PrintTable>();
  QPrinter printer_{QPrinter::HighResolution};
  QPointer<TPreviewForm> preview_;
  bool printing_ = false;
  bool preview_pending_ = false;  // a Preview asked for during a print job
};

}  // namespace zakaz
