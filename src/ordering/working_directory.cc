#include "ordering/working_directory.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "common/ascii_text.h"
#include "common/user_prompts.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWorkDirectories[] = {"demand", "archive", "in", "temp"};

}  // namespace

std::vector<std::string> MissingWorkDirectories(const fs::path& dir) {
  std::vector<std::string> present;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    if (it->is_directory(ignored)) present.push_back(AsciiLower(it->path().filename().string()));
  }
  std::vector<std::string> missing;
  for (const char* name : kWorkDirectories) {
    if (std::find(present.begin(), present.end(), name) == present.end()) missing.push_back(name);
  }
  return missing;
}

bool OfferMissingWorkDirectories(const fs::path& dir, IUserPrompts& prompts) {
  const std::vector<std::string> missing = MissingWorkDirectories(dir);
  if (missing.empty()) return true;
  std::string names;
  for (const auto& name : missing) names += (names.empty() ? "" : ", ") + name;
  if (!prompts.Confirm("В рабочем каталоге " + dir.string() + " нет каталогов: " + names +
                       ".\nБез них заказы нельзя сохранить и отправить. Создать их?")) {
    return false;
  }
  for (const auto& name : missing) {
    std::error_code error;
    fs::create_directory(dir / name, error);
    if (error) {
      prompts.Error("Не удалось создать каталог " + (dir / name).string() + ": " + error.message());
      return false;
    }
  }
  return true;
}

}  // namespace zakaz
