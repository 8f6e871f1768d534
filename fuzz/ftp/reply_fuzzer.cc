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

// The input handed out in pieces of at most `piece` bytes, as a network
// delivers it, so lines split across reads are explored too.
class InputBytes : public TByteSource {
 public:
  InputBytes(const uint8_t* data, size_t size, size_t piece)
      : data_(data), size_(size), piece_(piece) {}
  size_t Receive(char* data, size_t size) override {
    const size_t count = std::min({size, size_ - position_, piece_});
    std::memcpy(data, data_ + position_, count);
    position_ += count;
    return count;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t piece_;
  size_t position_ = 0;
};

class InputConnection : public TTcpConnection {
 public:
  explicit InputConnection(std::unique_ptr<TByteSource> source) { OpenHandler(std::move(source)); }
};

constexpr size_t kMaxInput = 128 * 1024;
constexpr size_t kMaxPiecewise = 2048;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > kMaxInput) return 0;
  const uint8_t control = data[0];
  ++data;
  --size;

  // The top bits pick how the bytes arrive: whole, or in pieces of 1 to 7
  // (for short inputs only: long ones byte by byte cost more time than they
  // find).
  const size_t piece = (control >> 5) == 0 || size > kMaxPiecewise ? kMaxInput : (control >> 5);
  InputConnection connection(std::make_unique<InputBytes>(data, size, piece));
  // Each read reserves a whole receive block; small blocks keep byte-by-byte
  // delivery from spending its time clearing memory.
  connection.SetRecvBufferSize(256);
  // The low bits pick the line settings, so short limits and the split
  // action are explored too.
  if (control & 1) connection.SetMaxLineAction(maSplit);
  if (control & 2) connection.SetMaxLineLength(1 + ((control >> 2) & 7));

  for (;;) {
    try {
      connection.ReceiveReply(control & 4 ? std::vector<int>{} : std::vector<int>{220, 227, 213});
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
    (void)SplitListing(reply.JoinedText());
  }
  return 0;
}
