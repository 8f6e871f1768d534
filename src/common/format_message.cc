#include "common/format_message.h"

namespace zakaz {

std::string FormatMessage(std::string_view text, std::initializer_list<MessageArg> args) {
  std::string out;
  out.reserve(text.size() + 32);
  auto next = args.begin();
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '%' || i + 1 >= text.size()) {
      out += c;
      continue;
    }
    const char spec = text[i + 1];
    if (spec == '%') {
      out += '%';
      ++i;
      continue;
    }
    if ((spec != 's' && spec != 'd') || next == args.end()) {
      out += c;
      continue;
    }
    if (const auto* s = std::get_if<std::string_view>(&*next)) {
      out += *s;
    } else {
      out += std::to_string(std::get<long long>(*next));
    }
    ++next;
    ++i;
  }
  return out;
}

}  // namespace zakaz
