#include "ftp/socket_stack.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <mutex>

#include "common/ascii_text.h"
#include "common/format_message.h"
#include "ftp/errors.h"
#include "ftp/messages.h"

namespace zakaz::ftp {
namespace {

std::mutex stack_mutex;
int stack_instances = 0;

struct ErrorEntry {
  int code;
  const char* text;
};

// The message table users know from the platform the system was first built
// for; its numbering is kept on every platform so support can look codes up.
constexpr ErrorEntry kErrorTexts[] = {
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block. "},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
    {11001, "Host not found."},
};

struct ErrnoEntry {
  int error;
  int code;
};

// The one place where POSIX errors become Windows Sockets codes. EPIPE is what
// a send into a connection the peer has torn down gives here; the other
// platform reports the same situation as "cannot send after socket is
// closed", and the session treats it the same way (the socket is closed).
constexpr ErrnoEntry kErrnoCodes[] = {
    {EINTR, 10004},        {EBADF, 10009},           {EACCES, 10013},
    {EPERM, 10013},        {EFAULT, 10014},          {EINVAL, 10022},
    {EMFILE, 10024},       {ENFILE, 10024},          {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10036},  {EALREADY, 10037},        {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},   {EPFNOSUPPORT, 10046},    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},
    {ENETUNREACH, 10051},  {ENETRESET, 10052},       {ECONNABORTED, 10053},
    {ECONNRESET, 10054},   {ENOBUFS, 10055},         {ENOMEM, 10055},
    {EISCONN, 10056},      {ENOTCONN, 10057},        {ESHUTDOWN, 10058},
    {EPIPE, 10058},        {ETOOMANYREFS, 10059},    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061}, {ELOOP, 10062},           {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},    {ENOTEMPTY, 10066},
};

[[noreturn]] void RaiseErrno(int error) {
  throw TSocketStack::SocketError(TSocketStack::TranslateErrno(error));
}

bool ParseDottedQuad(std::string_view text, in_addr* out) {
  uint32_t value = 0;
  int parts = 0;
  size_t pos = 0;
  while (parts < 4) {
    size_t end = text.find('.', pos);
    if (parts == 3) end = text.size();
    if (end == std::string_view::npos) return false;
    const std::string_view part = text.substr(pos, end - pos);
    if (part.empty() || part.size() > 3) return false;
    int number = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
      number = number * 10 + (c - '0');
    }
    if (number > 255) return false;
    value = (value << 8) | static_cast<uint32_t>(number);
    ++parts;
    pos = end + 1;
  }
  if (out != nullptr) out->s_addr = htonl(value);
  return true;
}

sockaddr_in MakeAddress(const std::string& ip, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  if (ip.empty()) {
    address.sin_addr.s_addr = htonl(INADDR_ANY);
  } else if (!ParseDottedQuad(ip, &address.sin_addr)) {
    throw TSocketStack::SocketError(kWsaCannotAssignAddress);
  }
  if (port < 0 || port > 65535) throw TSocketStack::SocketError(kWsaCannotAssignAddress);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

std::string AddressText(const in_addr& address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

}  // namespace

void TSocketStack::Acquire() {
  // Nothing needs starting on POSIX sockets; the count is kept so that the
  // layer's lifetime is the same on every platform.
  std::lock_guard<std::mutex> lock(stack_mutex);
  ++stack_instances;
}

void TSocketStack::Release() {
  std::lock_guard<std::mutex> lock(stack_mutex);
  --stack_instances;
}

int TSocketStack::InstanceCount() {
  std::lock_guard<std::mutex> lock(stack_mutex);
  return stack_instances;
}

bool TSocketStack::IsDottedQuad(std::string_view text) { return ParseDottedQuad(text, nullptr); }

std::string TSocketStack::LookUpHost(const std::string& host) {
  if (EqualIgnoringAsciiCase(host, "localhost")) return "127.0.0.1";
  if (IsDottedQuad(host)) return host;
  // An empty name cannot name a host; asking the name service would only
  // cost a round trip for the same answer.
  if (host.empty()) throw SocketError(kWsaHostNotFound);

  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int status = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (status != 0) {
    switch (status) {
      case EAI_AGAIN:
        throw SocketError(kWsaTryAgain);
      case EAI_MEMORY:
        throw SocketError(kWsaNoBufferSpace);
      case EAI_SYSTEM:
        RaiseErrno(errno);
      case EAI_NONAME:
      case EAI_NODATA:
      case EAI_ADDRFAMILY:
        throw SocketError(kWsaHostNotFound);
      default:
        throw SocketError(kWsaNoRecovery);
    }
  }
  std::string result;
  for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET) {
      result = AddressText(reinterpret_cast<sockaddr_in*>(entry->ai_addr)->sin_addr);
      break;
    }
  }
  ::freeaddrinfo(found);
  if (result.empty()) throw SocketError(kWsaHostNotFound);
  return result;
}

