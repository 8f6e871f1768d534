// Turns a file name as the system writes it (backslash separators, any letter
// case, relative to the working directory) into a path on this file system.
//
// The system's names come from a file system that ignores letter case and
// separates directories with "\": "price.DBF", "demand\1234ABCD.DBF",
// "Archive". Here each component of the name is matched against the directory
// entries as they are: the exact name when it exists, otherwise the entry whose
// name equals it ignoring ASCII letter case. Components that do not exist (a
// file about to be created) keep the spelling they were given, so creating and
// then opening the same name meets the same file.
#pragma once

#include <string>
#include <string_view>

namespace zakaz {

// Reads every "\" as a directory separator and makes the name absolute
// against the current working directory, folding "." and ".." components.
// Touches no file.
std::string FullPath(std::string_view name);

// FullPath, then every existing component looked up without regard to letter
// case. When several entries match a component ignoring case, the exact
// spelling wins, else the first in byte order, so the choice is stable.
std::string ResolvePath(std::string_view name);

// True when the last component of `name` (after the last "/" or "\") has an
// extension: a full stop followed by at least one character.
bool HasExtension(std::string_view name);

// `name` with `extension` (".DBF") appended when it has no extension.
std::string WithDefaultExtension(std::string_view name, std::string_view extension);

// The last component without its extension ("C:\in\price.DBF" gives "price").
std::string BaseName(std::string_view name);

}  // namespace zakaz
