// Feeds arbitrary bytes, as a misbehaving server would send them, through the
// session's line and reply reader, and the texts taken from replies through
// the passive-address, size and listing parsers. Everything must end in a
// reply or one of the session's own exceptions: no crash, no hang, and memory
// bounded by the input.
#include <sys/socket.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/unique_fd.h"
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
using zakaz::ftp::TRfcReply;
using zakaz::ftp::TSocketHandle;
using zakaz::ftp::TSocketStack;
using zakaz::ftp::TTcpConnection;

// A connection over one end of a socket pair, so the reader runs exactly as
// it does on a network socket.
class PairConnection : public TTcpConnection {
 public:
  explicit PairConnection(zakaz::UniqueFd fd) { OpenHandler(TSocketHandle(std::move(fd))); }
};

// Larger inputs gain nothing and would not fit the socket pair's buffer.
constexpr size_t kMaxInput = 128 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > kMaxInput) return 0;
  const uint8_t control = data[0];
  ++data;
  --size;

  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
  zakaz::UniqueFd reader(fds[0]);
  zakaz::UniqueFd writer(fds[1]);
  const int buffer = static_cast<int>(kMaxInput * 2);
  ::setsockopt(writer.Get(), SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  size_t written = 0;
  while (written < size) {
    const ssize_t n =
        ::send(writer.Get(), data + written, size - written, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  writer.Reset();

  PairConnection connection(std::move(reader));
  connection.SetStallLimit(std::chrono::milliseconds(1000));
  // The first byte picks the line settings, so short limits and the split
  // action are explored too.
  if (control & 1) connection.SetMaxLineAction(maSplit);
  if (control & 2) connection.SetMaxLineLength(1 + (control >> 2));

  for (;;) {
    try {
      connection.ReceiveReply(control & 4 ? std::vector<int>{} : std::vector<int>{220, 227, 213});
    } catch (const EProtocolReplyError&) {
      // A refused code still leaves a whole reply to look at.
    } catch (const ENetException&) {
      break;
    }
    const TRfcReply& reply = connection.LastReply();
    if (!reply.Text().empty()) {
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
