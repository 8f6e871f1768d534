#include "exchange/exchange_operations.h"

#include <cstdint>
#include <system_error>
#include <utility>

#include "common/file_path.h"
#include "common/format_message.h"
#include "common/user_prompts.h"
#include "exchange/errors.h"
#include "exchange/messages.h"
#include "exchange/order_archive.h"
#include "exchange/remote_names.h"
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

// Replies that refuse one file (it vanished, it is a directory) rather than
// the transfer or the session.
bool RefusesTheFile(const ftp::EProtocolReplyError& error) {
  if (dynamic_cast<const ftp::ETransferAborted*>(&error) != nullptr) return false;
  return error.ReplyCode() == 450 || error.ReplyCode() == 550;
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
}

fs::path TExchangeOperations::Local(const std::string& name) const {
  return ResolvePath((working_dir_ / name).string());
}

void TExchangeOperations::Status(const std::string& text) {
  if (OnStatus) OnStatus(text);
}

bool TExchangeOperations::OpenSession() {
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

void TExchangeOperations::RemoveBeforeFetch(const fs::path& local) {
  std::error_code error;
  fs::remove(local, error);
  if (fs::exists(fs::symlink_status(local, error))) {
    throw ftp::EFtpFileAlreadyExists(ftp::messages::kDestinationFileExists);
  }
}

void TExchangeOperations::FetchWhole(const std::string& remote, const fs::path& local,
                                     int64_t expected_size) {
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
  fs::rename(partial, local);
  removal.keep = true;
}

void TExchangeOperations::FetchPriceList() {
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
    FetchWhole(remote, local, size);
    EndSessionQuietly();
    Status(messages::kDisconnected);
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
  prompts_.Warning(messages::kPriceReceived);
  if (failure) prompts_.Warning(FormatMessage(messages::kPriceNotUnpacked, {*failure}));
}

void TExchangeOperations::SendOrders() {
  if (!OpenSession()) return;
  session_.SetTransferType(ftp::ftBinary);
  session_.ChangeRemoteDir(kOrdersDirectory);
  const fs::path demand = Local("demand");
  const fs::path temp = Local("temp");
  // The supplier's importer reads the count as one byte: the 256th order
  // shows 0.
  uint8_t sent = 0;
  for (const std::string& name : PendingOrderNames(demand)) {
    const fs::path order = demand / name;
    std::error_code error;
    const auto size = fs::file_size(order, error);
    if (OnProgressMaximum) OnProgressMaximum(error ? 0 : static_cast<int64_t>(size));
    Status(messages::kSendingFile);
    session_.StoreFile(order.string(), name);
    // The marker says the order arrived, so it is written only once the
    // server's size proves the copy whole (where the server tells sizes).
    int64_t stored = -1;
    try {
      stored = session_.RemoteSize(name);
    } catch (const ftp::ENetException&) {
      // A server that hangs up right after its 226 has said the file arrived;
      // only the size can no longer be asked.
      if (session_.IsConnected()) throw;
    }
    if (!error && stored >= 0 && stored != static_cast<int64_t>(size)) {
      throw EExchangeError(FormatMessage(messages::kIncompleteTransfer,
                                         {name, stored, static_cast<long long>(size)}));
    }
    fs::copy_file(order, temp / name, fs::copy_options::skip_existing, error);
    if (OnProgress) OnProgress(0);
    ++sent;
    Status(FormatMessage(messages::kOrderSent, {static_cast<long long>(sent)}));
  }

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
  EndSessionQuietly();
  Status(messages::kDisconnected);
  std::string text = FormatMessage(messages::kOrdersSent, {static_cast<long long>(sent)});
  if (!kept.empty()) text += "\r\n" + FormatMessage(messages::kNotArchived, {Joined(kept)});
  prompts_.Warning(text);
}

void TExchangeOperations::FetchWaybills() {
  if (!OpenSession()) return;
  Status(messages::kConnected);
  session_.ChangeRemoteDir(kWaybillsDirectory + settings_.ClientCode());
  std::vector<std::string> listing;
  try {
    session_.ListNames(listing, "*.*");
  } catch (const ftp::EProtocolReplyError& error) {
    // Some servers take no mask at all for a name list and refuse it with
    // 450 or 550; the bare listing of the directory gives the same names.
    if (!RefusesTheFile(error) || !session_.IsConnected()) throw;
    session_.ListNames(listing, "");
  }
  const std::vector<std::string> names = WaybillNames(listing);
  if (OnNames) OnNames(names);

  const fs::path in = Local("in");
  int fetched = 0;
  for (const std::string& name : names) {
    const fs::path local = in / name;
    session_.SetTransferType(ftp::ftBinary);
    RemoveBeforeFetch(local);
    const int64_t size = session_.RemoteSize(name);
    try {
      FetchWhole(name, local, size);
    } catch (const ftp::EProtocolReplyError& error) {
      if (!RefusesTheFile(error) || !session_.IsConnected()) throw;
      continue;
    }
    ++fetched;
    session_.RemoveRemoteFile(name);
    Status(FormatMessage(messages::kWaybillFetched, {static_cast<long long>(fetched)}));
  }
  EndSessionQuietly();
  Status(messages::kDisconnected);
  prompts_.Warning(FormatMessage(messages::kWaybillsFetched, {static_cast<long long>(fetched)}));
}

}  // namespace zakaz::exchange
