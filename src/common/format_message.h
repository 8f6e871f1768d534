// Fills the printf-style placeholders of a fixed message text.
//
// The system's messages are fixed texts with "%s" and "%d" placeholders
// ("Access denied to file %s", "%s needed for Argument %d of %s"). GCC 12 has
// no <format>, and snprintf would tie the result to the C locale and to a
// buffer size, so every module fills its texts through this one function.
// "%%" gives a single "%". A placeholder without an argument is kept as it
// stands; surplus arguments are ignored, so a wrong call never reads past the
// argument list.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace zakaz {

using MessageArg = std::variant<std::string_view, long long>;

std::string FormatMessage(std::string_view text, std::initializer_list<MessageArg> args);

}  // namespace zakaz
