#include "exchange/failure_text.h"

#include "exchange/messages.h"
#include "ftp/errors.h"

namespace zakaz::exchange {

const char* SocketErrorSentence(int code) {
  switch (code) {
    case 10050:  // network is down
    case 10051:  // network is unreachable
    case 10060:  // timed out
    case 10061:  // refused
    case 10065:  // no route to host
      return messages::kServerNotAnswering;
    case ftp::kWsaHostNotFound:
      return messages::kServerNotFound;
    case ftp::kWsaConnectionAborted:
    case ftp::kWsaConnectionReset:
      return messages::kConnectionDropped;
    default:
      return messages::kNetworkFailure;
  }
}

std::string FailureText(const std::exception& failure) {
  if (const auto* socket = dynamic_cast<const ftp::ESocketError*>(&failure)) {
    return std::string(SocketErrorSentence(socket->Code())) + "\r\n" + socket->what();
  }
  return failure.what();
}

}  // namespace zakaz::exchange
