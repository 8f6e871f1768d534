// Where the program's settings file lies and what it holds: `param.Ini` in
// the directory of the running executable (never the working directory) when
// that directory is writable, as in a copied installation; for an installed
// program, whose directory the user cannot write, in the user's configuration
// directory ($XDG_CONFIG_HOME/zakaz/, by default ~/.config/zakaz/). One
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

// The settings file of this run: ParamIniPathFor the executable's directory,
// this process's environment and its user's home. Creates the configuration
// directory when the file goes there, so saving the settings can work.
std::string ParamIniPath();

// The rule itself: `executable_directory` (with its final "/") + "param.Ini"
// when that directory is writable by this process; else
// `xdg_config_home` + "/zakaz/param.Ini" when that is an absolute path; else
// `home` + "/.config/zakaz/param.Ini". Null or empty values count as absent.
std::string ParamIniPathFor(const std::string& executable_directory, const char* xdg_config_home,
                            const char* home);

// True when `path` is a directory this process may create files in.
bool IsWritableDirectory(const std::string& path);

}  // namespace zakaz
