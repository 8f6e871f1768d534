// Feeds arbitrary bytes, as a misbehaving server would send them, through the
// session's line and reply reader, and the texts taken from replies through
// the passive-address, size and listing parsers. Everything must end in a
// reply or one of the session's own exceptions: no crash, no hang, and memory
// bounded by the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ftp/errors.h"
#include "ftp/ftp_client.h"
#include "ftp/socket_stack.h"
#include "ftp/tcp_connection.h"

namespace {

using zakaz::ftp::EConvertError;
using zakaz::ftp::ENetException;
using zakaz::ftp::EProtocolReplyError;
using zakaz::ftp::maSplit;
using zakaz::ftp::ParsePassiveReply;
using zakaz::ftp::SplitListing;
using zakaz::ftp::TByteSource;
using zakaz::ftp::TRfcReply;
using zakaz::ftp::TSocketStack;
using zakaz::ftp::TTcpConnection;

// The input handed out as a network delivers it: at most one receive
// block per read.
class InputBytes : public TByteSource {
 public:
  InputBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Receive(char* data, size_t size) override {
    const size_t count = std::min(size, size_ - position_);
    std::memcpy(data, data_ + position_, count);
    position_ += count;
    return count;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

class InputConnection : public TTcpConnection {
 public:
  explicit InputConnection(std::unique_ptr<TByteSource> source) { OpenHandler(std::move(source)); }
};

constexpr size_t kMaxInput = 128 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > kMaxInput) return 0;
  const uint8_t control = data[0];
  ++data;
  --size;

  InputConnection connection(std::make_unique<InputBytes>(data, size));
  // Small receive blocks, so that lines and replies straddle reads.
  connection.SetRecvBufferSize(256);
  // The first byte picks the line settings, so short limits and the split
  // action are explored too.
  if (control & 1) connection.SetMaxLineAction(maSplit);
  if (control & 2) connection.SetMaxLineLength(1 + ((control >> 2) & 7));

  // A quarter of the inputs run with a list of accepted codes, so that the
  // refusal path is explored without paying for an exception per reply in
  // every input.
  const bool refusing = (control & 12) == 12;
  const std::vector<int> accepted{220, 227, 213};
  for (;;) {
    try {
      connection.ReceiveReply(refusing ? accepted : std::vector<int>{});
    } catch (const EProtocolReplyError&) {
      // A refused code still leaves a whole reply to look at.
    } catch (const ENetException&) {
      break;
    }
    const TRfcReply& reply = connection.LastReply();
    // The session reads an address only from a 227 reply.
    if (reply.NumericCode() == 227 && !reply.Text().empty()) {
      try {
        const auto address = ParsePassiveReply(reply.Text().front());
        (void)TSocketStack::IsDottedQuad(address.first);
      } catch (const EConvertError&) {
      }
    }
  }
  // A name listing arrives over the data connection: the same bytes cut into
  // names.
  (void)SplitListing(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
