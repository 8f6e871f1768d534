#include "ftp/tcp_client.h"

#include <algorithm>
#include <chrono>

#include "ftp/errors.h"
#include "ftp/messages.h"
#include "ftp/socket_stack.h"

namespace zakaz::ftp {
namespace {

constexpr int kListenBacklog = 15;

}  // namespace

void TTcpClient::Connect() {
  OpenHandler(TSocketHandle());
  Socket() = TSocketHandle::CreateTcp();
  Socket().SetCancelFd(CancelFd());
  Socket().Bind(bound_ip_, bound_port_);
  const std::string address = TSocketStack::LookUpHost(host_);
  Socket().Connect(address, port_, StallLimit());
}

std::string TTcpClient::LocalAddress() {
  if (!HasHandler()) throw ENotConnected(messages::kNotConnected);
  return Socket().LocalIP();
}

TSimpleServer::TSimpleServer() = default;

TSimpleServer::~TSimpleServer() = default;

void TSimpleServer::StartListening() {
  auto listener = std::make_unique<TSocketHandle>(TSocketHandle::CreateTcp());
  listener->SetCancelFd(CancelFd());
  listener->Bind(bound_ip_, bound_port_);
  bound_port_ = listener->LocalPort();
  listener->Listen(kListenBacklog);
  listener_ = std::move(listener);
}

void TSimpleServer::AcceptDataConnection() {
  if (!listener_) throw ENotConnected(messages::kNotConnected);
  // Anyone may connect to the announced port first; only the server's own
  // host gets the data (or may send it).
  const auto deadline = std::chrono::steady_clock::now() + StallLimit();
  for (;;) {
    std::chrono::milliseconds limit = StallLimit();
    if (limit.count() > 0) {
      limit = std::max(std::chrono::milliseconds(1),
                       std::chrono::duration_cast<std::chrono::milliseconds>(
                           deadline - std::chrono::steady_clock::now()));
    }
    TSocketHandle accepted = listener_->Accept(limit);
    std::string peer;
    try {
      peer = accepted.PeerIP();
    } catch (const ESocketError&) {
      continue;  // gone again before it could be asked
    }
    if (expected_peer_.empty() || peer == expected_peer_) {
      OpenHandler(std::move(accepted));
      break;
    }
  }
  listener_.reset();
}

}  // namespace zakaz::ftp
