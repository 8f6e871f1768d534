// Failures the exchange operations raise themselves, beside the session's
// own (ftp/errors.h): a transfer that the byte counts prove incomplete.
#pragma once

#include <stdexcept>

namespace zakaz::exchange {

class EExchangeError : public std::runtime_error {
  using runtime_error::runtime_error;
};

// Raised inside the price-list unpacker only; the operation turns it into a
// warning and keeps the old price list.
class EUnpackError : public EExchangeError {
  using EExchangeError::EExchangeError;
};

}  // namespace zakaz::exchange
