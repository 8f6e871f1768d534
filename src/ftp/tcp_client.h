// Connections opened by this side: TTcpClient connects towards Host:Port
// (the session's control connection, a passive data connection), and
// TSimpleServer listens and takes exactly one incoming connection (an active
// data connection). Both own their sockets through TTcpConnection; a
// TSimpleServer also owns its listening socket from StartListening until the
// connection is accepted or the object is destroyed.
#pragma once

#include <memory>
#include <string>

#include "ftp/tcp_connection.h"

namespace zakaz::ftp {

class TTcpClient : public TTcpConnection {
 public:
  const std::string& Host() const { return host_; }
  void SetHost(const std::string& host) { host_ = host; }
  int Port() const { return port_; }
  void SetPort(int port) { port_ = port; }
  // Local address to bind before connecting; empty means any.
  const std::string& BoundIP() const { return bound_ip_; }
  void SetBoundIP(const std::string& ip) { bound_ip_ = ip; }
  int BoundPort() const { return bound_port_; }
  void SetBoundPort(int port) { bound_port_ = port; }

  // Creates the socket handler, binds, looks up Host and connects. Throws
  // EInvalidSocket, ECouldNotBindSocket or ESocketError; the half-open
  // connection is left for CloseConnection.
  void Connect();
  // The local address of the open connection, dotted.
  std::string LocalAddress();

 private:
  std::string host_;
  int port_ = 0;
  std::string bound_ip_;
  int bound_port_ = 0;
};

class TSimpleServer : public TTcpConnection {
 public:
  TSimpleServer();
  ~TSimpleServer() override;

  const std::string& BoundIP() const { return bound_ip_; }
  void SetBoundIP(const std::string& ip) { bound_ip_ = ip; }
  // 0 lets the system choose; after StartListening it is the chosen port.
  int BoundPort() const { return bound_port_; }
  void SetBoundPort(int port) { bound_port_ = port; }
  // The only address a connection is accepted from; empty: any. Others are
  // closed unread and the wait goes on.
  const std::string& ExpectedPeer() const { return expected_peer_; }
  void SetExpectedPeer(const std::string& ip) { expected_peer_ = ip; }

  // Binds to BoundIP:BoundPort and listens with a backlog of 15.
  void StartListening();
  // Waits (within the stall limit) for one connection from ExpectedPeer(),
  // makes it this connection's socket and closes the listening socket.
  void AcceptDataConnection();

 private:
  std::unique_ptr<TSocketHandle> listener_;
  std::string bound_ip_;
  int bound_port_ = 0;
  std::string expected_peer_;
};

}  // namespace zakaz::ftp
