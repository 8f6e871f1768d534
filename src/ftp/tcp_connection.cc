#include "ftp/tcp_connection.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "ftp/cancel_signal.h"
#include "ftp/errors.h"
#include "ftp/messages.h"
#include "ftp/socket_stack.h"
#include "ftp/stream.h"

namespace zakaz::ftp {
namespace {

// The consumed front of the input buffer is dropped only once this much has
// gathered, so reading many short lines does not move the buffer each time.
constexpr size_t kCompactThreshold = 32768;
using Millis = std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

}  // namespace

// The low speed limit of one transfer: the bytes moved in the current window
// of LowSpeedWindow(), and how long a wait may last before the window closes.
// Windows follow one another; one that closes with fewer than LowSpeedBytes()
// moved fails the transfer.
class TTcpConnection::TSpeedWatch {
 public:
  TSpeedWatch(int64_t bytes, Millis window)
      : bytes_(bytes), window_(window), deadline_(Clock::now() + window) {}

  // `limit` (zero: none) cut to what is left of the window.
  Millis WaitLimit(Millis limit) const {
    if (window_.count() <= 0) return limit;
    // Rounded up, so a wait cut by the window always ends past it.
    const auto left = std::chrono::ceil<Millis>(deadline_ - Clock::now());
    const Millis bounded = std::max(left, Millis(1));
    return limit.count() <= 0 ? bounded : std::min(limit, bounded);
  }
  void Add(size_t moved) { moved_ += static_cast<int64_t>(moved); }
  bool WindowOver() const { return window_.count() > 0 && Clock::now() >= deadline_; }
  // False when a window has closed with too little moved; otherwise true,
  // and a closed window gives way to the next.
  bool KeepsUp() {
    if (!WindowOver()) return true;
    if (moved_ < bytes_) return false;
    moved_ = 0;
    deadline_ = Clock::now() + window_;
    return true;
  }

 private:
  int64_t bytes_;
  Millis window_;
  Clock::time_point deadline_;
  int64_t moved_ = 0;
};

struct TTcpConnection::TSocketIOHandler {
  TSocketHandle socket;
  std::unique_ptr<TByteSource> source;  // receives in place of the socket when set
  bool source_open = false;
  bool closed_gracefully = false;

