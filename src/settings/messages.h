// Fixed texts of the settings module, filled in with zakaz::FormatMessage.
#pragma once

namespace zakaz {

// %s: full path of the settings file.
inline constexpr char kUnableToWriteTo[] = "Unable to write to %s";

}  // namespace zakaz
