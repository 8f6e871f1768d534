// The FTP session: one control connection to the supplier's server, log-in,
// the few commands the exchange operations need, and the three transfers
// (fetch a file, store a file, list names), each over a data connection of its
// own.
//
// The session owns its control connection (through TTcpClient) and, only
// while a transfer runs, one data connection, which it creates, hands its
// buffer sizes, stall limit and progress events, and releases before the
// transfer returns or fails. The progress events therefore see the data
// connection as Sender. Data connections go only to the control
// connection's peer: a passive reply gives just the port, and an active
// connection from another host is turned away. A failing command leaves the control connection
// open; only OpenSession closes it on failure. Every call blocks the caller's thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ftp/tcp_client.h"

namespace zakaz::ftp {

class TStream;

enum TFtpTransferType { ftASCII, ftBinary };

class TFtpClient : public TTcpClient {
 public:
  // How long a broken transfer's closing reply is waited for.
  static constexpr std::chrono::milliseconds kBrokenTransferReplyWait{1000};
  // A name listing is held in memory whole, so its size is bounded.
  static constexpr size_t kMaxListingBytes = size_t{16} << 20;
  static constexpr size_t kMaxListingNames = 100000;

  TFtpClient();
  ~TFtpClient() override;

  const std::string& Username() const { return username_; }
  void SetUsername(const std::string& username) { username_ = username; }
  const std::string& Password() const { return password_; }
  void SetPassword(const std::string& password) { password_ = password; }
  bool Passive() const { return passive_; }
  void SetPassive(bool passive) { passive_ = passive; }
  TFtpTransferType TransferType() const { return transfer_type_; }
  // Sends "TYPE I" or "TYPE A" at once when connected and the value changes;
  // does nothing during a transfer.
  void SetTransferType(TFtpTransferType type);

  // Connects to Host:Port, reads the greeting, logs in and selects the
  // transfer type. On any failure the connection is closed before the failure
  // leaves; a session still open fails with "Already connected." and is
  // closed, so the next call opens normally.
  void OpenSession();
  void ChangeRemoteDir(const std::string& directory);
  // The size from a 213 reply, -1 for any other reply or an unreadable size.
  int64_t RemoteSize(const std::string& file_name);
  void RemoveRemoteFile(const std::string& file_name);
  // "ABOR" when connected, without reading a reply; closes a data connection.
  void AbortTransfer();
  // "QUIT" when connected, without reading a reply; then closes.
  void EndSession();

  // Fetches a remote file into a new local file. Throws EFtpFileAlreadyExists
  // before sending anything when `local_path` exists. A failed fetch leaves
  // the local file with whatever arrived.
  void FetchFile(const std::string& remote_name, const std::string& local_path);
  void StoreFile(const std::string& local_path, const std::string& remote_name);
  // Replaces `lines` with the names the server lists for `mask`, only once the
  // listing has arrived whole. Throws EListingTooLarge, `lines` untouched,
  // beyond the listing limits.
  void ListNames(std::vector<std::string>& lines, const std::string& mask);
  void SetListingLimits(size_t max_bytes, size_t max_names) {
    max_listing_bytes_ = max_bytes;
    max_listing_names_ = max_names;
  }

  // Thread-safe: makes the running call, and every later one until
  // ClearCancel, fail with ECancelled.
  void Cancel();
  void ClearCancel();

  // Steps of the transfers.
  std::pair<std::string, int> RequestPassiveAddress();
  void AnnouncePort(const std::string& address, int port);
  void ReceiveTransfer(const std::string& command, TStream& target);
  void SendTransfer(const std::string& command, TStream& source);

  // The data connection of the running transfer; null between transfers.
  TTcpConnection* DataConnection() { return data_connection_.get(); }

 private:
  template <class T>
  T& CreateDataConnection();
  // PASV, then a data connection aimed at the address given, not yet open.
  TTcpClient& ConnectionToPassiveAddress();
  // A listening data connection announced with PORT.
  TSimpleServer& ListenForActiveConnection();
  // Reads the reply that ends a transfer. Throws ETransferAborted for 426 or
  // 450, once the server's reply that may follow them has been read within
  // kBrokenTransferReplyWait, or the session closed when none came.
  void FinishTransfer();
  void ReadReplyAfterBrokenTransfer();

  std::string username_;
  std::string password_;
  bool passive_ = false;
  TFtpTransferType transfer_type_ = ftBinary;
  std::unique_ptr<TTcpConnection> data_connection_;
  size_t max_listing_bytes_ = kMaxListingBytes;
  size_t max_listing_names_ = kMaxListingNames;
};

// Parses the text of a 227 reply into an address and a port. Throws
// EConvertError when a port part is not an integer.
std::pair<std::string, int> ParsePassiveReply(const std::string& line);
// The line announcing an active-mode address and port.
std::string PortCommand(const std::string& address, int port);
// Cuts a name listing into lines at CR, LF or CR LF. Throws EListingTooLarge
// for more than `max_lines` lines.
std::vector<std::string> SplitListing(const std::string& text,
                                      size_t max_lines = static_cast<size_t>(-1));

}  // namespace zakaz::ftp
