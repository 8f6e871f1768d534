// Fixed texts of the dataset layer: the dataset, its fields, its cursor and
// its filter and copy operations. They are printf-style and filled in with
// zakaz::FormatMessage ("%s", "%d"); the range message carries "%g", which
// FormatMessage does not know, so the field layer formats those numbers itself
// and hands them in as text (see FormatRangeMessage in dataset_fields.cc).
// Texts marked "prefixed" are shown after the dataset's name and ": ".
#pragma once

namespace zakaz::dbf::dataset_messages {

// Opening, closing and properties.
inline constexpr char kTableNameMissing[] = "Table name missing";
inline constexpr char kCannotFindFile[] = "Cannot find file %s";
inline constexpr char kFieldNotFound[] = "Field '%s' not found";  // prefixed
inline constexpr char kTypeMismatch[] =
    "Type mismatch for field '%s', expecting: %s actual: %s";  // prefixed
inline constexpr char kDataSetClosed[] =
    "Cannot perform this operation on a closed dataset";  // prefixed where the table says
inline constexpr char kDataSetOpen[] =
    "Cannot perform this operation on an open dataset";  // prefixed

// Editing.
inline constexpr char kDataSetReadOnly[] = "Cannot modify a read-only dataset";  // prefixed
inline constexpr char kNotEditing[] = "Dataset not in edit or insert mode";
inline constexpr char kFieldReadOnly[] = "Field '%s' cannot be modified";
inline constexpr char kRecordLocked[] = "Record is locked by another user";

// Field values.
inline constexpr char kInvalidIntegerValue[] = "'%s' is not a valid integer value for field '%s'";
inline constexpr char kInvalidFloatValue[] =
    "'%s' is not a valid floating point value for field '%s'";
inline constexpr char kInvalidBooleanValue[] = "'%s' is not a valid boolean value for field '%s'";
inline constexpr char kInvalidDateValue[] = "'%s' is not a valid date for field '%s'";
// The three numbers are %g-formatted by the caller and passed as %s.
inline constexpr char kValueOutOfRange[] =
    "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr char kCannotAccessAs[] = "Cannot access field '%s' as type %s";

// Cursor.
inline constexpr char kRecordBeyondRange[] = "Record request beyond range of table";
inline constexpr char kRecordNotFound[] = "Record not found";                 // prefixed
inline constexpr char kBookmarkInvalid[] = "Bookmark is invalid for table ";  // + table name

}  // namespace zakaz::dbf::dataset_messages
