#include "support/ftp_script_server.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace zakaz::testing {
namespace {

// Long enough for a slow sanitizer build, short enough that a client bug
// fails a test instead of hanging it.
constexpr int kWaitMs = 10000;

zakaz::UniqueFd BoundSocket(int port, const char* ip = "127.0.0.1") {
  zakaz::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) throw std::runtime_error("script server: socket failed");
  const int one = 1;
  ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  ::inet_pton(AF_INET, ip, &address.sin_addr);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("script server: bind failed");
  }
  return fd;
}

int LocalPort(int fd) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

bool WaitReadable(int fd, int timeout_ms) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, timeout_ms) > 0;
}

void SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) throw std::runtime_error("script server: send failed");
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
}

std::string Reply(const char* text) { return std::string(text) + "\r\n"; }

}  // namespace

void FtpScriptServer::Session::Send(std::string_view raw) {
  // A client that has gone (it never reads the replies to ABOR and QUIT)
  // gets no more replies; the lines it sent before going are still read.
  while (!closed_ && !peer_gone_ && !raw.empty()) {
    const ssize_t sent = ::send(control_.Get(), raw.data(), raw.size(), MSG_NOSIGNAL);
    if (sent <= 0) {
      peer_gone_ = true;
      return;
    }
    raw.remove_prefix(static_cast<size_t>(sent));
  }
}

void FtpScriptServer::Session::CloseControl() {
  closed_ = true;
  control_.Reset();
}

int FtpScriptServer::Session::OpenPassive() {
  passive_ = BoundSocket(0);
  ::listen(passive_.Get(), 1);
  return LocalPort(passive_.Get());
}

bool FtpScriptServer::Session::DataPending() {
  return passive_.Valid() && WaitReadable(passive_.Get(), 0);
}

