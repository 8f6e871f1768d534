#include "ftp/tcp_client.h"

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
  listener->Bind(bound_ip_, bound_port_);
  bound_port_ = listener->LocalPort();
  listener->Listen(kListenBacklog);
  listener_ = std::move(listener);
}

void TSimpleServer::AcceptDataConnection() {
  if (!listener_) throw ENotConnected(messages::kNotConnected);
  TSocketHandle accepted = listener_->Accept(StallLimit());
  OpenHandler(std::move(accepted));
  listener_.reset();
}

}  // namespace zakaz::ftp
