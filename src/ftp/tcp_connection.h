// One TCP byte stream with the line and reply machinery of the FTP control
// connection and the block transfers of its data connections.
//
// The connection owns its socket handler (the socket plus the record that the
// peer has closed), which exists only while the connection is open, and an
// input buffer of received bytes not yet consumed. Derived classes open it
// (TTcpClient connects, TSimpleServer accepts); CloseConnection releases it
// and may be called any number of times. LastReply() stays valid until the
// next reply is read.
//
// Every wait is bounded by StallLimit(): a peer that neither sends nor takes
// anything for that long fails the call with the socket error 10060, and the
// socket is closed, since a late answer would otherwise be taken for the
// answer to the next command. A data transfer is bounded besides by its low
// speed limit: fewer than LowSpeedBytes() moved in any LowSpeedWindow() (60
// bytes in 60 s unless set) fails it the same way, so a peer trickling a byte
// just before each stall limit cannot hold it for ever.
//
// Every wait also ends, with ECancelled, once the connection's cancel signal
// (shared with the session, see cancel_signal.h) is raised.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ftp/net_component.h"
#include "ftp/rfc_reply.h"

namespace zakaz::ftp {

class TCancelSignal;
class TSocketHandle;
class TStream;

// Where a connection's received bytes come from instead of its socket: bytes
// held in memory, so the line and reply reader can be driven without a
// network (fuzzing, tests). Sending still needs a socket.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  // Up to `size` bytes into `data`; 0 once the source is exhausted, as a
  // peer that has closed.
  virtual size_t Receive(char* data, size_t size) = 0;
};

enum TMaxLineAction { maException, maSplit };

class TTcpConnection : public TNetComponent {
 public:
  static constexpr std::chrono::milliseconds kDefaultStallLimit{60000};
  static constexpr size_t kMaxReplyBytes = size_t{1} << 20;
  static constexpr int64_t kDefaultLowSpeedBytes = 60;
  static constexpr std::chrono::milliseconds kDefaultLowSpeedWindow{60000};

  TTcpConnection();
  ~TTcpConnection() override;

  // Sends `text` and CR LF as one block. Throws EInvalidCommandLine, sending
  // nothing, when `text` holds CR or LF; EConnClosedGracefully when the
  // peer is known to have closed, ENotConnected with no open connection,
  // ESocketError when the send fails (10053, 10054 and 10058 close the socket).
  void SendLine(std::string_view text);
  // The next line, without its LF and one CR before it. Throws
  // EMaxLineLengthExceeded, EConnClosedGracefully, ESocketError.
  std::string ReceiveLine();
  // Reads one reply (several lines when the first has "-" after the code) into
  // LastReply and returns its code. Throws EProtocolReplyError when `accepted`
  // is not empty and does not hold the code, EMaxLineLengthExceeded when the
  // reply's lines, blank ones and line ends included, exceed kMaxReplyBytes.
  int ReceiveReply(const std::vector<int>& accepted);
  int ExchangeCommand(std::string_view text, const std::vector<int>& accepted);
  void CloseConnection();
  // False once the peer has been seen closing (the socket is closed then);
  // an idle connection the peer dropped counts as open until used.
  bool IsConnected();
  const TRfcReply& LastReply() const { return last_reply_; }

  // Writes everything the peer sends, until it closes, into `target` in blocks
  // of RecvBufferSize, reporting progress as a read work.
  void ReceiveToEnd(TStream& target);
  // Sends `source` from its position to its end in blocks of SendBufferSize,
  // reporting progress as a write work. Throws ENoDataToRead when the stream
  // ends early.
  void SendWholeStream(TStream& source);

  // 0: a read waits as long as the stall limit allows.
  int ReadTimeout() const { return read_timeout_; }
  void SetReadTimeout(int milliseconds) { read_timeout_ = milliseconds; }
  int MaxLineLength() const { return max_line_length_; }
  void SetMaxLineLength(int length) { max_line_length_ = length; }
  TMaxLineAction MaxLineAction() const { return max_line_action_; }
  void SetMaxLineAction(TMaxLineAction action) { max_line_action_ = action; }
  int RecvBufferSize() const { return recv_buffer_size_; }
  void SetRecvBufferSize(int size) { recv_buffer_size_ = size; }
  int SendBufferSize() const { return send_buffer_size_; }
  void SetSendBufferSize(int size) { send_buffer_size_ = size; }
  // Zero: no limit.
  std::chrono::milliseconds StallLimit() const { return stall_limit_; }
  void SetStallLimit(std::chrono::milliseconds limit) { stall_limit_ = limit; }
  // A window of zero: no speed limit.
  int64_t LowSpeedBytes() const { return low_speed_bytes_; }
  std::chrono::milliseconds LowSpeedWindow() const { return low_speed_window_; }
  void SetLowSpeedLimit(int64_t bytes, std::chrono::milliseconds window) {
    low_speed_bytes_ = bytes;
    low_speed_window_ = window;
  }
  // Shared by the session with its data connections; null: no cancelling.
  const std::shared_ptr<TCancelSignal>& CancelSignal() const { return cancel_signal_; }
  void SetCancelSignal(std::shared_ptr<TCancelSignal> signal);

  // The dotted address of the open connection's peer.
  std::string PeerAddress();
  // Whether reply bytes are buffered or arrive within `limit`; never fails
  // and never closes the connection. For reading out the replies a stopped
  // transfer leaves behind.
  bool WaitForInput(std::chrono::milliseconds limit);

 protected:
  // Creates the socket handler with `socket` (possibly not yet connected) and
  // empties the input buffer.
  void OpenHandler(TSocketHandle socket);
  // The same with received bytes taken from `source`.
  void OpenHandler(std::unique_ptr<TByteSource> source);
  // The handler's socket; requires an open handler.
  TSocketHandle& Socket();
  bool HasHandler() const { return handler_ != nullptr; }
  // The cancel signal's descriptor, -1 without one.
  int CancelFd() const;
  // Throws ECancelled when the cancel signal is raised.
  void CheckCancelled() const;

 private:
  struct TSocketIOHandler;

  std::chrono::milliseconds ReadLimit() const;
  // Receives once into the input buffer; false when the peer has closed.
  bool ReadFromStack();
  class TSpeedWatch;
  void WriteBytes(const char* data, size_t size, bool report_work, TSpeedWatch* speed = nullptr);
  void CloseSocket();
  void CompactInput();

  std::unique_ptr<TSocketIOHandler> handler_;
  std::string input_;
  size_t input_start_ = 0;
  size_t scan_from_ = 0;
  TRfcReply last_reply_;

  int read_timeout_ = 0;
  int max_line_length_ = 16384;
  TMaxLineAction max_line_action_ = maException;
  int recv_buffer_size_ = 32768;
  int send_buffer_size_ = 32768;
  std::chrono::milliseconds stall_limit_ = kDefaultStallLimit;
  int64_t low_speed_bytes_ = kDefaultLowSpeedBytes;
  std::chrono::milliseconds low_speed_window_ = kDefaultLowSpeedWindow;
  std::shared_ptr<TCancelSignal> cancel_signal_;
};

}  // namespace zakaz::ftp
