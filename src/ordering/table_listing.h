// The table files the archive and waybill browsers offer: the ordinary files
// of one directory ("Archive", "in") whose names end in ".dbf", and the
// removal of one of them.
//
// A directory listing on this file system comes in no useful order, and the
// browser selects its last item, so the files come oldest first (ties by
// name): the last one is the newest order or waybill. Directory names are
// the system's own (backslashes, any letter case; common/file_path.h). Plain
// functions; nothing is kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/formats.h"

namespace zakaz {

// One listed file.
struct TOrderData {
  std::string FileName;    // as the directory gives it, e.g. 1234D6B3.DBF
  std::string DateText;    // its modification time as date-time text
  LocalDateTime FileTime;  // the same time as a value, for the window title
};

// The tables of `directory` (common/working_files.h), by modification time,
// oldest first, equal times by name. Empty when the directory is missing or
// unreadable.
std::vector<TOrderData> ListTablesByAge(std::string_view directory);

// Removes the listed file `file_name` of `directory`. Returns false when it
// could not be removed (already gone, no permission); the caller reports
// nothing.
bool RemoveListedTable(std::string_view directory, const std::string& file_name);

}  // namespace zakaz