void FtpScriptServer::Session::OpenData() {
  if (passive_.Valid()) {
    if (!WaitReadable(passive_.Get(), kWaitMs)) throw std::runtime_error("no data connection");
    data_.Reset(::accept4(passive_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    passive_.Reset();
    if (decoy_.Valid() && WaitReadable(decoy_.Get(), 0)) Log("foreign address reached");
    decoy_.Reset();
  } else {
    data_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (::inet_pton(AF_INET, port_address_.c_str(), &address.sin_addr) != 1 ||
        port_address_ != "127.0.0.1") {
      throw std::runtime_error("script server: refusing PORT address " + port_address_);
    }
    address.sin_port = htons(static_cast<uint16_t>(port_port_));
    if (server_.foreign_first_) {
      zakaz::UniqueFd intruder = BoundSocket(0, "127.0.0.2");
      if (::connect(intruder.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        ::send(intruder.Get(), "intruder", 8, MSG_NOSIGNAL);
        Log("foreign host connected");
        // Turned away unread: the client closes it.
        if (WaitReadable(intruder.Get(), kWaitMs)) {
          char byte = 0;
          if (::recv(intruder.Get(), &byte, 1, 0) <= 0) Log("foreign host turned away");
        }
      }
    }
    if (::connect(data_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error("script server: cannot connect to PORT address");
    }
  }
  if (!data_.Valid()) throw std::runtime_error("script server: data connection failed");
  Log("data connected");
}

void FtpScriptServer::Session::SendData(std::string_view bytes) { SendAll(data_.Get(), bytes); }

bool FtpScriptServer::Session::TrickleData(std::string_view bytes, size_t block,
                                           std::chrono::milliseconds interval) {
  while (!bytes.empty()) {
    const size_t size = std::min(block, bytes.size());
    if (::send(data_.Get(), bytes.data(), size, MSG_NOSIGNAL) != static_cast<ssize_t>(size)) {
      return false;
    }
    bytes.remove_prefix(size);
    // A client that has closed its end is seen as readable (end of file).
    if (WaitReadable(data_.Get(), static_cast<int>(interval.count()))) return false;
  }
  return true;
}

FtpScriptServer::Handler FtpScriptServer::ShortTransfer(std::string bytes,
                                                        std::string final_replies) {
  return [bytes, final_replies](Session& session, const std::string&) {
    session.Send("150 Opening.\r\n");
    session.OpenData();
    session.SendData(bytes);
    session.CloseData();
    session.Send(final_replies);
  };
}

FtpScriptServer::Handler FtpScriptServer::Trickle(std::string bytes, size_t block,
                                                  std::chrono::milliseconds interval) {
  return [bytes, block, interval](Session& session, const std::string&) {
    session.Send("150 Opening.\r\n");
    session.OpenData();
    const bool whole = session.TrickleData(bytes, block, interval);
    session.CloseData();
    if (whole) session.Send("226 Transfer complete.\r\n");
  };
}

void FtpScriptServer::RefuseRetr(const std::string& name, std::string raw) {
  std::lock_guard<std::mutex> lock(mutex_);
  refused_[name] = std::move(raw);
}

std::string FtpScriptServer::Session::ReceiveData() {
  std::string bytes;
  char block[65536];
  for (;;) {
    if (!WaitReadable(data_.Get(), kWaitMs)) throw std::runtime_error("data stalled");
    const ssize_t got = ::recv(data_.Get(), block, sizeof block, 0);
    if (got <= 0) break;
    bytes.append(block, static_cast<size_t>(got));
  }
  return bytes;
}

void FtpScriptServer::Session::CloseData() {
  data_.Reset();
  passive_.Reset();
}

void FtpScriptServer::Session::Log(const std::string& event) { server_.AddLog(event); }

FtpScriptServer::FtpScriptServer() {
  listener_ = BoundSocket(0);
  ::listen(listener_.Get(), 4);
  port_ = LocalPort(listener_.Get());
  InstallDefaults();
  thread_ = std::thread([this] { Run(); });
}

FtpScriptServer::~FtpScriptServer() {
  stop_ = true;
  thread_.join();
}

void FtpScriptServer::On(const std::string& verb, Handler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  handlers_[verb] = std::move(handler);
}

void FtpScriptServer::OnReply(const std::string& verb, std::string raw) {
  On(verb, [raw](Session& session, const std::string&) { session.Send(raw); });
}

void FtpScriptServer::SetFile(const std::string& name, std::string content) {
  std::lock_guard<std::mutex> lock(mutex_);
  files_[name] = std::move(content);
}

std::string FtpScriptServer::Stored(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = stored_.find(name);
  return it == stored_.end() ? std::string() : it->second;
}

std::vector<std::string> FtpScriptServer::Log() {
  std::lock_guard<std::mutex> lock(mutex_);
  return log_;
}

void FtpScriptServer::AddLog(const std::string& event) {
  std::lock_guard<std::mutex> lock(mutex_);
  log_.push_back(event);
}

void FtpScriptServer::InstallDefaults() {
  auto fixed = [](const char* text) {
    const std::string raw = Reply(text);
    return [raw](Session& session, const std::string&) { session.Send(raw); };
  };
  handlers_["USER"] = fixed("331 Password required.");
  handlers_["PASS"] = fixed("230 Logged in.");
  handlers_["TYPE"] = fixed("200 Type set.");
  handlers_["SYST"] = fixed("215 UNIX Type: L8");
  handlers_["CWD"] = fixed("250 Directory changed.");
  handlers_["ABOR"] = fixed("225 No transfer to abort.");
  handlers_["QUIT"] = [](Session& session, const std::string&) {
    session.Send(Reply("221 Goodbye."));
    session.CloseControl();
  };
  handlers_["PASV"] = [this](Session& session, const std::string&) {
    const int port = session.OpenPassive();
    std::string address = "127,0,0,1";
    if (!announced_address_.empty()) {
      address = announced_address_;
      for (char& c : address) c = c == '.' ? ',' : c;
      session.decoy_ = BoundSocket(port, announced_address_.c_str());
      ::listen(session.decoy_.Get(), 1);
    }
    session.Send("227 Entering Passive Mode (" + address + "," + std::to_string(port / 256) + "," +
                 std::to_string(port % 256) + ").\r\n");
  };
  handlers_["PORT"] = [](Session& session, const std::string& argument) {
    int parts[6] = {};
    if (std::sscanf(argument.c_str(), "%d,%d,%d,%d,%d,%d", &parts[0], &parts[1], &parts[2],
                    &parts[3], &parts[4], &parts[5]) != 6) {
      session.Send(Reply("501 Bad PORT line."));
      return;
    }
    session.port_address_ = std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
                            std::to_string(parts[2]) + "." + std::to_string(parts[3]);
    session.port_port_ = parts[4] * 256 + parts[5];
    session.Send(Reply("200 PORT command successful."));
  };
  handlers_["SIZE"] = [this](Session& session, const std::string& argument) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = files_.find(argument);
    session.Send(it == files_.end() ? Reply("550 No such file.")
                                    : "213 " + std::to_string(it->second.size()) + "\r\n");
  };
  handlers_["DELE"] = [this](Session& session, const std::string& argument) {
    std::lock_guard<std::mutex> lock(mutex_);
    session.Send(files_.erase(argument) ? Reply("250 Deleted.") : Reply("550 No such file."));
  };
  handlers_["RETR"] = [this](Session& session, const std::string& argument) {
    std::string content;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (auto refused = refused_.find(argument); refused != refused_.end()) {
        session.CloseData();
        session.Send(refused->second);
        return;
      }
      auto it = files_.find(argument);
      if (it == files_.end()) {
        session.CloseData();
        session.Send(Reply("550 No such file."));
        return;
      }
      content = it->second;
    }
    session.Send(Reply("150 Opening data connection."));
    session.OpenData();
    session.SendData(content);
    session.CloseData();
    session.Send(Reply("226 Transfer complete."));
  };
  handlers_["NLST"] = [this](Session& session, const std::string&) {
    session.Send(Reply("150 Here comes the listing."));
    session.OpenData();
    session.SendData(listing);
    session.CloseData();
    session.Send(Reply("226 Listing sent."));
  };
  handlers_["STOR"] = [this](Session& session, const std::string& argument) {
    session.Send(Reply("150 Ok to send data."));
    session.OpenData();
    std::string content = session.ReceiveData();
    session.CloseData();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stored_[argument] = std::move(content);
    }
    session.Send(Reply("226 Transfer complete."));
  };
}

bool FtpScriptServer::ReadLine(int fd, std::string& buffer, std::string& line) {
  for (;;) {
    const size_t lf = buffer.find('\n');
    if (lf != std::string::npos) {
      line = buffer.substr(0, lf);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      buffer.erase(0, lf + 1);
      return true;
    }
    if (stop_) return false;
    if (!WaitReadable(fd, 20)) continue;
    char block[4096];
    const ssize_t got = ::recv(fd, block, sizeof block, 0);
    if (got <= 0) return false;
    buffer.append(block, static_cast<size_t>(got));
  }
}

void FtpScriptServer::Serve(zakaz::UniqueFd control) {
  Session session(*this, std::move(control));
  session.Send(greeting_);
  std::string buffer;
  std::string line;
  while (!session.closed_ && ReadLine(session.control_.Get(), buffer, line)) {
    AddLog(line);
    const size_t blank = line.find(' ');
    std::string verb = line.substr(0, blank);
    for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string argument =
        blank == std::string::npos ? std::string() : line.substr(blank + 1);
    Handler handler;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = handlers_.find(verb);
      if (it != handlers_.end()) handler = it->second;
    }
    if (handler) {
      handler(session, argument);
    } else {
      session.Send(Reply("502 Command not implemented."));
    }
  }
}

void FtpScriptServer::Run() {
  while (!stop_) {
    if (!WaitReadable(listener_.Get(), 20)) continue;
    zakaz::UniqueFd control(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!control.Valid()) continue;
    // Replies go out at once: a 226 held back until the client acknowledges
    // the 150 before it would cost a delayed acknowledgement per transfer.
    const int one = 1;
    ::setsockopt(control.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    try {
      Serve(std::move(control));
    } catch (const std::exception& error) {
      AddLog(std::string("server error: ") + error.what());
    }
  }
}

}  // namespace zakaz::testing
