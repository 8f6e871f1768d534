// A scripted FTP server on 127.0.0.1 for the faults a real server will not
// produce on demand: odd replies, closed connections, stalls, the order in
// which data connections and commands arrive.
//
// The server runs on its own thread and serves control connections one after
// another until it is destroyed. Each command line goes to the handler
// registered for its verb (upper case); the defaults log a user in, answer
// PASV/PORT, serve RETR and NLST from Files() and Listing, keep what STOR
// receives, and answer anything else 502. Handlers run on the server thread;
// register them before the client connects. Every received line and data
// connection event is recorded in Log().
//
// Ready-made faults: a transfer cut short (ShortTransfer, with SIZE refused
// by OnReply), a trickle (Trickle), a passive reply naming another loopback
// host (AnnouncePassiveAddress), a foreign host connecting first in active
// mode (ConnectFromForeignHostFirst), a listing flood (a large `listing`)
// and refused RETRs (RefuseRetr).
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/unique_fd.h"

namespace zakaz::testing {

class FtpScriptServer {
 public:
  // What a handler can do with the current control connection.
  class Session {
   public:
    // Sends `raw` exactly as given (the caller writes the CR LF).
    void Send(std::string_view raw);
    void CloseControl();
    // Listens for a passive data connection on 127.0.0.1 and returns the port.
    int OpenPassive();
    // Whether a client has already connected to the passive socket.
    bool DataPending();
    // Accepts the passive connection or connects to the PORT address.
    void OpenData();
    void SendData(std::string_view bytes);
    std::string ReceiveData();
    void CloseData();
    // Sends `bytes` in blocks of `block` bytes, one every `interval`; false
    // once the client has closed the data connection.
    bool TrickleData(std::string_view bytes, size_t block, std::chrono::milliseconds interval);
    void Log(const std::string& event);
    FtpScriptServer& Server() { return server_; }

   private:
    friend class FtpScriptServer;
    Session(FtpScriptServer& server, zakaz::UniqueFd control)
        : server_(server), control_(std::move(control)) {}
    FtpScriptServer& server_;
    zakaz::UniqueFd control_;
    zakaz::UniqueFd passive_;
    zakaz::UniqueFd decoy_;
    zakaz::UniqueFd data_;
    std::string port_address_;
    int port_port_ = 0;
    bool closed_ = false;
    bool peer_gone_ = false;
  };

  using Handler = std::function<void(Session& session, const std::string& argument)>;

  // A RETR that sends `bytes`, whatever was asked, then `final_replies`.
  static Handler ShortTransfer(std::string bytes, std::string final_replies);
  // A RETR or NLST that sends `bytes` a block at a time, one block every
  // `interval`, then 226 (nothing when the client went away first).
  static Handler Trickle(std::string bytes, size_t block, std::chrono::milliseconds interval);

  FtpScriptServer();
  ~FtpScriptServer();
  FtpScriptServer(const FtpScriptServer&) = delete;
  FtpScriptServer& operator=(const FtpScriptServer&) = delete;

  int Port() const { return port_; }
  // Replaces the handler of `verb`.
  void On(const std::string& verb, Handler handler);
  // A fixed answer to `verb`, sent exactly as given.
  void OnReply(const std::string& verb, std::string raw);
  // Sent when a control connection is accepted.
  void SetGreeting(std::string raw) { greeting_ = std::move(raw); }

  // PASV answers with this address (dotted) and the real port, while the
  // data socket listens on 127.0.0.1; a listener on that address and port
  // notes in the log "foreign address reached" if anyone connects there.
  void AnnouncePassiveAddress(std::string address) { announced_address_ = std::move(address); }
  // In active mode a socket bound to 127.0.0.2 connects to the PORT address
  // and sends "intruder" before the server's own data connection.
  void ConnectFromForeignHostFirst() { foreign_first_ = true; }
  // RETR of `name` answered with `raw`, the file (if any) left in place.
  void RefuseRetr(const std::string& name, std::string raw);

  void SetFile(const std::string& name, std::string content);
  // What STOR received under `name`; empty when nothing.
  std::string Stored(const std::string& name);
  std::string listing;

  std::vector<std::string> Log();
  void AddLog(const std::string& event);

 private:
  void Run();
  void Serve(zakaz::UniqueFd control);
  void InstallDefaults();
  bool ReadLine(int fd, std::string& buffer, std::string& line);

  zakaz::UniqueFd listener_;
  int port_ = 0;
  std::string greeting_ = "220 Script server ready.\r\n";
  std::map<std::string, Handler> handlers_;
  std::string announced_address_;
  bool foreign_first_ = false;
  std::map<std::string, std::string> refused_;
  std::mutex mutex_;
  std::map<std::string, std::string> files_;
  std::map<std::string, std::string> stored_;
  std::vector<std::string> log_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace zakaz::testing
