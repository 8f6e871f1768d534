// Synthetic tables for the inspector tool, tests and benchmarks: an empty
// table with chosen columns, written byte for byte as the engine creates
// tables, and a realistic supplier price list filled through the engine.
//
// The price list has the supplier's columns NAME C(100), PROIZVOD C(25),
// PRICE N(10,2), KOL N(8,0), QUANT N(5,0), Kod C(100), SROK C(10), NDS N(2,0),
// FASOVKA C(10), FLAG N(1,0), COMMENT C(100), with Russian text in CP866. The
// same seed and base day give the same file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zakaz::dbf {

struct TColumnSpec {
  std::string name;  // stored as given (up to 10 characters)
  char type = 'C';
  int width = 0;  // for C up to 65535 (the high byte goes to byte 17)
  int decimals = 0;
};

// Creates (or replaces) `path` as an empty table: header with today's date,
// count 0, the descriptors, 0x0D and the end marker 0x1A. Throws ETableError.
void CreateEmptyTable(const std::string& path, const std::vector<TColumnSpec>& columns,
                      uint8_t version = 0x03);

// The supplier's price-list columns in their order.
std::vector<TColumnSpec> PriceListColumns();

struct TSampleOptions {
  int rows = 200;
  uint32_t seed = 1;
  // Expiry dates are spread around this Julian day; 0 means today.
  int base_day = 0;
};

// Writes a price list of `options.rows` records to `path` (replacing it):
// about one row in ten with FLAG 1, some expiry dates within 180 days of the
// base day and some empty, some zero or blank stock, a few deleted records.
void WriteSamplePriceList(const std::string& path, const TSampleOptions& options);

}  // namespace zakaz::dbf
