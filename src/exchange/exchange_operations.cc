#include "exchange/exchange_operations.h"

#include <chrono>
#include <cstdint>
#include <fstream>
#include <system_error>
#include <utility>

#include "common/file_path.h"
#include "common/format_message.h"
#include "common/user_prompts.h"
#include "exchange/durable_file.h"
#include "exchange/errors.h"
#include "exchange/messages.h"
#include "exchange/order_archive.h"
#include "exchange/remote_names.h"
#include "ftp/cancel_signal.h"
#include "ftp/errors.h"
#include "ftp/messages.h"
#include "settings/live_settings.h"

namespace zakaz::exchange {
namespace {

namespace fs = std::filesystem;

constexpr char kPriceArchiveName[] = "price.rar";
constexpr char kOrdersDirectory[] = "zayav";
constexpr char kWaybillsDirectory[] = "nakl/";

// A fetched file is written under this suffix until it is known whole; it
// ends in no ".dbf", so nothing reading `in` takes it for a waybill.
constexpr char kPartialSuffix[] = ".part";
// An order the server holds whole that could be neither marked nor archived.
constexpr char kSentSuffix[] = ".sent";
// The longest file name the local file systems take.
constexpr size_t kMaxLocalName = 255;

// After a stop during a store: how long the server's late replies are read
// (each wait, and in all), and how long the answer to DELE may take. The
// whole clean-up stays well within the two seconds a stop may take.
constexpr std::chrono::milliseconds kLateReplyQuiet{200};
constexpr std::chrono::milliseconds kLateRepliesAtMost{600};
constexpr int kDeleteReplyWaitMs = 800;

// A fetched copy that is not the whole file; it is skipped like a refused one.
class ENotWhole : public EExchangeError {
  using EExchangeError::EExchangeError;
};

// Replies that refuse one file (it vanished, it is a directory) rather than
// the transfer or the session.
bool RefusesTheFile(const ftp::EProtocolReplyError& error) {
  if (dynamic_cast<const ftp::ETransferAborted*>(&error) != nullptr) return false;
  return error.ReplyCode() == 450 || error.ReplyCode() == 550;
}

// The first bytes of a file, as many as a table header's counts need.
std::string Head(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string bytes(12, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(std::max<std::streamsize>(0, in.gcount())));
  return bytes;
}

void RemoveMatching(const fs::path& directory, const std::string& prefix,
                    const std::string& suffix) {
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    const bool matches = name.size() >= prefix.size() + suffix.size() &&
                         name.compare(0, prefix.size(), prefix) == 0 &&
                         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
    std::error_code ignored;
    if (matches && it->is_regular_file(ignored)) fs::remove(it->path(), ignored);
  }
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

}  // namespace

TExchangeOperations::TExchangeOperations(ILiveSettings& settings, IUserPrompts& prompts,
                                         fs::path working_dir)
    : settings_(settings), prompts_(prompts), working_dir_(std::move(working_dir)) {
  session_.SetReadTimeout(0);
  session_.SetMaxLineAction(ftp::maException);
  session_.OnWork = [this](ftp::TNetComponent&, ftp::TWorkMode, int64_t count) {
    if (OnProgress) OnProgress(count);
  };
  RemoveLeftovers();
}

fs::path TExchangeOperations::Local(const std::string& name) const {
  return ResolvePath((working_dir_ / name).string());
}

void TExchangeOperations::RemoveLeftovers() {
  // Each is a temporary name that only this program writes and that a
  // killed run can leave behind; none ends in ".dbf".
  RemoveMatching(working_dir_, "price.new.", "");
  RemoveMatching(Local("in"), "", kPartialSuffix);
  RemoveMatching(Local("archive"), ".", kPartialSuffix);
}

void TExchangeOperations::Status(const std::string& text) {
  if (OnStatus) OnStatus(text);
}

void TExchangeOperations::ThrowIfCancelled() {
  if (session_.CancelSignal()->Raised()) throw ftp::ECancelled(ftp::messages::kCancelled);
}

bool TExchangeOperations::OpenSession() {
  session_.ClearCancel();
  session_.SetUsername(settings_.Login());
  session_.SetPassword(settings_.Password());
  const auto [host, port] = ParseServerAddress(settings_.Server());
  session_.SetHost(host);
  session_.SetPort(port);
  session_.SetPassive(settings_.Passive());
  session_.OpenSession();
  return session_.IsConnected();
}

void TExchangeOperations::EndSessionQuietly() {
  // A server that hangs up right after the last good reply must not turn a
  // finished exchange into a failure; EndSession closes whatever happens.
  try {
    session_.AbortTransfer();
  } catch (const ftp::ENetException&) {
  }
  try {
    session_.EndSession();
  } catch (const ftp::ENetException&) {
  }
}

void TExchangeOperations::EndStopped() {
  session_.ClearCancel();
  EndSessionQuietly();
  Status(messages::kOperationCancelled);
}

void TExchangeOperations::RemoveBeforeFetch(const fs::path& local) {
  std::error_code error;
  fs::remove(local, error);
  if (fs::exists(fs::symlink_status(local, error))) {
    throw ftp::EFtpFileAlreadyExists(ftp::messages::kDestinationFileExists);
  }
}

void TExchangeOperations::FetchWhole(const std::string& remote, const fs::path& local,
                                     int64_t expected_size, bool table) {
  const fs::path partial = local.string() + kPartialSuffix;
  std::error_code error;
  fs::remove(partial, error);
  struct PartialRemoval {
    const fs::path& path;
    bool keep = false;
    ~PartialRemoval() {
      std::error_code ignored;
      if (!keep) fs::remove(path, ignored);
    }
  } removal{partial};
  session_.FetchFile(remote, partial.string());
  // A data connection that ended early followed by a 226 would otherwise
  // pass as the whole file.
  const auto received = fs::file_size(partial, error);
  if (error) throw EExchangeError(error.message());
  if (expected_size >= 0 && static_cast<int64_t>(received) != expected_size) {
    throw EExchangeError(FormatMessage(
        messages::kIncompleteTransfer,
        {remote, static_cast<long long>(received), static_cast<long long>(expected_size)}));
  }
  if (expected_size < 0 && table && !TableLengthWhole(Head(partial), received)) {
    throw ENotWhole(remote);
  }
  // The server's copy may be deleted right after: this one must be on the
  // disk first, under its name.
  if (!SyncFile(partial)) throw ENotWhole(remote);
  fs::rename(partial, local, error);
  if (error) throw ENotWhole(remote);
  removal.keep = true;
  SyncDirectory(local.parent_path());
}

void TExchangeOperations::FetchPriceList() {
  try {
    FetchPriceListSteps();
  } catch (const ftp::ECancelled&) {
    EndStopped();
    throw EOperationCancelled(messages::kOperationCancelled);
  }
}

void TExchangeOperations::FetchPriceListSteps() {
  RemoveLeftovers();
  if (!OpenSession()) return;
  const fs::path local = Local("in") / kPriceArchiveName;
  try {
    Status(messages::kConnected);
    const std::string remote =
        settings_.PriceDirectory() + "/" + settings_.ClientCode() + "/" + kPriceArchiveName;
    session_.SetTransferType(ftp::ftBinary);
    RemoveBeforeFetch(local);
    const int64_t size = session_.RemoteSize(remote);
    if (OnProgressMaximum) OnProgressMaximum(size);
    FetchWhole(remote, local, size, false);
    EndSessionQuietly();
    Status(messages::kDisconnected);
  } catch (const ftp::ECancelled&) {
    throw;
  } catch (...) {
    EndSessionQuietly();
    throw;
  }
  EndSessionQuietly();
  std::error_code error;
  if (fs::exists(local, error)) {
    UnpackPriceList();
  } else {
    prompts_.Warning(messages::kPriceNotReceived);
  }
}

void TExchangeOperations::UnpackPriceList() {
  if (const auto script = FindUnpackScript(working_dir_)) {
    StartUnpackScript(*script, working_dir_);
    prompts_.Warning(messages::kPriceReceived);
    return;
  }
  const TPriceTableCheck any_table = [](const fs::path&) {};
  const auto failure = exchange::UnpackPriceList(Local("in") / kPriceArchiveName, working_dir_,
                                                 ProvePriceTable ? ProvePriceTable : any_table);
  std::string text = messages::kPriceReceived;
  if (!failure && HasWindowsUnpackScript(working_dir_)) {
    text += "\r\n" + std::string(messages::kBatchScriptNotRun);
  }
  prompts_.Warning(text);
  if (failure) prompts_.Warning(FormatMessage(messages::kPriceNotUnpacked, {*failure}));
}

void TExchangeOperations::MarkStored(const fs::path& order, const fs::path& temp,
                                     std::vector<std::string>& renamed) {
  const std::string name = order.filename().string();
  const fs::path marker = temp / name;
  std::error_code error;
  fs::copy_file(order, marker, fs::copy_options::skip_existing, error);
  if (fs::is_regular_file(marker, error)) return;
  // Without a marker the next send would store it again: it leaves `demand`
  // now, into the archive or at least under a name no send takes.
  if (ArchiveOrder(order, Local("archive"))) return;
  const fs::path sent = order.string() + kSentSuffix;
  if (!fs::exists(fs::symlink_status(sent, error))) {
    fs::rename(order, sent, error);
    if (!error) {
      SyncDirectory(order.parent_path());
      renamed.push_back(sent.filename().string());
    }
  }
}

std::vector<std::string> TExchangeOperations::ArchiveMarkedOrders(const fs::path& demand,
                                                                  const fs::path& temp) {
  const fs::path archive = Local("archive");
  std::vector<std::string> kept;
  for (const std::string& name : PendingOrderNames(demand)) {
    std::error_code error;
    const fs::path marker = temp / name;
    if (!fs::exists(marker, error)) continue;
    if (ArchiveOrder(demand / name, archive)) {
      fs::remove(marker, error);
    } else {
      kept.push_back(name);
    }
  }
  return kept;
}

bool TExchangeOperations::DeleteCutOrder(const std::string& name) {
  // The server may still answer the cut STOR (426, 226) and the ABOR; what
  // it says within a moment is read out, so the answer to DELE is its own.
  const int read_timeout = session_.ReadTimeout();
  bool deleted = false;
  try {
    if (!session_.IsConnected()) return false;
    session_.SendLine("ABOR");
    session_.SetReadTimeout(static_cast<int>(kLateReplyQuiet.count()));
    const auto until = std::chrono::steady_clock::now() + kLateRepliesAtMost;
    while (std::chrono::steady_clock::now() < until && session_.WaitForInput(kLateReplyQuiet)) {
      session_.ReceiveReply({});
    }
    session_.SetReadTimeout(kDeleteReplyWaitMs);
    session_.RemoveRemoteFile(name);
    deleted = true;
  } catch (const ftp::ENetException&) {
  }
  session_.SetReadTimeout(read_timeout);
  return deleted;
}

void TExchangeOperations::SendOrders() {
  const fs::path demand = Local("demand");
  const fs::path temp = Local("temp");
  std::vector<std::string> renamed;
  std::string storing;
  // The count is kept in 8 bits, as the window has always shown it: the
  // 256th order shows 0.
  uint8_t sent = 0;
  try {
    if (!OpenSession()) return;
    session_.SetTransferType(ftp::ftBinary);
    session_.ChangeRemoteDir(kOrdersDirectory);
    std::error_code error;
    fs::create_directory(temp, error);
    for (const std::string& name : PendingOrderNames(demand)) {
      ThrowIfCancelled();
      const fs::path order = demand / name;
      const auto size = fs::file_size(order, error);
      if (OnProgressMaximum) OnProgressMaximum(error ? 0 : static_cast<int64_t>(size));
      Status(messages::kSendingFile);
      storing = name;
      session_.StoreFile(order.string(), name);
      // The marker says the order arrived, so it is written only once the
      // server's size proves the copy whole (where the server tells sizes).
      int64_t stored = -1;
      try {
        stored = session_.RemoteSize(name);
      } catch (const ftp::ECancelled&) {
        throw;
      } catch (const ftp::ENetException& failure) {
        // A server that hangs up right after its 226 (closing, or resetting
        // when the SIZE line reaches it first) has said the file arrived;
        // only the size can no longer be asked.
        const auto* socket = dynamic_cast<const ftp::ESocketError*>(&failure);
        const bool dropped = socket != nullptr && (socket->Code() == ftp::kWsaConnectionReset ||
                                                   socket->Code() == ftp::kWsaConnectionAborted);
        if (session_.IsConnected() && !dropped) throw;
      }
      if (!error && stored >= 0 && stored != static_cast<int64_t>(size)) {
        throw EExchangeError(FormatMessage(messages::kIncompleteTransfer,
                                           {name, stored, static_cast<long long>(size)}));
      }
      storing.clear();
      MarkStored(order, temp, renamed);
      if (OnProgress) OnProgress(0);
      ++sent;
      Status(FormatMessage(messages::kOrderSent, {static_cast<long long>(sent)}));
    }
  } catch (const ftp::ECancelled&) {
    session_.ClearCancel();
    std::string text = messages::kOperationCancelled;
    if (!storing.empty()) {
      text += "\r\n" + FormatMessage(DeleteCutOrder(storing) ? messages::kCutOrderDeleted
                                                             : messages::kCutOrderLeft,
                                     {storing});
    }
    const std::vector<std::string> kept = ArchiveMarkedOrders(demand, temp);
    EndStopped();
    text += "\r\n" + FormatMessage(messages::kOrdersSent, {static_cast<long long>(sent)});
    if (!renamed.empty())
      text += "\r\n" + FormatMessage(messages::kSentNotArchived, {Joined(renamed)});
    if (!kept.empty()) text += "\r\n" + FormatMessage(messages::kNotArchived, {Joined(kept)});
    throw EOperationCancelled(text);
  }

  const std::vector<std::string> kept = ArchiveMarkedOrders(demand, temp);
  EndSessionQuietly();
  Status(messages::kDisconnected);
  std::string text = FormatMessage(messages::kOrdersSent, {static_cast<long long>(sent)});
  if (!renamed.empty())
    text += "\r\n" + FormatMessage(messages::kSentNotArchived, {Joined(renamed)});
  if (!kept.empty()) text += "\r\n" + FormatMessage(messages::kNotArchived, {Joined(kept)});
  prompts_.Warning(text);
}

void TExchangeOperations::FetchWaybills() {
  RemoveLeftovers();
  try {
    if (!OpenSession()) return;
    Status(messages::kConnected);
    session_.ChangeRemoteDir(kWaybillsDirectory + settings_.ClientCode());
    std::vector<std::string> listing;
    try {
      try {
        session_.ListNames(listing, "*.*");
      } catch (const ftp::EProtocolReplyError& error) {
        // Some servers take no mask at all for a name list and refuse it with
        // 450 or 550; the bare listing of the directory gives the same names.
        if (!RefusesTheFile(error) || !session_.IsConnected()) throw;
        session_.ListNames(listing, "");
      }
    } catch (const ftp::EListingTooLarge&) {
      // The rest of the listing is still on its way: the session is out of
      // step and ends here.
      EndSessionQuietly();
      throw EExchangeError(messages::kListingTooLarge);
    }
    const std::vector<std::string> names = WaybillNames(listing);
    listing = {};
    if (OnNames) OnNames(names);

    const fs::path in = Local("in");
    int fetched = 0;
    std::vector<std::string> missing;
    for (const std::string& name : names) {
      ThrowIfCancelled();
      const fs::path local = in / name;
      // No local file can take the name: skipped like a refused one.
      if (name.size() + sizeof kPartialSuffix - 1 > kMaxLocalName) {
        missing.push_back(name);
        continue;
      }
      session_.SetTransferType(ftp::ftBinary);
      const int64_t size = session_.RemoteSize(name);
      try {
        FetchWhole(name, local, size, true);
      } catch (const ftp::EProtocolReplyError& error) {
        if (!RefusesTheFile(error) || !session_.IsConnected()) throw;
        missing.push_back(name);
        continue;
      } catch (const ENotWhole&) {
        missing.push_back(name);
        continue;
      }
      ++fetched;
      session_.RemoveRemoteFile(name);
      Status(FormatMessage(messages::kWaybillFetched, {static_cast<long long>(fetched)}));
    }
    EndSessionQuietly();
    Status(messages::kDisconnected);
    std::string text = FormatMessage(messages::kWaybillsFetched, {static_cast<long long>(fetched)});
    if (!missing.empty()) text += "\r\n" + FormatMessage(messages::kNotReceived, {Joined(missing)});
    prompts_.Warning(text);
  } catch (const ftp::ECancelled&) {
    EndStopped();
    throw EOperationCancelled(messages::kOperationCancelled);
  }
}

}  // namespace zakaz::exchange
