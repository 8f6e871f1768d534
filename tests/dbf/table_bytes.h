// Builds table files byte by byte for engine tests, so each test states the
// exact layout it opens (damaged headers included) without going through the
// code under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/file_bytes.h"

namespace zakaz::dbf::testing {

struct Col {
  std::string name;
  char type;
  int width;
  int decimals = 0;
};

// Header, descriptors, terminator (plus the 263-byte area for 0x30), the
// records (each a full record image, deletion flag first) and, when
// `end_marker`, a trailing 0x1A. `stored_count` < 0 stores the real count.
std::string TableBytes(const std::vector<Col>& columns, const std::vector<std::string>& records,
                       uint8_t version = 0x03, int stored_count = -1, bool end_marker = true);

// `text` cut or blank-padded to `width`: Left aligns left, Right right.
std::string Left(const std::string& text, int width);
std::string Right(const std::string& text, int width);

// Whole files: the shared helpers.
using zakaz::testing::ReadFile;
using zakaz::testing::WriteFile;

// Little-endian readers for checking stored headers.
uint32_t U32At(const std::string& bytes, size_t offset);
uint16_t U16At(const std::string& bytes, size_t offset);

}  // namespace zakaz::dbf::testing
