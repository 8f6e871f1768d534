// The fixed texts of the FTP session, filled in by zakaz::FormatMessage where
// they hold %s or %d. They are the texts users and support staff read, so they
// stay exactly as they are.
#pragma once

namespace zakaz::ftp::messages {

inline constexpr char kSocketError[] = "Socket Error # %d\r\n%s";
inline constexpr char kConnClosedGracefully[] = "Connection Closed Gracefully.";
inline constexpr char kNotConnected[] = "Not Connected";
inline constexpr char kAlreadyConnected[] = "Already connected.";
inline constexpr char kMaxLineLengthExceeded[] = "Max line length exceeded.";
inline constexpr char kLineBreakInCommand[] = "Command line contains a line break.";
inline constexpr char kCannotAllocateSocket[] = "Cannot allocate socket.";
inline constexpr char kCouldNotBindSocket[] =
    "Could not bind socket. Address and port are already in use.";
inline constexpr char kWinsockInitializationError[] = "Winsock Initialization Error.";
inline constexpr char kDestinationFileExists[] = "Destination file already exists.";
inline constexpr char kNoDataToRead[] = "No data to read.";
inline constexpr char kNotValidInteger[] = "'%s' is not a valid integer value";
inline constexpr char kCannotCreateFile[] = "Cannot create file \"%s\". %s";
inline constexpr char kCannotOpenFile[] = "Cannot open file \"%s\". %s";
inline constexpr char kStreamWriteError[] = "Stream write error";
inline constexpr char kStreamReadError[] = "Stream read error";
inline constexpr char kCancelled[] = "Operation cancelled.";
inline constexpr char kListingTooLarge[] = "Name list too large.";

}  // namespace zakaz::ftp::messages
