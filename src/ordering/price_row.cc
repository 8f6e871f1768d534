#include "ordering/price_row.h"

#include "dbf/dataset/table_dataset.h"

namespace zakaz {

void ConfigurePriceTable(dbf::TTableDataSet& table) {
  table.SetTableName(kPriceListName);
  table.SetExclusive(true);
  table.SetTranslateASCII(true);
  table.SetUseDeleted(false);
  table.SetAutoFlush(false);
  table.SetLargeIntegerAs(dbf::TLargeIntegerAs::asInteger);
  table.AddField(kFieldName, dbf::TFieldType::ftString, 100).SetReadOnly(true);
  table.AddField(kFieldProizvod, dbf::TFieldType::ftString, 25);
  dbf::TField& price = table.AddField(kFieldPrice, dbf::TFieldType::ftFloat);
  price.SetReadOnly(true);
  table.AddField(kFieldKol, dbf::TFieldType::ftInteger);
  dbf::TField& quant = table.AddField(kFieldQuant, dbf::TFieldType::ftInteger);
  dbf::TField& summa =
      table.AddField(kFieldSumma, dbf::TFieldType::ftCurrency, 0, dbf::TFieldKind::fkCalculated);
  summa.SetReadOnly(true);
  table.AddField(kFieldKod, dbf::TFieldType::ftString, 100);
  table.AddField(kFieldSrok, dbf::TFieldType::ftString, 10);
  table.AddField(kFieldNds, dbf::TFieldType::ftSmallint);
  table.AddField(kFieldFasovka, dbf::TFieldType::ftString, 10);
  table.AddField(kFieldFlag, dbf::TFieldType::ftSmallint);
  dbf::TField& prices =
      table.AddField(kFieldPrices, dbf::TFieldType::ftFloat, 0, dbf::TFieldKind::fkCalculated);
  table.AddField(kFieldComment, dbf::TFieldType::ftString, 100);
  // The order view's rows are known at every opening without a scan of
  // their own, so switching to the order view (and clearing it) reads only
  // the ordered records.
  table.PrepareFilter(kOrderFilterText);
  // Declared fields live as long as the dataset, so the row's calculation
  // holds them instead of looking them up by name on every row read.
  table.OnCalcFields = [&price, &quant, &prices, &summa](dbf::TTableDataSet&) {
    CalculatePriceRow(price, quant, prices, summa);
  };
  // What CalculatePriceRow makes of SUMMA, for the footer's pass.
  table.DeclareProduct(summa, quant, price);
}

void CalculatePriceRow(const dbf::TField& price, const dbf::TField& quant, dbf::TField& prices,
                       dbf::TField& summa) {
  const double value = price.AsFloat();
  // A price its writer left unset shows as none.
  if (price.IsNull()) {
    prices.Clear();
  } else {
    prices.SetAsFloat(value);
  }
  summa.SetAsFloat(quant.AsInteger() * value);
}

void PriceTableCalcFields(dbf::TTableDataSet& table) {
  CalculatePriceRow(table.FieldByName(kFieldPrice), table.FieldByName(kFieldQuant),
                    table.FieldByName(kFieldPrices), table.FieldByName(kFieldSumma));
}

}  // namespace zakaz
