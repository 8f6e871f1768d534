#include "ordering/save_note.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "common/ascii_text.h"
#include "common/atomic_file.h"
#include "common/file_path.h"
#include "common/working_files.h"
#include "dbf/dataset/table_dataset.h"
#include "ordering/order_files.h"
#include "ordering/price_list.h"
#include "ordering/price_row.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;

constexpr char kNoteSuffix[] = ".saving";

// "temp" as the system names it, made when it is missing; empty when it
// cannot be had.
std::string TempDirectory() {
  const std::string path = ResolvePath(kTempDirectory);
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? path : std::string();
  if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return {};
  try {
    SyncParentDirectory(path);
  } catch (const std::system_error&) {
    // The folder is there; whether its creation is on the disk yet only
    // matters to a power loss in the next moments.
  }
  return path;
}

struct Note {
  std::string order;
  std::optional<timespec> price_time;
};

std::optional<Note> ReadNote(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  Note note;
  bool has_order = false;
  while (std::getline(in, line)) {
    if (line.rfind("order=", 0) == 0) {
      note.order = line.substr(6);
      has_order = !note.order.empty();
    } else if (line.rfind("mtime=", 0) == 0) {
      long long sec = 0;
      long nsec = 0;
      if (std::sscanf(line.c_str() + 6, "%lld %ld", &sec, &nsec) == 2 && nsec >= 0 &&
          nsec < 1000000000L) {
        note.price_time = timespec{static_cast<time_t>(sec), nsec};
      }
    }
  }
  // A name that would reach outside "demand" is no order this program wrote.
  if (!has_order || note.order.find_first_of("/\\") != std::string::npos || note.order == "." ||
      note.order == "..")
    return std::nullopt;
  return note;
}

void RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return;
  try {
    SyncParentDirectory(path);
  } catch (const std::system_error&) {
  }
}

bool OrderExists(const std::string& order) {
  std::error_code ec;
  return fs::is_regular_file(ResolvePath(std::string(kDemandDirectory) + "\\" + order), ec);
}

// Sets every typed quantity of the open price list to 0 and flushes it.
void ClearEveryQuantity(TPriceList& price_list) {
  dbf::TTableDataSet& table = price_list.Table();
  price_list.ShowOrderedRows();
  table.First();
  // A posted row that leaves "QUANT>0" stays current until the cursor
  // moves, so Next from it reaches the next ordered row.
  while (!table.Eof()) {
    table.Edit();
    table.FieldByName(kFieldQuant).SetAsInteger(0);
    table.Post();
    table.Next();
  }
  price_list.ShowAllRows();
  table.FlushToDisk();
}

}  // namespace

TSaveNote TSaveNote::Write(const std::string& order_name,
                           const std::optional<timespec>& price_time) {
  TSaveNote note;
  const std::string temp = TempDirectory();
  if (temp.empty()) return note;
  std::ostringstream text;
  text << "order=" << order_name << "\n";
  if (price_time) {
    text << "mtime=" << static_cast<long long>(price_time->tv_sec) << " " << price_time->tv_nsec
         << "\n";
  }
  const std::string path = temp + "/" + order_name + kNoteSuffix;
  try {
    WriteFileAtomically(path, text.str());
    SyncParentDirectory(path);
  } catch (const std::system_error&) {
    // A "temp" that takes no note (full, write-protected) must not stop the
    // pharmacy from saving: the save goes on as it did before notes.
    RemoveFile(path);
    return note;
  }
  note.path_ = path;
  return note;
}

void TSaveNote::Remove() {
  if (path_.empty()) return;
  RemoveFile(path_);
  path_.clear();
}

TSaveRecovery RecoverInterruptedSaves(TPriceList& price_list) {
  TSaveRecovery recovery;
  const std::string temp = ResolvePath(kTempDirectory);
  std::error_code ec;
  std::vector<std::string> notes;
  std::vector<std::string> unfinished;
  for (fs::directory_iterator it(temp, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    if (EndsWithIgnoringAsciiCase(name, kNoteSuffix)) {
      notes.push_back(it->path().string());
    } else if (IsUnfinishedAtomicWrite(name, kNoteSuffix)) {
      // A note whose writing was cut off: the order had not taken its name
      // yet, so there is nothing to finish.
      unfinished.push_back(it->path().string());
    }
  }
  for (const std::string& path : unfinished) RemoveFile(path);
  for (const std::string& path : notes) {
    const std::optional<Note> note = ReadNote(path);
    if (!note || !PriceListExists()) {
      RemoveFile(path);
      continue;
    }
    if (OrderExists(note->order)) {
      price_list.OpenPriceList();
      ClearEveryQuantity(price_list);
      price_list.Close();
      recovery.finished.push_back(note->order);
    } else {
      recovery.forgotten.push_back(note->order);
    }
    if (note->price_time) TPriceList::RestorePriceListTime(*note->price_time);
    RemoveFile(path);
  }
  return recovery;
}

}  // namespace zakaz
