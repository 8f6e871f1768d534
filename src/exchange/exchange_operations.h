// The three exchanges of the connection window with the supplier's FTP
// server, without Qt: fetch the packed price list, send every pending order,
// fetch the waybills. Each runs from start to end in one call on the
// caller's thread: it opens a session with the settings in force at that
// moment, does its work, ends the session and reports the outcome through
// IUserPrompts.
//
// Local layout, relative to the working directory given at construction
// (letter case of existing entries ignored): `in` receives price.rar and the
// waybills, `demand` holds pending orders, `temp` the markers of orders
// stored during a send, `archive` the sent orders. None is created here.
//
// Whatever the server sends is outside input. Only bare ".dbf" names from a
// listing are used; every fetched file is written under a temporary name in
// `in` and takes its name only when the byte count matches the server's SIZE
// (where the server gives one); a waybill is deleted on the server only after
// that; an order leaves `demand` only once its copy in `archive` is whole.
//
// Failures leave the call as exceptions with the text the user reads (the
// session's own, or EExchangeError); the window shows them. Fetching the price
// list ends the session before its failure leaves; the other two leave it
// open, so the next operation's opening fails once with "Already connected."
// and closes it. The object owns the session and borrows the settings and
// prompts, which must outlive it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "exchange/price_unpacker.h"
#include "ftp/ftp_client.h"

namespace zakaz {
class ILiveSettings;
class IUserPrompts;
}  // namespace zakaz

namespace zakaz::exchange {

class TExchangeOperations {
 public:
  TExchangeOperations(ILiveSettings& settings, IUserPrompts& prompts,
                      std::filesystem::path working_dir);
  TExchangeOperations(const TExchangeOperations&) = delete;
  TExchangeOperations& operator=(const TExchangeOperations&) = delete;

  // downbutClick, UpbutClick, naklButClick.
  void FetchPriceList();
  void SendOrders();
  void FetchWaybills();

  // The session, for its time limits and buffer sizes.
  ftp::TFtpClient& Session() { return session_; }

  // Events; empty means unassigned.
  std::function<void(const std::string& text)> OnStatus;
  // The byte count the progress runs to; -1 when the server gives none.
  std::function<void(int64_t maximum)> OnProgressMaximum;
  // The bytes of the running transfer so far.
  std::function<void(int64_t position)> OnProgress;
  // The waybill names taken from the listing (the window's Memo1).
  std::function<void(const std::vector<std::string>& names)> OnNames;
  // Proves an unpacked price list whole before it replaces the old one; when
  // empty, any table passes.
  TPriceTableCheck ProvePriceTable;

 private:
  // The common opening; false when the session is not connected after it.
  bool OpenSession();
  // ABOR and QUIT, failures ignored; the session is closed afterwards.
  void EndSessionQuietly();
  void Status(const std::string& text);
  // RETR of `remote` into `local` through a temporary name; `expected_size`
  // -1 when unknown. Throws EExchangeError for a short copy.
  void FetchWhole(const std::string& remote, const std::filesystem::path& local,
                  int64_t expected_size);
  // Deletes a local file before a fetch; throws "Destination file already
  // exists." when it stays.
  void RemoveBeforeFetch(const std::filesystem::path& local);
  void UnpackPriceList();
  std::filesystem::path Local(const std::string& name) const;

  ILiveSettings& settings_;
  IUserPrompts& prompts_;
  std::filesystem::path working_dir_;
  ftp::TFtpClient session_;
};

}  // namespace zakaz::exchange
