#include "exchange/remote_names.h"

#include <algorithm>

#include "common/ascii_text.h"

namespace zakaz::exchange {
namespace {

constexpr int kDefaultFtpPort = 21;

}  // namespace

bool HasDbfExtension(std::string_view name) {
  constexpr std::string_view kExtension = ".dbf";
  return name.size() > kExtension.size() &&
         EqualIgnoringAsciiCase(name.substr(name.size() - kExtension.size()), kExtension);
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
  for (const std::string& line : listing) {
    if (!IsWaybillName(line)) continue;
    if (std::find(names.begin(), names.end(), line) == names.end()) names.push_back(line);
  }
  return names;
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
