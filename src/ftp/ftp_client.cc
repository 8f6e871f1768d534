#include "ftp/ftp_client.h"

#include <filesystem>
#include <limits>

#include "common/format_message.h"
#include "ftp/cancel_signal.h"
#include "ftp/errors.h"
#include "ftp/messages.h"
#include "ftp/socket_stack.h"
#include "ftp/stream.h"

namespace zakaz::ftp {
namespace {

std::string TypeCommand(TFtpTransferType type) { return type == ftBinary ? "TYPE I" : "TYPE A"; }

std::string Trim(std::string_view text) { return std::string(TrimReplyLine(text)); }

long long PortPart(const std::string& part) {
  long long value = 0;
  if (!ParseReplyInteger(part, &value)) {
    throw EConvertError(FormatMessage(messages::kNotValidInteger, {part}));
  }
  return value;
}

// Releases the session's data connection however the transfer leaves.
class DataConnectionRelease {
 public:
  explicit DataConnectionRelease(std::unique_ptr<TTcpConnection>& connection)
      : connection_(connection) {}
  ~DataConnectionRelease() { connection_.reset(); }
  DataConnectionRelease(const DataConnectionRelease&) = delete;
  DataConnectionRelease& operator=(const DataConnectionRelease&) = delete;

 private:
  std::unique_ptr<TTcpConnection>& connection_;
};

// A listing in memory up to a size; beyond it the transfer fails.
class BoundedMemoryStream : public TMemoryStream {
 public:
  explicit BoundedMemoryStream(size_t max_size) : max_size_(max_size) {}
  void Write(const char* data, size_t size) override {
    if (Data().size() + size > max_size_) throw EListingTooLarge(messages::kListingTooLarge);
    TMemoryStream::Write(data, size);
  }

