#include "ordering/table_listing.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <tuple>

#include "common/ascii_text.h"
#include "common/file_path.h"

namespace zakaz {
namespace {

bool HasTableSuffix(std::string_view name) {
  constexpr std::string_view kSuffix = ".dbf";
  return name.size() >= kSuffix.size() &&
         EqualIgnoringAsciiCase(name.substr(name.size() - kSuffix.size()), kSuffix);
}

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
  const std::string path = ResolvePath(directory);
  std::vector<Found> found;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (const dirent* item = ::readdir(dir)) {
      const std::string name = item->d_name;
      if (name.empty() || name[0] == '.' || !HasTableSuffix(name)) continue;
      struct stat info {};
      if (::stat((path + "/" + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
      const LocalDateTime time = ToLocalDateTime(info.st_mtim.tv_sec);
      found.push_back({{name, FormatDateTime(time), time}, info.st_mtim});
    }
    ::closedir(dir);
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
