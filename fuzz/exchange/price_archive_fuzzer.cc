// Feeds arbitrary bytes, as a damaged or hostile price.rar would hold them,
// through the price-list unpacker's archive reader (every format libarchive
// knows, told by content). It must end in a price table or an EUnpackError:
// no crash, no hang, and memory bounded by the size limit given.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/errors.h"
#include "exchange/price_unpacker.h"
#include "exchange/remote_names.h"

namespace {

// Small, so that a packed bomb costs little time per input.
constexpr uint64_t kMaxTableSize = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The same bytes as the head of a waybill fetched without a size.
  (void)zakaz::exchange::TableLengthWhole(
      std::string_view(reinterpret_cast<const char*>(data), std::min<size_t>(size, 12)), size);
  try {
    const auto entry = zakaz::exchange::ReadPriceEntry(
        std::string_view(reinterpret_cast<const char*>(data), size), kMaxTableSize);
    if (entry.content.size() > kMaxTableSize) __builtin_trap();
  } catch (const zakaz::exchange::EUnpackError&) {
  }
  return 0;
}
