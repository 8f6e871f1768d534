#include "common/format_message.h"

namespace zakaz {

// The text between two '%' is copied in one piece: messages are built on every
// refused value, and a character at a time made them cost more than the check.
std::string FormatMessage(std::string_view text, std::initializer_list<MessageArg> args) {
  std::string out;
  out.reserve(text.size() + 32);
  auto next = args.begin();
  size_t i = 0;
  while (i < text.size()) {
    const size_t percent = text.find('%', i);
    if (percent == std::string_view::npos || percent + 1 >= text.size()) {
      out.append(text.substr(i));
      break;
    }
    out.append(text.substr(i, percent - i));
    const char conversion = text[percent + 1];
    if (conversion == '%') {
      out += '%';
      i = percent + 2;
      continue;
    }
    if ((conversion != 's' && conversion != 'd') || next == args.end()) {
      out += '%';
      i = percent + 1;
      continue;
    }
    if (const auto* s = std::get_if<std::string_view>(&*next)) {
      out += *s;
    } else {
      out += std::to_string(std::get<long long>(*next));
    }
    ++next;
    i = percent + 2;
  }
  return out;
}

}  // namespace zakaz
