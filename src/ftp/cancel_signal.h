// A stop request for a running session, raised from another thread (the
// window's "Прервать") and seen by every wait of the session's sockets: the
// waits poll the signal's descriptor beside their socket, so a session stuck
// in a connect, a read or a send wakes at once and fails with ECancelled.
//
// The signal stays raised until Reset, so every later wait and every command
// line of the same operation fails too; the operation resets it before its own clean-up
// (ABOR, QUIT) and at its start. Raise and Raised may be called from any
// thread; Reset only from the thread running the session.
#pragma once

#include "common/unique_fd.h"

namespace zakaz::ftp {

class TCancelSignal {
 public:
  TCancelSignal();
  TCancelSignal(const TCancelSignal&) = delete;
  TCancelSignal& operator=(const TCancelSignal&) = delete;

  void Raise();
  void Reset();
  bool Raised() const;
  // Readable while raised.
  int Fd() const { return fd_.Get(); }

 private:
  UniqueFd fd_;
};

}  // namespace zakaz::ftp
