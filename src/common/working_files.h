// The working directory's own names, and the one listing of the tables in
// one of its folders.
//
// The program works on the files of its working directory: the price list
// and four folders. Everything that looks at a folder's tables (the tree of
// pending orders, the send, the search for a free order name, the archive
// and waybill browsers) lists them with ListTableFiles, so what the tree
// shows is exactly what the send takes. Names are the system's own: a name
// is looked up without regard to letter case (common/file_path.h).
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace zakaz {

inline constexpr char kPriceListFile[] = "price.dbf";
inline constexpr char kDemandDirectory[] = "demand";    // saved orders, not yet sent
inline constexpr char kArchiveDirectory[] = "archive";  // sent orders
inline constexpr char kInDirectory[] = "in";            // the packed price list, waybills
inline constexpr char kTempDirectory[] = "temp";        // what a send has stored
inline constexpr char kTableExtension[] = ".dbf";

// True when `name` ends in ".dbf" in any letter case.
bool IsTableName(const std::string& name);

struct TTableFile {
  std::string name;  // as the directory gives it
  timespec modified{};
};

// The tables of the directory at `path` (a system path): its ordinary files
// whose names end in ".dbf" in any letter case, names beginning with a dot
// included (a table nobody can see must not be sent either), sorted by name
// so every file system gives the same order. Empty when the directory is
// missing or unreadable.
std::vector<TTableFile> ListTableFiles(const std::string& path);

}  // namespace zakaz
