// The fixed texts of the connection window and its operations, filled in by
// zakaz::FormatMessage where they hold %s or %d. The status and final texts
// are the ones users and the supplier's support staff know, blanks included.
#pragma once

namespace zakaz::exchange::messages {

inline constexpr char kConnected[] = "Соединение с сервером установлено!!!";
inline constexpr char kDisconnected[] = "Соединение с сервером завершено!!!";
inline constexpr char kSendingFile[] = "Ждите, идет отправка файла !";
inline constexpr char kOrderSent[] = "Отправлено  %d заявки !";
inline constexpr char kOrdersSent[] = "Отправлено  %d  заявок";
inline constexpr char kWaybillFetched[] = "Скачено накладных -  %d";
inline constexpr char kWaybillsFetched[] = "Скачено %d  накладных ";
inline constexpr char kPriceReceived[] = "Прайс получен !!!";
inline constexpr char kPriceNotReceived[] = "Не удалось скачать прайс !!!";

inline constexpr char kIncompleteTransfer[] =
    "Файл %s передан не полностью: %d байт вместо %d. Повторите обмен.";
inline constexpr char kNotArchived[] =
    "Не удалось перенести в архив, заявки остаются к отправке: %s";
inline constexpr char kPriceNotUnpacked[] = "Прайс не распакован, оставлен прежний: %s";
inline constexpr char kNoPriceTable[] = "в архиве нет файла price.dbf";
inline constexpr char kSeveralPriceTables[] = "в архиве несколько файлов price.dbf";
inline constexpr char kDamagedArchive[] = "архив повреждён (%s)";
inline constexpr char kPriceTableTooLarge[] = "файл price.dbf в архиве слишком велик";
inline constexpr char kDamagedPriceTable[] = "таблица price.dbf из архива повреждена (%s)";
inline constexpr char kCannotWritePrice[] = "не удалось записать %s (%s)";

// Waybills that did not arrive whole or were refused: they stay on the server.
inline constexpr char kNotReceived[] = "Не получены: %s";
// A working folder copied from a Windows machine brings its batch file.
inline constexpr char kBatchScriptNotRun[] =
    "unpuk.bat не запускается в Linux: прайс распакован программой";
inline constexpr char kListingTooLarge[] = "Список файлов на сервере слишком велик";
// Orders the server holds whole that could be neither marked nor archived:
// renamed in `demand` to "<name>.sent" so that no send takes them again.
inline constexpr char kSentNotArchived[] =
    "Отправлены, но не перенесены в архив (переименованы в demand): %s";

// "Прервать": the status, the box, and what became of an order cut short.
inline constexpr char kOperationCancelled[] = "Операция прервана";
inline constexpr char kCutOrderDeleted[] =
    "Заявка %s отправлена не полностью и удалена на сервере; она остаётся к отправке.";
inline constexpr char kCutOrderLeft[] =
    "Заявка %s отправлена не полностью, сервер не дал её удалить; она остаётся к "
    "отправке. Сообщите поставщику.";

// The sentence put before a socket error's own text, by its code.
inline constexpr char kServerNotAnswering[] =
    "Сервер поставщика не отвечает. Проверьте подключение к интернету и адрес сервера в "
    "настройках.";
inline constexpr char kServerNotFound[] =
    "Адрес сервера поставщика не найден. Проверьте его в настройках.";
inline constexpr char kConnectionDropped[] =
    "Связь с сервером поставщика прервалась. Повторите операцию.";
inline constexpr char kNetworkFailure[] = "Ошибка связи с сервером поставщика.";

}  // namespace zakaz::exchange::messages
