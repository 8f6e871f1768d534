// TPreviewForm: the print preview window ("Preview"), non-modal.
//
// A toolbar ("Print", "Printer setup", "Scale", "Previous", "Next", "Stop",
// "Close", "PDF") over the pages of the grid printer's print (PageView, laid
// out in full when the window is built or rebuilt, so the count is exact)
// and a status line "Page %d of %d". "Print" needs an installed printer and
// no print running; "Stop" works only while a print runs, which also
// disables "Close" and the pages; Escape stops a print or else closes the
// window. The grid printer
// owns the print and must outlive the window; the window is deleted when it
// is closed.
#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QToolButton;

namespace zakaz {

class PageView;
class TGridPrinter;

class TPreviewForm : public QMainWindow {
  Q_OBJECT

 public:
  TPreviewForm(TGridPrinter& printer, QWidget* parent = nullptr);

  // Lays the pages out again from the printer's current print.
  void Rebuild();
  int PageCount() const;
  int CurrentPage() const;  // 1-based
  bool Printing() const { return printing_; }

  // Toolbar handlers.
  void PrintClick();
  void SetupClick();
  void PdfClick();
  void StopClick() { stop_requested_ = true; }
  void PreviousClick();
  void NextClick();
  // "500%" ... "10%", "Page Width", "Whole Page".
  void SetScale(const QString& choice);
  // Stops a running print, or else closes the window.
  void EscapePressed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void UpdateControls();

  TGridPrinter& printer_;
  PageView* view_;
  QToolButton* print_;
  QToolButton* setup_;
  QToolButton* scale_;
  QToolButton* previous_;
  QToolButton* next_;
  QToolButton* stop_;
  QToolButton* close_;
  QToolButton* pdf_;
  QLabel* status_;
  bool printing_ = false;
  bool stop_requested_ = false;
};

}  // namespace zakaz
