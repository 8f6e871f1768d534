#include "exchange/remote_names.h"

#include <algorithm>
#include <set>

#include "common/ascii_text.h"
#include "common/working_files.h"

namespace zakaz::exchange {
namespace {

constexpr int kDefaultFtpPort = 21;

}  // namespace

bool HasDbfExtension(std::string_view name) {
  // A bare ".dbf" names no table.
  return name.size() > std::string_view(kTableExtension).size() && IsTableName(std::string(name));
}

bool IsWaybillName(std::string_view name) {
  if (name.empty() || name.front() == '.' || name.front() == ' ' || name.back() == ' ') {
    return false;
  }
  for (const char c : name) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':') return false;
  }
  return HasDbfExtension(name);
}

std::vector<std::string> WaybillNames(const std::vector<std::string>& listing) {
  std::vector<std::string> names;
  std::set<std::string_view> seen;
  for (const std::string& line : listing) {
    if (IsWaybillName(line) && seen.insert(line).second) names.push_back(line);
  }
  return names;
}

bool TableLengthWhole(std::string_view head, uint64_t file_size) {
  constexpr uint64_t kHeaderSize = 32;
  if (head.size() < 12 || file_size < kHeaderSize) return false;
  auto byte = [&](size_t i) { return static_cast<uint64_t>(static_cast<unsigned char>(head[i])); };
  const uint64_t records = byte(4) | byte(5) << 8 | byte(6) << 16 | byte(7) << 24;
  const uint64_t header_length = byte(8) | byte(9) << 8;
  const uint64_t record_length = byte(10) | byte(11) << 8;
  return file_size >= header_length + records * record_length;
}

std::pair<std::string, int> ParseServerAddress(const std::string& address) {
  const size_t colon = address.rfind(':');
  if (colon == std::string::npos) return {address, kDefaultFtpPort};
  const std::string digits = address.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 ||
      !std::all_of(digits.begin(), digits.end(), IsAsciiDigit)) {
    return {address, kDefaultFtpPort};
  }
  const int port = std::stoi(digits);
  if (port < 1 || port > 65535) return {address, kDefaultFtpPort};
  return {address.substr(0, colon), port};
}

}  // namespace zakaz::exchange
