// Failures of the FTP session and its data transfers.
//
// Every network failure is an ENetException carrying the exact text the user
// reads; the extra data a caller may branch on (the socket error code, the
// server's reply code) is kept in typed accessors, never parsed back out of
// what(). Local file problems met during a transfer are EStreamError, and a
// server's malformed number is EConvertError; neither belongs to the network
// family, because neither comes from the connection.
#pragma once

#include <stdexcept>
#include <string>

namespace zakaz::ftp {

// The Windows Sockets error codes the session branches on or raises itself;
// the message table and the errno translation cover the rest by number.
enum TWinsockError : int {
  kWsaNotSocket = 10038,
  kWsaAddressInUse = 10048,
  kWsaCannotAssignAddress = 10049,
  kWsaConnectionAborted = 10053,
  kWsaConnectionReset = 10054,
  kWsaNoBufferSpace = 10055,
  kWsaSocketShutDown = 10058,
  kWsaTimedOut = 10060,
  kWsaHostNotFound = 11001,
  kWsaTryAgain = 11002,
  kWsaNoRecovery = 11003,
};

class ENetException : public std::runtime_error {
  using runtime_error::runtime_error;
};

// A socket call or a host lookup failed. Code() is numbered as Windows Sockets
// numbers its errors (10061 for a refused connection, 11001 for an unknown
// host), whatever platform the program runs on.
class ESocketError : public ENetException {
 public:
  ESocketError(int code, const std::string& message) : ENetException(message), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// A reply whose code the command does not accept; the message is the reply's
// text lines, each followed by CR LF.
class EProtocolReplyError : public ENetException {
 public:
  EProtocolReplyError(int reply_code, const std::string& message)
      : ENetException(message), reply_code_(reply_code) {}
  int ReplyCode() const { return reply_code_; }

 private:
  int reply_code_;
};

// A transfer the server reported broken (426 or 450 after the data): the
// file did not arrive whole.
class ETransferAborted : public EProtocolReplyError {
  using EProtocolReplyError::EProtocolReplyError;
};

// A command line holding CR or LF, refused before anything is sent: it would
// reach the server as two commands.
class EInvalidCommandLine : public ENetException {
  using ENetException::ENetException;
};

class ESilentException : public ENetException {
  using ENetException::ENetException;
};
class EConnClosedGracefully : public ESilentException {
  using ESilentException::ESilentException;
};

class ETcpConnectionError : public ENetException {
  using ENetException::ENetException;
};
class ENotConnected : public ETcpConnectionError {
  using ETcpConnectionError::ETcpConnectionError;
};
class ENoDataToRead : public ETcpConnectionError {
  using ETcpConnectionError::ETcpConnectionError;
};

class EAlreadyConnected : public ENetException {
  using ENetException::ENetException;
};
class EMaxLineLengthExceeded : public ENetException {
  using ENetException::ENetException;
};
class EInvalidSocket : public ENetException {
  using ENetException::ENetException;
};

class ESocketHandleError : public ENetException {
  using ENetException::ENetException;
};
class ECouldNotBindSocket : public ESocketHandleError {
  using ESocketHandleError::ESocketHandleError;
};

class EStackError : public ENetException {
  using ENetException::ENetException;
};
class EStackInitializationFailed : public EStackError {
  using EStackError::EStackError;
};

class EFtpFileAlreadyExists : public ENetException {
  using ENetException::ENetException;
};

// A wait ended by the session's cancel signal (TCancelSignal): the user
// stopped the operation. The connection it happened on is out of step.
class ECancelled : public ENetException {
  using ENetException::ENetException;
};

// A name listing beyond the session's limits (bytes or names); the listing
// is dropped unread.
class EListingTooLarge : public ENetException {
  using ENetException::ENetException;
};

// The local file of a transfer could not be created, opened or written.
class EStreamError : public std::runtime_error {
  using runtime_error::runtime_error;
};

// A number in a server's reply that is no integer.
class EConvertError : public std::runtime_error {
  using runtime_error::runtime_error;
};

}  // namespace zakaz::ftp
