// Whole files as byte strings, for tests that compare what was written,
// fetched or stored byte for byte, and a repeatable byte pattern to fill
// them with. Header only; nothing is kept.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace zakaz::testing {

// The file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes `content` as the whole file, making its folder first; throws when
// the file cannot be written, so a fixture never silently goes missing.
inline void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::error_code ignored;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// `size` bytes that look random and are the same for the same seed, so a
// swapped, shifted or truncated block shows in a comparison.
inline std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  unsigned state = seed;
  for (auto& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<char>(state >> 16);
  }
  return bytes;
}

}  // namespace zakaz::testing