std::string TSocketStack::ErrorText(int code) {
  for (const auto& entry : kErrorTexts) {
    if (entry.code == code) return entry.text;
  }
  return {};
}

int TSocketStack::TranslateErrno(int error) {
  for (const auto& entry : kErrnoCodes) {
    if (entry.error == error) return entry.code;
  }
  return error;
}

ESocketError TSocketStack::SocketError(int code) {
  return ESocketError(code, FormatMessage(messages::kSocketError, {code, ErrorText(code)}));
}

TSocketHandle TSocketHandle::CreateTcp() {
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
  if (!fd.Valid()) throw EInvalidSocket(messages::kCannotAllocateSocket);
  return TSocketHandle(std::move(fd));
}

void TSocketHandle::Wait(short events, Millis stall_limit) {
  pollfd entries[2] = {{fd_.Get(), events, 0}, {cancel_fd_, POLLIN, 0}};
  const nfds_t count = cancel_fd_ >= 0 ? 2 : 1;
  const int timeout = stall_limit.count() > 0 ? static_cast<int>(stall_limit.count()) : -1;
  for (;;) {
    const int ready = ::poll(entries, count, timeout);
    if (ready > 0) {
      if (count == 2 && entries[1].revents != 0) throw ECancelled(messages::kCancelled);
      return;
    }
    if (ready == 0) throw TSocketStack::SocketError(kWsaTimedOut);
    if (errno != EINTR) RaiseErrno(errno);
  }
}

void TSocketHandle::Bind(const std::string& ip, int port) {
  const sockaddr_in address = MakeAddress(ip, port);
  if (::bind(fd_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return;
  const int code = TSocketStack::TranslateErrno(errno);
  if (code == kWsaAddressInUse) throw ECouldNotBindSocket(messages::kCouldNotBindSocket);
  throw TSocketStack::SocketError(code);
}

void TSocketHandle::Connect(const std::string& ip, int port, Millis stall_limit) {
  const sockaddr_in address = MakeAddress(ip, port);
  if (::connect(fd_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return;
  }
  if (errno != EINPROGRESS && errno != EINTR) RaiseErrno(errno);
  Wait(POLLOUT, stall_limit);
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(fd_.Get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) RaiseErrno(errno);
  if (error != 0) RaiseErrno(error);
}

void TSocketHandle::Listen(int backlog) {
  if (::listen(fd_.Get(), backlog) != 0) RaiseErrno(errno);
}

TSocketHandle TSocketHandle::Accept(Millis stall_limit) {
  for (;;) {
    Wait(POLLIN, stall_limit);
    UniqueFd fd(::accept4(fd_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (fd.Valid()) return TSocketHandle(std::move(fd));
    // The connection may have gone again between the wait and the accept.
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) {
      RaiseErrno(errno);
    }
  }
}

size_t TSocketHandle::Send(const char* data, size_t size, Millis stall_limit) {
  for (;;) {
    const ssize_t sent = ::send(fd_.Get(), data, size, MSG_NOSIGNAL);
    if (sent >= 0) return static_cast<size_t>(sent);
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      Wait(POLLOUT, stall_limit);
    } else if (errno != EINTR) {
      RaiseErrno(errno);
    }
  }
}

size_t TSocketHandle::Receive(char* data, size_t size, Millis stall_limit) {
  for (;;) {
    const ssize_t received = ::recv(fd_.Get(), data, size, 0);
    if (received >= 0) return static_cast<size_t>(received);
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      Wait(POLLIN, stall_limit);
    } else if (errno != EINTR) {
      RaiseErrno(errno);
    }
  }
}

void TSocketHandle::ShutdownSend() {
  if (fd_.Valid()) ::shutdown(fd_.Get(), SHUT_WR);
}

std::string TSocketHandle::LocalIP() const {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (::getsockname(fd_.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    RaiseErrno(errno);
  }
  return AddressText(address.sin_addr);
}

int TSocketHandle::LocalPort() const {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (::getsockname(fd_.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    RaiseErrno(errno);
  }
  return ntohs(address.sin_port);
}

std::string TSocketHandle::PeerIP() const {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (::getpeername(fd_.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    RaiseErrno(errno);
  }
  return AddressText(address.sin_addr);
}

}  // namespace zakaz::ftp
