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
  table.AddField(kFieldPrice, dbf::TFieldType::ftFloat).SetReadOnly(true);
  table.AddField(kFieldKol, dbf::TFieldType::ftInteger);
  table.AddField(kFieldQuant, dbf::TFieldType::ftInteger);
  table.AddField(kFieldSumma, dbf::TFieldType::ftCurrency, 0, dbf::TFieldKind::fkCalculated).SetReadOnly(true);
  table.AddField(kFieldKod, dbf::TFieldType::ftString, 100);
  table.AddField(kFieldSrok, dbf::TFieldType::ftString, 10);
  table.AddField(kFieldNds, dbf::TFieldType::ftSmallint);
  table.AddField(kFieldFasovka, dbf::TFieldType::ftString, 10);
  table.AddField(kFieldFlag, dbf::TFieldType::ftSmallint);
  table.AddField(kFieldPrices, dbf::TFieldType::ftFloat, 0, dbf::TFieldKind::fkCalculated);
  table.AddField(kFieldComment, dbf::TFieldType::ftString, 100);
  table.OnCalcFields = PriceTableCalcFields;
}

void PriceTableCalcFields(dbf::TTableDataSet& table) {
  const double price = table.FieldByName(kFieldPrice).AsFloat();
  table.FieldByName(kFieldPrices).SetAsFloat(price);
  table.FieldByName(kFieldSumma).SetAsFloat(table.FieldByName(kFieldQuant).AsInteger() * price);
}

}  // namespace zakaz
