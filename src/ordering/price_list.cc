#include "ordering/price_list.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <exception>

#include "common/file_path.h"
#include "common/working_files.h"
#include "ordering/price_row.h"

namespace zakaz {
namespace {

bool Editing(const dbf::TTableDataSet& table) {
  const dbf::TDataSetState state = table.State();
  return state == dbf::TDataSetState::dsEdit || state == dbf::TDataSetState::dsInsert;
}

}  // namespace

TPriceList::TPriceList() { ConfigurePriceTable(table_); }

TPriceList::~TPriceList() {
  editor_ = nullptr;
  try {
    Close();
  } catch (const std::exception&) {
    // Nothing is left to tell at destruction; the window's exit path has
    // kept what was typed before.
  }
}

void TPriceList::KeepTyping() {
  if (editor_ != nullptr) editor_->CommitEditor();
  if (table_.Active() && Editing(table_)) table_.Post();
}

void TPriceList::Close() {
  KeepTyping();
  table_.Close();
  PutBackFileTime();
}

void TPriceList::CloseAtExit(const std::function<void(const std::string&)>& on_failure) {
  try {
    KeepTyping();
  } catch (const std::exception& e) {
    if (on_failure) on_failure(e.what());
  }
  try {
    table_.Close();
  } catch (const std::exception&) {
    // Closing cannot fail in a way the user could act on at exit.
  }
  PutBackFileTime();
}

void TPriceList::PutBackFileTime() {
  // Without an opening there is nothing to put back; a failure is ignored.
  if (shows_price_list_ && price_file_time_) RestorePriceListTime(*price_file_time_);
  shows_price_list_ = false;
  price_file_time_.reset();
}

std::optional<timespec> TPriceList::PriceListTime() {
  struct stat st {};
  if (::stat(ResolvePath(kPriceListFile).c_str(), &st) != 0) return std::nullopt;
  return st.st_mtim;
}

bool TPriceList::RestorePriceListTime(const timespec& time) {
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1] = time;
  return ::utimensat(AT_FDCWD, ResolvePath(kPriceListFile).c_str(), times, 0) == 0;
}

void TPriceList::Reopen(const std::string& table_name, bool read_only) {
  Close();
  table_.SetTableName(table_name);
  table_.SetReadOnly(read_only);
  table_.Open();
}

void TPriceList::OpenPriceList() {
  Close();
  price_file_time_ = PriceListTime();
  if (price_file_time_) price_date_ = ToLocalDateTime(price_file_time_->tv_sec);
  table_.SetTableName(kPriceListFile);
  table_.SetReadOnly(false);
  // The time is put back when the table closes, even after a failed opening
  // (which may already have touched the header).
  shows_price_list_ = true;
  table_.Open();
}

void TPriceList::OpenPendingOrder(const std::string& file_name) {
  Reopen(std::string(kDemandDirectory) + "\\" + file_name, false);
}

void TPriceList::OpenReadOnly(const std::string& directory, const std::string& file_name) {
  Reopen(directory + file_name, true);
}

void TPriceList::ShowAllRows() {
  KeepTyping();
  table_.SetFiltered(false);
  table_.SetFilter("");
}

void TPriceList::ShowOrderedRows() {
  KeepTyping();
  table_.SetFilter(kOrderFilterText);
  table_.SetFiltered(true);
}

void TPriceList::SetNameFilter(const std::string& text) {
  KeepTyping();
  table_.SetFilter("Name = '*" + text + "*'");
  table_.SetFiltered(true);
}

}  // namespace zakaz
