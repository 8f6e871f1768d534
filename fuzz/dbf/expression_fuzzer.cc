// Compiles the input as a filter expression against a small price list and
// evaluates it on every record. Rejections (EExpressionError, and the
// engine's ETableError for a column it cannot read) are the expected way for
// a bad text to end; anything else (a crash, a hang, a stack overflow from
// deep nesting) is a fault.
//
// The first byte chooses the compare options and the wildcard pair, the rest
// is the expression text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "dbf/base/errors.h"
#include "dbf/expr/exp_handler.h"
#include "dbf/table/dbf_columns.h"
#include "dbf/table/exp_dbf_link.h"
#include "sample_price_list.h"

namespace {

struct Fixture {
  std::filesystem::path dir;
  std::unique_ptr<zakaz::dbf::TDbfColumns> table;
  std::unique_ptr<zakaz::dbf::TExpDbfLink> link;

  Fixture() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "zakaz-expfuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir = pattern;
    const std::string path = (dir / "price.dbf").string();
    zakaz::dbf::TSampleOptions options;
    options.rows = 12;
    options.seed = 3;
    options.base_day = 2461046;  // fixed, so runs repeat
    zakaz::dbf::WriteSamplePriceList(path, options);
    table = std::make_unique<zakaz::dbf::TDbfColumns>(path, false, false);
    link = std::make_unique<zakaz::dbf::TExpDbfLink>(*table);
  }
  ~Fixture() {
    link.reset();
    table.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  Fixture& fixture = TheFixture();
  const uint8_t options = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const bool percent = (options & 4) != 0;
  zakaz::dbf::TExpHandler handler(options & 8 ? nullptr : fixture.link.get(), percent ? '%' : '*',
                                  percent ? '_' : '?');
  handler.SetCaseInsensitive(options & 1);
  handler.SetPartialCompare(options & 2);
  try {
    handler.Compile(text);
  } catch (const zakaz::dbf::EExpressionError&) {
    return 0;
  }
  for (int n = 1; n <= fixture.table->RecordCount(); ++n) {
    fixture.table->GotoRecord(n);
    try {
      const zakaz::dbf::TExpValue value = handler.Evaluate();
      // Touch the text so a dangling view shows up under the sanitizer.
      volatile size_t sum = 0;
      for (char c : value.text) sum = sum + static_cast<unsigned char>(c);
    } catch (const zakaz::dbf::EExpressionError&) {
    } catch (const zakaz::dbf::ETableError&) {
    }
  }
  return 0;
}
