// dbftool copy SRC DST [--where EXPR]: saves the visible records of SRC into a
// new table DST the way the program saves an order: the structure of SRC is
// copied into DST, then SRC is walked under the filter (First, CopyRecordTo,
// Next) and each record is appended byte for byte. EXPR arrives in UTF-8 and
// is set as the dataset's filter (translated like a typed filter text).
// Prints the number of records copied.
#pragma once

#include <iosfwd>

#include "commands.h"

namespace zakaz::dbftool {

int RunCopy(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace zakaz::dbftool
