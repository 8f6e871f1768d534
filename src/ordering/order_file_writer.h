// Writing a new order file into "demand" so that no order is ever lost or
// seen half-written.
//
// "demand" is what the next send delivers to the supplier: every "*.dbf" in
// it is taken for a complete order. So an order is written under a temporary
// name that the send does not pick up, flushed to the disk, and only then
// renamed to its real name, which by then is known to be free. A failure at
// any step (a read error in the price list, a full disk) removes the
// temporary file; a crash or a kill leaves at most a temporary file, which
// the next start removes. The name itself is chosen so that it meets no
// order still pending or already archived, since either would be lost.
//
// Names are the system's ("demand\1234D6B3.DBF"), resolved against the
// working directory with letter case ignored. Plain functions; nothing kept.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zakaz {

namespace dbf {
class TTableDataSet;
}

// "demand\" + client_code + stamp + ".DBF" for the first of stamp, stamp + 1,
// stamp + 2, ... (its last four hexadecimal digits counted modulo 65536)
// whose file name is in neither "demand" nor "archive", letter case ignored.
// When every one is taken the first is returned, and writing it fails.
std::string FreeOrderFileName(const std::string& client_code, const std::string& stamp);

// The characters of the file name `name` that Windows cannot hold in a file
// name (\ / : * ? " < > |, control characters shown as "#<code>") and a
// leading dot (a hidden name), each once, in order, separated by blanks;
// empty when the name is usable. A client code becomes part of an order's
// name, so a save refuses one that gives such a name.
std::string RefusedFileNameCharacters(std::string_view name);

// The temporary name an order file is written under: not "*.dbf".
std::string TemporaryOrderFileName(const std::string& path);

// Creates the order file `path` with the columns of the open `source` and a
// byte-for-byte copy of each of its rows from the current one to the end (the
// caller positions it on the first row it shows), through the closed
// `order_table`, which is closed again on return. Returns the number of rows;
// with none, no file is left. `path` must be free: an existing file of that
// name is never replaced. `before_rename`, when set, runs once the whole
// file is on the disk under its temporary name, just before it takes its
// name; a failure there fails the write. Throws the failure's exception,
// leaving neither `path` nor the temporary file behind.
int WriteOrderFile(dbf::TTableDataSet& source, dbf::TTableDataSet& order_table,
                   const std::string& path, const std::function<void()>& before_rename = {});

// Removes the temporary order files that a crashed save left in "demand".
// Nothing happens when "demand" is missing; a file that cannot be removed
// stays (the send ignores it).
void RemoveLeftoverOrderFiles();

}  // namespace zakaz