 private:
  size_t max_size_;
};

}  // namespace

std::pair<std::string, int> ParsePassiveReply(const std::string& line) {
  const std::string text = Trim(line);
  std::string numbers;
  const size_t open = text.find('(');
  const size_t close = text.find(')');
  if (open != std::string::npos && close != std::string::npos) {
    if (close > open) numbers = text.substr(open + 1, close - open - 1);
  } else {
    const size_t blank = text.rfind(' ');
    numbers = blank == std::string::npos ? text : text.substr(blank + 1);
  }
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t comma = numbers.find(',', start);
    parts.push_back(numbers.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  parts.resize(std::max<size_t>(parts.size(), 6));
  const std::string address = parts[0] + "." + parts[1] + "." + parts[2] + "." + parts[3];
  const long long high = PortPart(parts[4]);
  const long long low = PortPart(parts[5]);
  // A port no socket can have is kept invalid rather than wrapped round, so
  // the connect fails instead of reaching some other port.
  constexpr long long kLimit = std::numeric_limits<int>::max() / 512;
  long long port = -1;
  if (high > -kLimit && high < kLimit && low > -kLimit && low < kLimit) port = high * 256 + low;
  if (port < 0 || port > 65535) port = -1;
  return {address, static_cast<int>(port)};
}

std::string PortCommand(const std::string& address, int port) {
  std::string line = "PORT ";
  for (char c : address) line += c == '.' ? ',' : c;
  line += "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
  return line;
}

std::vector<std::string> SplitListing(const std::string& text, size_t max_lines) {
  std::vector<std::string> lines;
  std::string current;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (lines.size() == max_lines) throw EListingTooLarge(messages::kListingTooLarge);
      lines.push_back(std::move(current));
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  if (!current.empty()) {
    if (lines.size() == max_lines) throw EListingTooLarge(messages::kListingTooLarge);
    lines.push_back(std::move(current));
  }
  return lines;
}

TFtpClient::TFtpClient() {
  SetPort(21);
  SetCancelSignal(std::make_shared<TCancelSignal>());
}

void TFtpClient::Cancel() { CancelSignal()->Raise(); }

void TFtpClient::ClearCancel() { CancelSignal()->Reset(); }

TFtpClient::~TFtpClient() { data_connection_.reset(); }

void TFtpClient::SetTransferType(TFtpTransferType type) {
  if (data_connection_ || type == transfer_type_) return;
  transfer_type_ = type;
  if (IsConnected()) ExchangeCommand(TypeCommand(type), {200});
}

void TFtpClient::OpenSession() {
  try {
    if (HasHandler() && Socket().IsOpen()) throw EAlreadyConnected(messages::kAlreadyConnected);
    Connect();
    ReceiveReply({220});
    if (ExchangeCommand("USER " + username_, {230, 331}) == 331) {
      ExchangeCommand("PASS " + password_, {230});
    }
    ExchangeCommand(TypeCommand(transfer_type_), {200});
    ExchangeCommand("SYST", {200, 215, 500});
  } catch (...) {
    CloseConnection();
    throw;
  }
}

void TFtpClient::ChangeRemoteDir(const std::string& directory) {
  ExchangeCommand("CWD " + directory, {200, 250});
}

int64_t TFtpClient::RemoteSize(const std::string& file_name) {
  if (ExchangeCommand("SIZE " + file_name, {}) != 213) return -1;
  std::string text = Trim(LastReply().JoinedText());
  const size_t blank = text.find(' ');
  if (blank != std::string::npos) text.erase(0, blank + 1);
  long long size = 0;
  return ParseReplyInteger(text, &size) ? size : -1;
}

void TFtpClient::RemoveRemoteFile(const std::string& file_name) {
  ExchangeCommand("DELE " + file_name, {250});
}

void TFtpClient::AbortTransfer() {
  if (IsConnected()) SendLine("ABOR");
  if (data_connection_) data_connection_->CloseConnection();
}

void TFtpClient::EndSession() {
  // The connection is closed even when QUIT cannot be sent any more.
  struct CloseGuard {
    TFtpClient* self;
    ~CloseGuard() { self->CloseConnection(); }
  } close_guard{this};
  if (IsConnected()) SendLine("QUIT");
}

template <class T>
T& TFtpClient::CreateDataConnection() {
  auto connection = std::make_unique<T>();
  connection->SetRecvBufferSize(RecvBufferSize());
  connection->SetSendBufferSize(SendBufferSize());
  connection->SetStallLimit(StallLimit());
  connection->SetLowSpeedLimit(LowSpeedBytes(), LowSpeedWindow());
  connection->SetCancelSignal(CancelSignal());
  connection->SetReadTimeout(0);
  connection->OnWork = OnWork;
  connection->OnWorkBegin = OnWorkBegin;
  connection->OnWorkEnd = OnWorkEnd;
  T& result = *connection;
  data_connection_ = std::move(connection);
  return result;
}

std::pair<std::string, int> TFtpClient::RequestPassiveAddress() {
  ExchangeCommand("PASV", {227});
  const auto& text = LastReply().Text();
  return ParsePassiveReply(text.empty() ? std::string() : text.front());
}

void TFtpClient::AnnouncePort(const std::string& address, int port) {
  ExchangeCommand(PortCommand(address, port), {200});
}

void TFtpClient::FinishTransfer() {
  const int code = ReceiveReply({225, 226, 250, 426, 450});
  // 426 and 450 after the data say the data did not arrive whole. Real
  // servers send them exactly when a transfer broke, so the transfer fails
  // here with the server's text instead of handing a truncated file on as
  // complete.
  if (code == 426 || code == 450) {
    const std::string text = LastReply().JoinedText();
    ReadReplyAfterBrokenTransfer();
    throw ETransferAborted(code, text);
  }
}

void TFtpClient::ReadReplyAfterBrokenTransfer() {
  // Some servers follow the 426 with a 225 or 226 of their own. Unread, it
  // would be taken for the answer to the next command; when none comes soon,
  // nobody knows what the server will send next, so the session closes.
  const int read_timeout = ReadTimeout();
  SetReadTimeout(static_cast<int>(kBrokenTransferReplyWait.count()));
  try {
    const int code = ReceiveReply({});
    if (code != 225 && code != 226) CloseConnection();
  } catch (const ENetException&) {
    CloseConnection();
  }
  SetReadTimeout(read_timeout);
}

TTcpClient& TFtpClient::ConnectionToPassiveAddress() {
  // The address in the reply is not used: a server could aim the order at
  // any host with it, and servers behind NAT announce one nobody can reach.
  const int port = RequestPassiveAddress().second;
  const std::string peer = PeerAddress();
  TTcpClient& data = CreateDataConnection<TTcpClient>();
  data.SetHost(peer);
  data.SetPort(port);
  return data;
}

TSimpleServer& TFtpClient::ListenForActiveConnection() {
  // Some servers connect back while PORT is still being answered, so the
  // listening socket must exist before the PORT line goes out.
  const std::string peer = PeerAddress();
  TSimpleServer& data = CreateDataConnection<TSimpleServer>();
  data.SetExpectedPeer(peer);
  data.SetBoundIP(LocalAddress());
  data.SetBoundPort(0);
  data.StartListening();
  AnnouncePort(data.BoundIP(), data.BoundPort());
  return data;
}

void TFtpClient::ReceiveTransfer(const std::string& command, TStream& target) {
  {
    DataConnectionRelease release(data_connection_);
    if (passive_) {
      TTcpClient& data = ConnectionToPassiveAddress();
      // Passive RETR and NLST: the data connection exists before the command.
      data.Connect();
      SendLine(command);
      ReceiveReply({125, 150, 154});
      data.ReceiveToEnd(target);
      data.CloseConnection();
    } else {
      TSimpleServer& data = ListenForActiveConnection();
      ExchangeCommand(command, {125, 150, 154});
      data.AcceptDataConnection();
      data.ReceiveToEnd(target);
    }
  }
  FinishTransfer();
}

void TFtpClient::SendTransfer(const std::string& command, TStream& source) {
  {
    DataConnectionRelease release(data_connection_);
    if (passive_) {
      TTcpClient& data = ConnectionToPassiveAddress();
      // Several servers answer STOR only once the data connection has
      // arrived, so the command goes first, then the connect, then the 1xx.
      SendLine(command);
      data.Connect();
      ReceiveReply({110, 125, 150});
      try {
        data.SendWholeStream(source);
      } catch (const ESocketError& error) {
        // A data socket the server has already done away with; whether the
        // file arrived is then for the final reply to say.
        if (error.Code() != kWsaNotSocket) throw;
      }
      data.CloseConnection();
    } else {
      TSimpleServer& data = ListenForActiveConnection();
      ExchangeCommand(command, {125, 150});
      data.AcceptDataConnection();
      source.Seek(0);
      data.SendWholeStream(source);
    }
  }
  FinishTransfer();
}

void TFtpClient::FetchFile(const std::string& remote_name, const std::string& local_path) {
  std::error_code ignored;
  if (std::filesystem::exists(std::filesystem::symlink_status(local_path, ignored))) {
    throw EFtpFileAlreadyExists(messages::kDestinationFileExists);
  }
  TFileStream file = TFileStream::Create(local_path);
  ReceiveTransfer("RETR " + remote_name, file);
}

void TFtpClient::StoreFile(const std::string& local_path, const std::string& remote_name) {
  TFileStream file = TFileStream::OpenRead(local_path);
  SendTransfer("STOR " + remote_name, file);
}

void TFtpClient::ListNames(std::vector<std::string>& lines, const std::string& mask) {
  BoundedMemoryStream listing(max_listing_bytes_);
  ReceiveTransfer(Trim("NLST " + mask), listing);
  lines = SplitListing(listing.Data(), max_listing_names_);
}

}  // namespace zakaz::ftp
