#include "sample_price_list.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "dbf/base/julian_day.h"
#include "dbf/table/code_page.h"
#include "dbf/table/dbf_builder.h"
#include "dbf/table/dbf_columns.h"
#include "dbf/table/dbf_file.h"
#include "dbf/table/disk_file.h"

namespace zakaz::dbf {
namespace {

// A small deterministic generator (splitmix64), so a seed means the same
// file on every machine and library version.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A number in [0, bound).
  int Below(int bound) { return static_cast<int>(Next() % static_cast<uint64_t>(bound)); }
  bool OneIn(int n) { return Below(n) == 0; }
  template <typename T, size_t N>
  const T& Pick(const std::array<T, N>& items) {
    return items[static_cast<size_t>(Below(static_cast<int>(N)))];
  }

 private:
  uint64_t state_;
};

constexpr std::array<const char*, 40> kProducts = {
    "Аспирин",     "Парацетамол",    "Ибупрофен",    "Но-шпа",
    "Анальгин",    "Цитрамон",       "Нурофен",      "Амоксициллин",
    "Азитромицин", "Лоратадин",      "Супрастин",    "Мезим форте",
    "Панкреатин",  "Фестал",         "Смекта",       "Активированный уголь",
    "Валидол",     "Корвалол",       "Валериана",    "Глицин",
    "Афобазол",    "Арбидол",        "Ингавирин",    "Кагоцел",
    "Називин",     "Ксилометазолин", "Мирамистин",   "Хлоргексидин",
    "Бепантен",    "Пантенол",       "Троксевазин",  "Диклофенак",
    "Кеторол",     "Омепразол",      "Алмагель",     "Энап",
    "Эналаприл",   "Бисопролол",     "Аторвастатин", "Метформин"};

constexpr std::array<const char*, 8> kForms = {"табл.", "табл. п/о", "капс.", "р-р д/ин.",
                                               "сироп", "мазь",      "гель",  "спрей наз."};

constexpr std::array<const char*, 8> kDoses = {"100мг", "250мг", "500мг", "50мг",
                                               "5%",    "0,1%",  "10мг",  "200мг"};

constexpr std::array<const char*, 6> kPacks = {"№10", "№20", "№30", "№50", "30г", "100мл"};

constexpr std::array<const char*, 16> kMakers = {
    "Фармстандарт", "Байер",      "Гедеон Рихтер",  "КРКА",        "Тева",    "Сандоз",
    "Озон",         "Вертекс",    "Верофарм",       "Берлин-Хеми", "Акрихин", "Татхимфарм",
    "Обновление",   "Канонфарма", "Материа Медика", "Эвалар"};

constexpr std::array<const char*, 6> kComments = {
    "Термолабильный", "Рецептурный",       "Акция",
    "Новинка",        "Ограничен. кол-во", "Хранить в холодильнике"};

// Cyrillic text as the tables store it.
std::string Oem(const std::string& utf8) { return Utf8ToCp866(utf8); }

std::string Digits(Random& random, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += static_cast<char>('0' + random.Below(10));
  return out;
}

}  // namespace

void CreateEmptyTable(const std::string& path, const std::vector<TColumnSpec>& columns,
                      uint8_t version) {
  // Names are kept as given (a price list's "Kod" is mixed case), unlike
  // the builder, which upper-cases them.
  std::vector<TColumnDescriptor> descriptors;
  int record_length = 1;
  for (const TColumnSpec& c : columns) {
    TColumnDescriptor d{};
    std::copy_n(c.name.begin(), std::min<size_t>(c.name.size(), 10), d.begin());
    d[11] = static_cast<uint8_t>(c.type);
    d[16] = static_cast<uint8_t>(c.width & 0xFF);
    d[17] = static_cast<uint8_t>(c.type == 'C' ? (c.width >> 8) & 0xFF : c.decimals);
    descriptors.push_back(d);
    record_length += c.width;
  }
  const std::vector<uint8_t> bytes =
      EmptyTableImage(version, descriptors, record_length, version == kVersionExtended ? 263 : 0);

  TDiskFile file(path);
  file.Create();
  file.WriteAt(0, bytes.data(), bytes.size());
  file.Close();
}

std::vector<TColumnSpec> PriceListColumns() {
  return {{"NAME", 'C', 100, 0}, {"PROIZVOD", 'C', 25, 0}, {"PRICE", 'N', 10, 2},
          {"KOL", 'N', 8, 0},    {"QUANT", 'N', 5, 0},     {"Kod", 'C', 100, 0},
          {"SROK", 'C', 10, 0},  {"NDS", 'N', 2, 0},       {"FASOVKA", 'C', 10, 0},
          {"FLAG", 'N', 1, 0},   {"COMMENT", 'C', 100, 0}};
}

void WriteSamplePriceList(const std::string& path, const TSampleOptions& options) {
  CreateEmptyTable(path, PriceListColumns());
  TDbfColumns table(path, false, true);
  Random random(options.seed * 0x2545F4914F6CDD1Dull + 7);
  int base_day = options.base_day;
  if (base_day == 0) {
    const LocalDateTime now = LocalNow();
    base_day = JulianDayOf(now.year, now.month, now.day);
  }
  // Names are converted once; the loop only picks among them.
  std::vector<std::string> makers;
  for (const char* m : kMakers) makers.push_back(Oem(m));

  for (int row = 0; row < options.rows; ++row) {
    table.BlankRecord();
    const std::string name = std::string(random.Pick(kProducts)) + " " + random.Pick(kForms) + " " +
                             random.Pick(kDoses) + " " + random.Pick(kPacks);
    table.PutText(1, Oem(name));
    table.PutText(2, makers[static_cast<size_t>(random.Below(static_cast<int>(makers.size())))]);
    table.PutNumber(3, (1000 + random.Below(500000)) / 100.0);
    // Stock: mostly some, sometimes none, sometimes not filled in at all.
    const int stock_kind = random.Below(10);
    if (stock_kind == 0) {
      table.PutNumber(4, 0);
    } else if (stock_kind == 1) {
      table.PutText(4, "");
    } else {
      table.PutNumber(4, 1 + random.Below(500));
    }
    table.PutNumber(5, 0);
    table.PutText(6, Digits(random, 6 + random.Below(7)));
    // Expiry: a few empty, some within 180 days, most well ahead.
    const int expiry_kind = random.Below(10);
    if (expiry_kind >= 1) {
      const int offset = expiry_kind <= 3 ? random.Below(180) : 180 + random.Below(900);
      table.PutText(7, ShortDateText(base_day + offset));
    }
    table.PutNumber(8, random.OneIn(4) ? 20 : 10);
    table.PutText(9, Oem(random.Pick(kPacks)));
    table.PutNumber(10, random.OneIn(10) ? 1 : 0);
    if (random.OneIn(8)) table.PutText(11, Oem(random.Pick(kComments)));
    table.AppendRecord();
    if (random.OneIn(40)) table.DeleteRecord();
  }
}

}  // namespace zakaz::dbf
