// TListForm: the small modal window in which the user picks a sent order
// from "Archive" or a waybill from "in" to view it read-only.
//
// The archive browser (TListForm) and the waybill browser (TNaklForm) are
// the same window over different data: a TBrowserKind gives the caption,
// the directory, the message for an empty list and the view mode the main
// window switches to. Each Execute rebuilds the list from the directory
// (table_listing.h), so files added or removed meanwhile are shown. The
// window is created once at start and reused; the kind and the prompts are
// borrowed and must outlive it. Controls carry their names as object names
// (ListBox, OkButton, DelButton, CancelButton; RepeatButton in the archive
// browser, which also offers to repeat the chosen order).
#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "ordering/table_listing.h"
#include "ordering/view_mode.h"

class QListWidget;
class QPushButton;

namespace zakaz {

class IUserPrompts;

struct TBrowserKind {
  QString caption;
  QString list_name;      // the list box's accessible name
  std::string directory;  // as the system writes it, with the trailing "\"
  std::string empty_message;
  TViewMode mode;        // the main window's mode while a chosen file is shown
  bool repeats = false;  // "Повторить" beside "Выбор"
};

extern const TBrowserKind kArchiveBrowser;
extern const TBrowserKind kWaybillBrowser;

class TListForm : public QDialog {
  Q_OBJECT

 public:
  TListForm(const TBrowserKind& kind, IUserPrompts& prompts, QWidget* parent = nullptr);

  const TBrowserKind& Kind() const { return kind_; }

  // Lists the directory with the last (newest) file selected. An empty list
  // shows the kind's message and returns false without showing the window;
  // otherwise the window is shown modally and the result is true exactly
  // when it was closed by a choice ("Выбор" or "Повторить").
  bool Execute();
  // Whether the last Execute was closed by "Повторить".
  bool RepeatChosen() const { return repeat_chosen_; }
  // FileName of CurrentEntry without its last four characters (normally
  // ".dbf"); empty when there is no current entry.
  std::string GetSelectedName() const;
  // The entry of the selected item; all fields empty when none is selected.
  const TOrderData& CurrentEntry() const { return current_; }

  // Event handlers.
  void OkButtonClick();
  // Closes the window with the selected item chosen for repeating.
  void RepeatButtonClick();
  void CancelButtonClick();
  // Asks "Вы уверены?"; on Yes removes the selected file and its item and
  // selects the item before it (the new first when it was the first).
  void DelButtonClick();
  void ListBoxClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillList();
  void SelectRow(int row);

  const TBrowserKind& kind_;
  IUserPrompts& prompts_;
  std::vector<TOrderData> entries_;  // one per item, in the list's order
  TOrderData current_;
  bool repeat_chosen_ = false;
  QListWidget* ListBox_;
  QPushButton* OkButton_;
  QPushButton* RepeatButton_ = nullptr;
  QPushButton* DelButton_;
  QPushButton* CancelButton_;
};

// The waybill browser is the same window over "in".
using TNaklForm = TListForm;

}  // namespace zakaz
