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

}  // namespace zakaz::exchange::messages
