#include "table_bytes.h"

#include <fstream>
#include <stdexcept>

namespace zakaz::dbf::testing {

std::string TableBytes(const std::vector<Col>& columns, const std::vector<std::string>& records,
                       uint8_t version, int stored_count, bool end_marker) {
  const int n = static_cast<int>(columns.size());
  const int header_length = 32 * n + (version == 0x30 ? 296 : 33);
  int record_length = 1;
  for (const Col& c : columns) record_length += c.width;
  std::string out(static_cast<size_t>(header_length), '\0');
  out[0] = static_cast<char>(version);
  out[1] = 24;
  out[2] = 1;
  out[3] = 2;
  const uint32_t count = stored_count < 0 ? static_cast<uint32_t>(records.size())
                                          : static_cast<uint32_t>(stored_count);
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<char>((count >> (8 * i)) & 0xFF);
  out[8] = static_cast<char>(header_length & 0xFF);
  out[9] = static_cast<char>(header_length >> 8);
  out[10] = static_cast<char>(record_length & 0xFF);
  out[11] = static_cast<char>(record_length >> 8);
  for (int i = 0; i < n; ++i) {
    const Col& c = columns[static_cast<size_t>(i)];
    const size_t d = static_cast<size_t>(32 + 32 * i);
    out.replace(d, c.name.size(), c.name);
    out[d + 11] = c.type;
    out[d + 16] = static_cast<char>(c.width & 0xFF);
    out[d + 17] = static_cast<char>(c.type == 'C' ? c.width >> 8 : c.decimals);
  }
  out[static_cast<size_t>(32 + 32 * n)] = 0x0D;
  for (const std::string& r : records) {
    if (static_cast<int>(r.size()) != record_length) {
      throw std::logic_error("record of " + std::to_string(r.size()) + " bytes, table needs " +
                             std::to_string(record_length));
    }
    out += r;
  }
  if (end_marker) out += '\x1A';
  return out;
}

std::string Left(const std::string& text, int width) {
  std::string out = text.substr(0, static_cast<size_t>(width));
  out.resize(static_cast<size_t>(width), ' ');
  return out;
}

std::string Right(const std::string& text, int width) {
  if (static_cast<int>(text.size()) >= width) return text.substr(0, static_cast<size_t>(width));
  return std::string(static_cast<size_t>(width) - text.size(), ' ') + text;
}

uint32_t U32At(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<uint8_t>(bytes.at(offset + static_cast<size_t>(i)));
  }
  return value;
}

uint16_t U16At(const std::string& bytes, size_t offset) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(offset)) |
                               (static_cast<uint8_t>(bytes.at(offset + 1)) << 8));
}

}  // namespace zakaz::dbf::testing
