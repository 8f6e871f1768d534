// dbftool info FILE: what the header says next to what the file holds.
#include <iomanip>
#include <ostream>

#include "commands.h"
#include "dbf/table/dbf_columns.h"

namespace zakaz::dbftool {
namespace {

uint32_t StoredCount(const std::array<uint8_t, dbf::kHeaderSize>& header) {
  return static_cast<uint32_t>(header[4]) | (static_cast<uint32_t>(header[5]) << 8) |
         (static_cast<uint32_t>(header[6]) << 16) | (static_cast<uint32_t>(header[7]) << 24);
}

}  // namespace

int RunInfo(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) {
    err << "usage: dbftool info FILE\n";
    return 2;
  }
  // Read-only: looking at a table must not change it, its time included.
  dbf::TDbfColumns table(args[0], false, false);
  const auto& header = table.Header();
  const auto flags = out.flags();
  out << "File: " << table.Path() << "\n";
  out << "Version: 0x" << std::hex << std::uppercase << std::setw(2) << std::setfill('0')
      << static_cast<int>(table.Version()) << std::dec << std::setfill(' ') << "\n";
  // The year is stored modulo 100 (some writers store year - 1900); both
  // read the same way for years 2000..2099.
  out << "Last update: " << std::setw(2) << std::setfill('0') << static_cast<int>(header[3]) << "."
      << std::setw(2) << static_cast<int>(header[2]) << "." << 2000 + header[1] % 100
      << std::setfill(' ') << "\n";
  out << "Records by header: " << StoredCount(header) << "\n";
  out << "Records by size: " << table.RecordCount() << "\n";
  out << "Header length: " << table.HeaderLength() << "\n";
  out << "Record length: " << table.RecordLength() << "\n";
  out << "Columns: " << table.FieldCount() << "\n";
  out << "  #  Name        Type  Width  Dec\n";
  for (const dbf::TDbfDescriptor& d : table.Descriptors()) {
    out << std::setw(3) << d.number << "  " << std::left << std::setw(11) << d.name << std::right
        << " " << d.type << "  " << std::setw(6) << d.width << "  " << std::setw(3) << d.decimals
        << "\n";
  }
  out.flags(flags);
  return 0;
}

}  // namespace zakaz::dbftool
