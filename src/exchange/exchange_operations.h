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
// stored during a send (created when missing), `archive` the sent orders.
// Leftovers of a killed run (`price.new.*`, `in/*.part`, `archive/.*.part`)
// are removed at construction and before each fetch.
//
// Whatever the server sends is outside input. Only bare ".dbf" names from a
// listing are used; every fetched file is written under a temporary name in
// `in` and takes its name (replacing an earlier copy) only when the byte
// count matches the server's SIZE, or, for a waybill the server gives no size
// for, the length its own table header announces; a waybill is deleted on
// the server only once its copy is on the disk; an order leaves `demand`
// only once its copy in `archive` is on the disk; an order the server holds
// whole is never stored again.
//
// Cancel (from any thread) stops the running operation within moments: it
// fails with EOperationCancelled ("Операция прервана"), the session closed,
// orders stored whole before archived as usual, an order cut short deleted
// on the server where it allows, a waybill left on the server.
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

  // Thread-safe; see above. Has no effect on an operation started later.
  void Cancel() { session_.Cancel(); }
  // Removes what a killed fetch, unpack or archiving left behind.
  void RemoveLeftovers();

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
  // RETR of `remote` into `local` through a temporary name, replacing
  // `local` only once whole and on the disk; `expected_size` -1 when
  // unknown. Throws EExchangeError for a copy shorter than SIZE, and
  // ENotWhole for a table shorter than its header says (when `table` and
  // the size is unknown) or one that could not be flushed or renamed.
  void FetchWhole(const std::string& remote, const std::filesystem::path& local,
                  int64_t expected_size, bool table);
  // After a stop in the middle of storing `name`: reads what the server still
  // says, then asks it to delete the cut copy; true when it did.
  bool DeleteCutOrder(const std::string& name);
  // Clears the stop, ends the session and shows the status.
  void EndStopped();
  void ThrowIfCancelled();
  // Deletes a local file before a fetch; throws "Destination file already
  // exists." when it stays.
  void RemoveBeforeFetch(const std::filesystem::path& local);
  void UnpackPriceList();
  void FetchPriceListSteps();
  // The second pass of a send: archives every pending order with a marker.
  // Returns the names that stay pending.
  std::vector<std::string> ArchiveMarkedOrders(const std::filesystem::path& demand,
                                               const std::filesystem::path& temp);
  // After a store: a marker in `temp`, else the order archived at once, else
  // renamed to "<name>.sent" (added to `renamed`), so it is never sent again.
  void MarkStored(const std::filesystem::path& order, const std::filesystem::path& temp,
                  std::vector<std::string>& renamed);
  std::filesystem::path Local(const std::string& name) const;

  ILiveSettings& settings_;
  IUserPrompts& prompts_;
  std::filesystem::path working_dir_;
  ftp::TFtpClient session_;
};

}  // namespace zakaz::exchange
