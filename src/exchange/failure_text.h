// What the connection window shows for a failure that ends an operation.
// Staff who read no English get a Russian sentence in front of a socket
// error ("Socket Error # 10061" CR LF "Connection refused."), which stays
// as it is after it for support; every other failure keeps its own text.
#pragma once

#include <exception>
#include <string>

namespace zakaz::exchange {

// The sentence for a Windows Sockets error code.
const char* SocketErrorSentence(int code);
// For an ftp::ESocketError: its sentence, CR LF, its message; otherwise the
// failure's message.
std::string FailureText(const std::exception& failure);

}  // namespace zakaz::exchange
