// Small file helpers shared by the settings tests (whole files come from
// support/file_bytes.h).
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/file_bytes.h"

namespace zakaz::testing {

// Names of the entries of `dir`, to see that a failed write left no debris.
inline std::vector<std::string> EntryNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace zakaz::testing
