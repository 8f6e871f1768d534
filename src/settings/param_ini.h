// Where the program's settings file lies and what it holds: `param.Ini` in
// the directory of the running executable (never the working directory), one
// section `Main` with the keys below. The settings dialog owns the client
// code, client name, server and passive mode; the main window owns the order
// comment.
#pragma once

#include <string>

namespace zakaz {

inline constexpr char kParamIniName[] = "param.Ini";
inline constexpr char kMainSection[] = "Main";
inline constexpr char kClientcodeKey[] = "Clientcode";
inline constexpr char kClientKey[] = "Client";
inline constexpr char kFtpKey[] = "ftp";
inline constexpr char kPassivKey[] = "Passiv";
inline constexpr char kCommentKey[] = "Comment";

// Directory of the running executable, resolved from the running process,
// with its final "/". Throws std::runtime_error when the process cannot see
// its own executable.
std::string ExecutableDirectory();

// ExecutableDirectory() followed by "param.Ini".
std::string ParamIniPath();

}  // namespace zakaz
