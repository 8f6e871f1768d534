// Failures the exchange operations raise themselves, beside the session's
// own (ftp/errors.h): a transfer that the byte counts prove incomplete, a
// listing too large, a stop by the user.
#pragma once

#include <stdexcept>

namespace zakaz::exchange {

class EExchangeError : public std::runtime_error {
  using runtime_error::runtime_error;
};

// The user stopped the operation ("Прервать"); the message says what became
// of the order or file under way. The session is closed.
class EOperationCancelled : public EExchangeError {
  using EExchangeError::EExchangeError;
};

// Raised inside the price-list unpacker only; the operation turns it into a
// warning and keeps the old price list.
class EUnpackError : public EExchangeError {
  using EExchangeError::EExchangeError;
};

}  // namespace zakaz::exchange
