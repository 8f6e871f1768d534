// What the exchange operations take from the server and the settings before
// using it as a name: the names a server lists, and the supplier's address.
// Pure functions, so the rules are checked without a connection.
#pragma once

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
// The acceptable names of `listing` in their order, each once.
std::vector<std::string> WaybillNames(const std::vector<std::string>& listing);

// The host and port of the setting "host" or "host:port"; the port is 21
// unless a whole number from 1 to 65535 follows the last colon.
std::pair<std::string, int> ParseServerAddress(const std::string& address);

}  // namespace zakaz::exchange