  bool IsOpen() const { return source ? source_open : socket.IsOpen(); }
  void Close() {
    socket.Close();
    source_open = false;
  }
  size_t Receive(char* data, size_t size, std::chrono::milliseconds limit) {
    return source ? source->Receive(data, size) : socket.Receive(data, size, limit);
  }
};

TTcpConnection::TTcpConnection() = default;

TTcpConnection::~TTcpConnection() { CloseConnection(); }

void TTcpConnection::OpenHandler(TSocketHandle socket) {
  handler_ = std::make_unique<TSocketIOHandler>();
  handler_->socket = std::move(socket);
  handler_->socket.SetCancelFd(CancelFd());
  input_.clear();
  input_start_ = 0;
  scan_from_ = 0;
}

void TTcpConnection::OpenHandler(std::unique_ptr<TByteSource> source) {
  OpenHandler(TSocketHandle());
  handler_->source = std::move(source);
  handler_->source_open = true;
}

TSocketHandle& TTcpConnection::Socket() { return handler_->socket; }

void TTcpConnection::SetCancelSignal(std::shared_ptr<TCancelSignal> signal) {
  cancel_signal_ = std::move(signal);
  if (handler_) handler_->socket.SetCancelFd(CancelFd());
}

int TTcpConnection::CancelFd() const { return cancel_signal_ ? cancel_signal_->Fd() : -1; }

void TTcpConnection::CheckCancelled() const {
  if (cancel_signal_ && cancel_signal_->Raised()) throw ECancelled(messages::kCancelled);
}

std::string TTcpConnection::PeerAddress() {
  if (!handler_ || !handler_->socket.IsOpen()) throw ENotConnected(messages::kNotConnected);
  return handler_->socket.PeerIP();
}

bool TTcpConnection::WaitForInput(Millis limit) {
  if (input_.size() > input_start_) return true;
  if (!handler_ || handler_->closed_gracefully || !handler_->socket.IsOpen()) return false;
  pollfd entry{handler_->socket.Fd(), POLLIN, 0};
  int ready = 0;
  do {
    ready = ::poll(&entry, 1, static_cast<int>(std::max<int64_t>(0, limit.count())));
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

void TTcpConnection::CloseSocket() {
  if (handler_) handler_->Close();
}

void TTcpConnection::CloseConnection() {
  if (!handler_) return;
  handler_->socket.ShutdownSend();
  handler_->Close();
  handler_.reset();
}

bool TTcpConnection::IsConnected() {
  if (!handler_) return false;
  if (handler_->closed_gracefully) {
    CloseSocket();
    return false;
  }
  return handler_->IsOpen();
}

std::chrono::milliseconds TTcpConnection::ReadLimit() const {
  const std::chrono::milliseconds read_timeout(read_timeout_);
  if (read_timeout.count() <= 0) return stall_limit_;
  if (stall_limit_.count() <= 0) return read_timeout;
  return std::min(read_timeout, stall_limit_);
}

void TTcpConnection::SendLine(std::string_view text) {
  // A name with a line break (a file name from a listing, a setting) would
  // otherwise put a second command of its own choosing on the connection.
  if (text.find_first_of("\r\n") != std::string_view::npos) {
    throw EInvalidCommandLine(messages::kLineBreakInCommand);
  }
  // After a stop no command goes out until the stop is cleared, even where
  // no wait would notice it.
  CheckCancelled();
  if (handler_ && handler_->closed_gracefully) {
    CloseSocket();
    throw EConnClosedGracefully(messages::kConnClosedGracefully);
  }
  if (!handler_ || !handler_->IsOpen()) throw ENotConnected(messages::kNotConnected);
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text);
  line.append("\r\n");
  WriteBytes(line.data(), line.size(), false);
}

void TTcpConnection::WriteBytes(const char* data, size_t size, bool report_work,
                                TSpeedWatch* speed) {
  while (size > 0) {
    if (speed != nullptr && !speed->KeepsUp()) {
      CloseSocket();
      throw TSocketStack::SocketError(kWsaTimedOut);
    }
    size_t sent = 0;
    try {
      sent = handler_->socket.Send(
          data, size, speed != nullptr ? speed->WaitLimit(stall_limit_) : stall_limit_);
    } catch (const ESocketError& error) {
      const int code = error.Code();
      // The speed window closed during the wait: whether that is too slow
      // is for the next round to say.
      if (code == kWsaTimedOut && speed != nullptr && speed->WindowOver()) continue;
      if (code == kWsaSocketShutDown || code == kWsaConnectionAborted ||
          code == kWsaConnectionReset || code == kWsaTimedOut) {
        CloseSocket();
      }
      throw;
    }
    data += sent;
    size -= sent;
    if (speed != nullptr) speed->Add(sent);
    if (report_work) DoWork(wmWrite, static_cast<int64_t>(sent));
  }
}

bool TTcpConnection::ReadFromStack() {
  const size_t old_size = input_.size();
  const size_t chunk = static_cast<size_t>(std::max(1, recv_buffer_size_));
  input_.resize(old_size + chunk);
  size_t received = 0;
  try {
    received = handler_->Receive(input_.data() + old_size, chunk, ReadLimit());
  } catch (const ESocketError& error) {
    input_.resize(old_size);
    const int code = error.Code();
    if (code == kWsaTimedOut) CloseSocket();
    if (code == kWsaSocketShutDown || code == kWsaConnectionAborted) {
      CloseSocket();
      if (input_.size() > input_start_) {
        handler_->closed_gracefully = true;
        return false;
      }
    }
    throw;
  } catch (...) {
    // A stop (ECancelled) leaves the buffer as it was, too.
    input_.resize(old_size);
    throw;
  }
  input_.resize(old_size + received);
  if (received == 0) {
    handler_->closed_gracefully = true;
    CloseSocket();
    return false;
  }
  return true;
}

void TTcpConnection::CompactInput() {
  if (input_start_ == input_.size()) {
    input_.clear();
    input_start_ = 0;
    scan_from_ = 0;
  } else if (input_start_ >= kCompactThreshold) {
    input_.erase(0, input_start_);
    scan_from_ -= input_start_;
    input_start_ = 0;
  }
}

std::string TTcpConnection::ReceiveLine() {
  const size_t max_length = static_cast<size_t>(std::max(1, max_line_length_));
  for (;;) {
    const size_t lf = input_.find('\n', scan_from_);
    if (lf != std::string::npos) {
      size_t length = lf - input_start_;
      size_t next = lf + 1;
      if (length > max_length) {
        if (max_line_action_ == maException) {
          throw EMaxLineLengthExceeded(messages::kMaxLineLengthExceeded);
        }
        length = max_length;
        next = input_start_ + max_length;
      } else if (length > 0 && input_[lf - 1] == '\r') {
        --length;
      }
      std::string line = input_.substr(input_start_, length);
      input_start_ = next;
      scan_from_ = next;
      CompactInput();
      return line;
    }
    scan_from_ = input_.size();
    if (input_.size() - input_start_ > max_length) {
      if (max_line_action_ == maException) {
        throw EMaxLineLengthExceeded(messages::kMaxLineLengthExceeded);
      }
      std::string line = input_.substr(input_start_, max_length);
      input_start_ += max_length;
      scan_from_ = input_start_;
      CompactInput();
      return line;
    }
    if (!handler_) throw ENotConnected(messages::kNotConnected);
    if (handler_->closed_gracefully || !handler_->IsOpen() || !ReadFromStack()) {
      if (handler_->closed_gracefully) {
        throw EConnClosedGracefully(messages::kConnClosedGracefully);
      }
      throw ENotConnected(messages::kNotConnected);
    }
  }
}

int TTcpConnection::ReceiveReply(const std::vector<int>& accepted) {
  // Real replies (greetings, help texts) are a few dozen lines; a server that
  // never ends a reply, with text or with blank lines, must fill neither the
  // memory nor the time.
  size_t reply_size = 0;
  auto next_line = [&] {
    std::string raw = ReceiveLine();
    reply_size += raw.size() + 1;
    if (reply_size > kMaxReplyBytes) {
      throw EMaxLineLengthExceeded(messages::kMaxLineLengthExceeded);
    }
    return std::string(TrimReplyLine(raw));
  };
  std::vector<std::string> lines;
  std::string first;
  do {
    first = next_line();
  } while (first.empty());
  lines.push_back(first);
  if (OpensMultiLineReply(first)) {
    for (;;) {
      std::string line = next_line();
      if (line.empty()) continue;
      lines.push_back(std::move(line));
      if (ClosesMultiLineReply(first, lines.back())) break;
    }
  }
  last_reply_ = TRfcReply::FromLines(lines);
  const int code = last_reply_.NumericCode();
  if (!accepted.empty() && std::find(accepted.begin(), accepted.end(), code) == accepted.end()) {
    throw EProtocolReplyError(code, last_reply_.JoinedText());
  }
  return code;
}

int TTcpConnection::ExchangeCommand(std::string_view text, const std::vector<int>& accepted) {
  SendLine(text);
  return ReceiveReply(accepted);
}

void TTcpConnection::ReceiveToEnd(TStream& target) {
  BeginWork(wmRead, 0);
  struct EndGuard {
    TTcpConnection* self;
    ~EndGuard() { self->EndWork(wmRead); }
  } end_guard{this};
  if (!handler_) throw ENotConnected(messages::kNotConnected);

  // One block buffer for the whole transfer; a block is written as soon as it
  // is full, so memory use does not grow with the file.
  const size_t block_size = static_cast<size_t>(std::max(1, recv_buffer_size_));
  std::vector<char> block(block_size);
  size_t filled = 0;
  // Bytes the line reader may already hold come first.
  if (input_.size() > input_start_) {
    const std::string_view pending(input_.data() + input_start_, input_.size() - input_start_);
    target.Write(pending.data(), pending.size());
    DoWork(wmRead, static_cast<int64_t>(pending.size()));
    input_.clear();
    input_start_ = scan_from_ = 0;
  }
  TSpeedWatch speed(low_speed_bytes_, low_speed_window_);
  while (handler_->IsOpen() && !handler_->closed_gracefully) {
    if (filled == block_size) {
      target.Write(block.data(), filled);
      DoWork(wmRead, static_cast<int64_t>(filled));
      filled = 0;
    }
    // A fast transfer may never wait, so a stop is looked for here too.
    CheckCancelled();
    if (!speed.KeepsUp()) {
      CloseSocket();
      throw TSocketStack::SocketError(kWsaTimedOut);
    }
    size_t received = 0;
    try {
      received = handler_->Receive(block.data() + filled, block_size - filled,
                                   speed.WaitLimit(ReadLimit()));
    } catch (const ESocketError& error) {
      if (error.Code() == kWsaTimedOut && speed.WindowOver()) continue;
      if (error.Code() == kWsaTimedOut) CloseSocket();
      throw;
    }
    speed.Add(received);
    if (received == 0) {
      handler_->closed_gracefully = true;
      CloseSocket();
      break;
    }
    filled += received;
  }
  if (filled > 0) {
    target.Write(block.data(), filled);
    DoWork(wmRead, static_cast<int64_t>(filled));
  }
}

void TTcpConnection::SendWholeStream(TStream& source) {
  const int64_t count = source.Size() - source.Position();
  BeginWork(wmWrite, count);
  struct EndGuard {
    TTcpConnection* self;
    ~EndGuard() { self->EndWork(wmWrite); }
  } end_guard{this};
  if (handler_ && handler_->closed_gracefully) {
    CloseSocket();
    throw EConnClosedGracefully(messages::kConnClosedGracefully);
  }
  if (!handler_ || !handler_->IsOpen()) throw ENotConnected(messages::kNotConnected);

  const size_t block_size = static_cast<size_t>(std::max(1, send_buffer_size_));
  std::vector<char> block(block_size);
  int64_t done = 0;
  TSpeedWatch speed(low_speed_bytes_, low_speed_window_);
  while (done < count) {
    CheckCancelled();
    const size_t wanted = static_cast<size_t>(std::min<int64_t>(block_size, count - done));
    const size_t got = source.Read(block.data(), wanted);
    if (got == 0) throw ENoDataToRead(messages::kNoDataToRead);
    WriteBytes(block.data(), got, true, &speed);
    done += static_cast<int64_t>(got);
  }
}

}  // namespace zakaz::ftp
