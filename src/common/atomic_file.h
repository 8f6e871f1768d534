// Replaces a file's whole contents so that a reader, a crash or a full disk
// never sees a half-written file: the new bytes go to a temporary file beside
// the target, are flushed to disk, and the temporary file is then renamed over
// the target. On any failure the target keeps its old contents and the
// temporary file is removed. Used for settings and order files.
#pragma once

#include <string>
#include <string_view>

namespace zakaz {

// Writes `contents` as the new contents of `path`, creating the file when it
// does not exist. An existing file keeps its permission bits, and a symbolic
// link is followed so the link itself stays in place. An existing file that
// the caller may not write is refused even where the directory would allow
// the rename, so a write-protected file stays protected.
// Throws std::system_error (errno category) naming the failed step.
void WriteFileAtomically(const std::string& path, std::string_view contents);

// Whether `file_name` is the temporary file of a WriteFileAtomically that
// never finished (a crash, a kill) for a target whose name ends in
// `target_suffix`: the target's name, ".tmp-" and six characters. Such a
// file holds nothing that was ever in force and may be removed.
bool IsUnfinishedAtomicWrite(std::string_view file_name, std::string_view target_suffix);

// Pushes the file (or directory) at `path` to the device: its data, or for a
// directory the names created, renamed or removed in it. Throws
// std::system_error naming the step when it cannot be opened or flushed.
void SyncToDisk(const std::string& path);
// The same for the directory that holds `path`.
void SyncParentDirectory(const std::string& path);

}  // namespace zakaz
