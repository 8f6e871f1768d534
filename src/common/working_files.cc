#include "common/working_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "common/ascii_text.h"

namespace zakaz {

bool IsTableName(const std::string& name) {
  return EndsWithIgnoringAsciiCase(name, kTableExtension);
}

std::vector<TTableFile> ListTableFiles(const std::string& path) {
  std::vector<TTableFile> found;
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return found;
  while (const dirent* item = ::readdir(dir)) {
    const std::string name = item->d_name;
    if (!IsTableName(name)) continue;
    struct stat info {};
    if (::stat((path + "/" + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    found.push_back({name, info.st_mtim});
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end(),
            [](const TTableFile& a, const TTableFile& b) { return a.name < b.name; });
  return found;
}

}  // namespace zakaz
