// The price-list row: the columns every table shown in the main window
// carries (price list, pending orders, archived orders, waybills), the two
// values calculated for each row and the settings of the main window's
// dataset. Plain functions over a dbf::TTableDataSet; no Qt, nothing kept.
#pragma once

namespace zakaz {

namespace dbf {
class TField;
class TTableDataSet;
}  // namespace dbf

inline constexpr char kFieldName[] = "NAME";
inline constexpr char kFieldProizvod[] = "PROIZVOD";
inline constexpr char kFieldPrice[] = "PRICE";
inline constexpr char kFieldKol[] = "KOL";
inline constexpr char kFieldQuant[] = "QUANT";
inline constexpr char kFieldSumma[] = "SUMMA";
inline constexpr char kFieldKod[] = "Kod";
inline constexpr char kFieldSrok[] = "SROK";
inline constexpr char kFieldNds[] = "NDS";
inline constexpr char kFieldFasovka[] = "FASOVKA";
inline constexpr char kFieldFlag[] = "FLAG";
inline constexpr char kFieldPrices[] = "prices";
inline constexpr char kFieldComment[] = "COMMENT";

inline constexpr char kPriceListName[] = "price.DBF";

// The order view's filter: the rows that carry an order quantity.
inline constexpr char kOrderFilterText[] = "QUANT>0";

// Declares the row's fields on a closed dataset that has none yet, and sets
// what the main window's dataset needs: exclusive opening, code-page
// translation, deleted rows hidden, no flush after each write, wide whole
// numbers read as 32-bit integers, the calculated values, and the initial
// table name "price.DBF".
void ConfigurePriceTable(dbf::TTableDataSet& table);

// The calculated values of the row being read: prices := PRICE and
// SUMMA := QUANT × PRICE.
void PriceTableCalcFields(dbf::TTableDataSet& table);
// The same on the row's fields themselves.
void CalculatePriceRow(const dbf::TField& price, const dbf::TField& quant, dbf::TField& prices,
                       dbf::TField& summa);

}  // namespace zakaz
