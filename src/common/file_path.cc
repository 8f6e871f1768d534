#include "common/file_path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "common/ascii_text.h"

namespace zakaz {
namespace {

bool PathExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

// The entry of `directory` equal to `name` ignoring case, the first in byte
// order when there are several; empty when none.
std::string FindIgnoringCase(const std::string& directory, std::string_view name) {
  DIR* dir = ::opendir(directory.empty() ? "/" : directory.c_str());
  if (dir == nullptr) return {};
  std::string best;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view candidate(entry->d_name);
    if (!EqualIgnoringAsciiCase(candidate, name)) continue;
    if (best.empty() || candidate < best) best = candidate;
  }
  ::closedir(dir);
  return best;
}

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

// Components of an absolute path after folding "." and "..".
std::vector<std::string> Components(std::string_view name) {
  std::string text(name);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  if (text.empty() || text[0] != '/') text = CurrentDirectory() + "/" + text;
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    std::string part = text.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  return parts;
}

// Whether `name` is already what FullPath makes of it: rooted, forward
// slashes only, no empty, "." or ".." component, no trailing slash. Such a
// name (every table the program and its fuzz targets open by full name) needs
// no splitting into strings.
bool IsFullPath(std::string_view name) {
  if (name.size() < 2 || name[0] != '/') return false;
  size_t start = 1;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == ".." || part.find('\\') != std::string_view::npos) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

size_t LastSeparator(std::string_view name) {
  const size_t slash = name.find_last_of("/\\");
  return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

std::string FullPath(std::string_view name) {
  if (IsFullPath(name)) return std::string(name);
  std::string out;
  for (const std::string& part : Components(name)) out += "/" + part;
  return out.empty() ? "/" : out;
}

std::string ResolvePath(std::string_view name) {
  std::string out;
  bool exists = true;  // everything so far exists, so lookups make sense
  for (const std::string& part : Components(name)) {
    std::string exact = out + "/" + part;
    if (exists && !PathExists(exact)) {
      const std::string match = FindIgnoringCase(out, part);
      if (match.empty()) {
        exists = false;
      } else {
        exact = out + "/" + match;
      }
    }
    out = std::move(exact);
  }
  return out.empty() ? "/" : out;
}

bool HasExtension(std::string_view name) {
  const std::string_view last = name.substr(LastSeparator(name));
  const size_t dot = last.rfind('.');
  return dot != std::string_view::npos && dot + 1 < last.size();
}

std::string WithDefaultExtension(std::string_view name, std::string_view extension) {
  std::string out(name);
  if (!HasExtension(name)) out += extension;
  return out;
}

std::string BaseName(std::string_view name) {
  std::string_view last = name.substr(LastSeparator(name));
  const size_t dot = last.rfind('.');
  if (dot != std::string_view::npos) last = last.substr(0, dot);
  return std::string(last);
}

}  // namespace zakaz
