#include "ordering/order_entry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <string>

#include "dbf/dataset/table_dataset.h"
#include "ordering/view_mode.h"

namespace zakaz {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number: optional sign, digits with an optional fraction (at
// least one digit in all), an optional exponent; nothing else.
bool ParseNumber(std::string_view text, double& value) {
  size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  std::string plain(text.substr(0, at));
  bool digits = false;
  while (at < text.size() && IsDigit(text[at])) plain += text[at++], digits = true;
  if (at < text.size() && (text[at] == ',' || text[at] == '.')) {
    plain += '.';
    ++at;
    while (at < text.size() && IsDigit(text[at])) plain += text[at++], digits = true;
  }
  if (!digits) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    plain += text[at++];
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) plain += text[at++];
    bool exponent = false;
    while (at < text.size() && IsDigit(text[at])) plain += text[at++], exponent = true;
    if (!exponent) return false;
  }
  if (at != text.size()) return false;
  value = std::strtod(plain.c_str(), nullptr);
  return true;
}

}  // namespace

int32_t DBGridColumns7UpdateData(std::string_view text, int32_t stock) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.empty()) return 0;
  double value = 0;
  if (!ParseNumber(text, value)) throw EVariantError(kNotANumberEntry);
  return StockRuleQuantity(value, stock);
}

int32_t StockRuleQuantity(double value, int32_t stock) {
  const double limit = std::max<int32_t>(stock, 0);
  if (!(value > 0)) return 0;  // below zero, and NaN
  if (value > limit) return static_cast<int32_t>(limit);
  return static_cast<int32_t>(std::nearbyint(value));
}

void ClearQuantities(dbf::TTableDataSet& table, IViewModes& views) {
  // The views learn of the result once, at the end, instead of following
  // every row that leaves the order view.
  dbf::TControlsPause controls_off(table);
  const TViewMode remembered = views.ViewMode();
  views.SetViewMode(vmOrder);
  try {
    // Every row the order view shows, each read again, zeroed and written
    // with its header, as Edit, Post and Next would; only those records
    // are touched.
    table.ZeroOnVisibleRows(table.FieldByName("QUANT"));
  } catch (const std::exception&) {
    // The user gets back the view they had; the first failure is reported.
    if (table.State() != dbf::TDataSetState::dsBrowse && table.Active()) table.Cancel();
    views.SetViewMode(remembered);
    throw;
  }
  views.SetViewMode(remembered);
}

}  // namespace zakaz
