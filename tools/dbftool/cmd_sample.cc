// dbftool sample N FILE [--seed S]: a synthetic supplier price list.
#include <charconv>
#include <ostream>

#include "commands.h"
#include "sample_price_list.h"

namespace zakaz::dbftool {
namespace {

template <typename T>
bool ParseWhole(const std::string& text, T* value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

int RunSample(const Args& args, std::ostream& out, std::ostream& err) {
  dbf::TSampleOptions options;
  const bool with_seed = args.size() == 4 && args[2] == "--seed";
  if ((args.size() != 2 && !with_seed) || !ParseWhole(args[0], &options.rows) || options.rows < 0 ||
      (with_seed && !ParseWhole(args[3], &options.seed))) {
    err << "usage: dbftool sample N FILE [--seed S]\n";
    return 2;
  }
  dbf::WriteSamplePriceList(args[1], options);
  out << "Wrote " << options.rows << " records to " << args[1] << "\n";
  return 0;
}

}  // namespace zakaz::dbftool
