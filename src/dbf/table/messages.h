// Fixed message texts of the table engine (files, records, columns, the
// cursor), filled in with zakaz::FormatMessage. The texts are part of the program's behaviour:
// support staff and the windows show them as they stand.
#pragma once

namespace zakaz::dbf {

// Files and records. %s is the full path unless noted.
inline constexpr char kFileNotFound[] = "File %s could not be found";
inline constexpr char kAccessDenied[] = "Access denied to file %s";
inline constexpr char kCouldNotCreate[] = "Could not create file %s";
inline constexpr char kReadError[] = "Error on Read of file %s";
inline constexpr char kWriteError[] = "Error writing to %s";
inline constexpr char kFlushError[] = "Error on Flush for file %s";
inline constexpr char kFileSizeError[] = "Error getting FileSize for file %s";
inline constexpr char kUnlockError[] = "Error in Unlock of file %s";
inline constexpr char kInvalidHeader[] = "Table Header for %s is invalid";
inline constexpr char kEncrypted[] = "No Password for encrypted file %s";
// Record number, then path.
inline constexpr char kRecordNotInTable[] = "Record number %d is not in table %s";

// Columns.
// path->name
inline constexpr char kNoFieldName[] = "There is no field name %s";
// The column name (or the name passed in for a by-name access).
inline constexpr char kIncorrectType[] = "Field %s is the incorrect type";
// file name without directory and extension->column (text)
inline constexpr char kInvalidNumeric[] = "Invalid numeric value in field %s";
// column - text
inline constexpr char kNumericTooBig[] = "numeric value too big in field %s";
// kind ("Number", "Logical", "Date"), column
inline constexpr char kInvalidValue[] = "Invalid %s value for field %s";
// file name without directory and extension->column (text)
inline constexpr char kInvalidDate[] = "Invalid date in field %s";

// The cursor layer: a filter whose expression is not a condition.
inline constexpr char kFilterNotBoolean[] = "Filter expression must return boolean result";

// A date text that is neither stored digits nor the short date form, given
// to PutString; the argument is the text.
inline constexpr char kNotValidDate[] = "'%s' is not a valid date";

}  // namespace zakaz::dbf
