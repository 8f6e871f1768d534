// The socket layer under every network object: one process-wide TSocketStack
// (host lookup and the translation of socket errors into the Windows Sockets
// codes and texts that users and support staff know), and TSocketHandle, one
// owned TCP socket with the blocking calls the connections need.
//
// Every wait in a TSocketHandle call can be bounded by a stall limit: when no
// progress is possible for that long the call fails with the socket error
// 10060 "Connection timed out.". A limit of zero waits without end. Sockets
// are non-blocking underneath so that a send never waits past the limit.
// A TSocketHandle owns its descriptor and closes it when destroyed; it can be
// moved but not copied.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "common/unique_fd.h"

namespace zakaz::ftp {

class ESocketError;

class TSocketStack {
 public:
  // Counted under a lock: the first acquisition starts the socket layer, the
  // last release stops it. Every network object holds one acquisition for its
  // lifetime. Throws EStackInitializationFailed when the layer cannot start.
  static void Acquire();
  static void Release();
  static int InstanceCount();

  // "LOCALHOST" in any letter case gives 127.0.0.1 and a dotted IPv4 address
  // is used as it stands; anything else goes to the name service and its first
  // IPv4 address is returned in dotted form. Throws ESocketError (11001 when
  // the name is unknown).
  static std::string LookUpHost(const std::string& host);
  // Four dot-separated whole numbers from 0 to 255.
  static bool IsDottedQuad(std::string_view text);

  // The text of the message table for a Windows Sockets code, empty when the
  // table has none.
  static std::string ErrorText(int code);
  // The Windows Sockets code for a POSIX errno value; a value with no
  // counterpart keeps its own number, which has no text.
  static int TranslateErrno(int error);
  // The exception for `code`, with the message "Socket Error # <code>" CR LF
  // and the code's text.
  static ESocketError SocketError(int code);
};

class TSocketHandle {
 public:
  using Millis = std::chrono::milliseconds;

  TSocketHandle() = default;
  explicit TSocketHandle(UniqueFd fd) : fd_(std::move(fd)) {}
  TSocketHandle(TSocketHandle&&) = default;
  TSocketHandle& operator=(TSocketHandle&&) = default;

  // A new IPv4 stream socket. Throws EInvalidSocket.
  static TSocketHandle CreateTcp();

  bool IsOpen() const { return fd_.Valid(); }
  int Fd() const { return fd_.Get(); }
  // A descriptor that, once readable, ends every wait of this socket with
  // ECancelled (TCancelSignal::Fd); -1 for none. Not owned.
  void SetCancelFd(int fd) { cancel_fd_ = fd; }

  // Empty `ip` means any local address. Throws ECouldNotBindSocket when the
  // address and port are in use, ESocketError otherwise.
  void Bind(const std::string& ip, int port);
  // `ip` is a dotted IPv4 address. Throws ESocketError.
  void Connect(const std::string& ip, int port, Millis stall_limit);
  void Listen(int backlog);
  // Waits for one incoming connection and returns it.
  TSocketHandle Accept(Millis stall_limit);
  // Sends at least one byte and returns how many went out.
  size_t Send(const char* data, size_t size, Millis stall_limit);
  // Receives at least one byte; 0 means the peer has closed its side.
  size_t Receive(char* data, size_t size, Millis stall_limit);
  // Tells the peer nothing more will be sent; errors are of no interest here.
  void ShutdownSend();
  void Close() { fd_.Reset(); }

  std::string LocalIP() const;
  int LocalPort() const;
  // The connected peer's address, dotted.
  std::string PeerIP() const;

 private:
  // Waits until the socket is ready for `events` (poll flags).
  void Wait(short events, Millis stall_limit);

  UniqueFd fd_;
  int cancel_fd_ = -1;
};

}  // namespace zakaz::ftp
