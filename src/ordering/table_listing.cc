#include "ordering/table_listing.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <tuple>

#include "common/ascii_text.h"
#include "common/file_path.h"
#include "common/working_files.h"

namespace zakaz {
namespace {

struct Found {
  TOrderData entry;
  timespec modified;
};

bool OlderFirst(const Found& a, const Found& b) {
  return std::tie(a.modified.tv_sec, a.modified.tv_nsec, a.entry.FileName) <
         std::tie(b.modified.tv_sec, b.modified.tv_nsec, b.entry.FileName);
}

}  // namespace

std::vector<TOrderData> ListTablesByAge(std::string_view directory) {
  std::vector<Found> found;
  for (TTableFile& file : ListTableFiles(ResolvePath(directory))) {
    const LocalDateTime time = ToLocalDateTime(file.modified.tv_sec);
    found.push_back({{std::move(file.name), FormatDateTime(time), time}, file.modified});
  }
  std::sort(found.begin(), found.end(), OlderFirst);
  std::vector<TOrderData> entries;
  entries.reserve(found.size());
  for (Found& f : found) entries.push_back(std::move(f.entry));
  return entries;
}

bool RemoveListedTable(std::string_view directory, const std::string& file_name) {
  // The name as listed, exactly: on a file system that tells letter case
  // apart, "X.DBF" beside "x.dbf" is another file, which must stay.
  return ::unlink((ResolvePath(directory) + "/" + file_name).c_str()) == 0;
}

}  // namespace zakaz
