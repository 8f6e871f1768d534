// What the exchange operations take from the server and the settings before
// using it as a name: the names a server lists, and the supplier's address.
// Pure functions, so the rules are checked without a connection.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zakaz::exchange {

// Whether `name` is something followed by ".dbf" in any letter case.
bool HasDbfExtension(std::string_view name);

// A name a listing may hand to RETR, DELE and a local file in `in`: a bare
// file name (no "/", "\", ":", NUL or other control character), not empty,
// not starting with a dot, without blanks around it, ending in ".dbf" in any
// letter case. Anything else could write outside `in` or pick a file the
// supplier never meant as a waybill.
bool IsWaybillName(std::string_view name);
// The acceptable names of `listing` in their order, each once; O(n log n),
// since a listing may hold a hundred thousand names.
std::vector<std::string> WaybillNames(const std::vector<std::string>& listing);

// Whether a table file of `file_size` bytes, whose first bytes are `head`,
// holds all that its header announces: at least 32 bytes and at least the
// header length (bytes 8-9) plus the record count (bytes 4-7) times the
// record length (bytes 10-11), little-endian. The fields are not read, so a
// table with odd values in them still passes. For a fetch the server gave
// no size for.
bool TableLengthWhole(std::string_view head, uint64_t file_size);

// The host and port of the setting "host" or "host:port"; the port is 21
// unless a whole number from 1 to 65535 follows the last colon.
std::pair<std::string, int> ParseServerAddress(const std::string& address);

}  // namespace zakaz::exchange
