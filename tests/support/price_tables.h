// Small price-list tables for the window tests, written through the dataset
// with the supplier's columns, and a working directory to run the program in.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "support/file_bytes.h"

namespace zakaz::testing {

struct PriceRow {
  std::string name = "";  // ASCII or Windows-1251
  double price = 10;
  int kol = 100;
  int quant = 0;
  std::string srok = "";
  int flag = 0;
  std::string proizvod = "Maker";
  std::string fasovka = "N10";
  int nds = 10;
  std::string kod = "";
};

// Creates `path` with the price-list columns and `rows`.
void WritePriceTable(const std::string& path, const std::vector<PriceRow>& rows);

// QUANT of every record of `path`, in record order.
std::vector<int> ReadQuantities(const std::string& path);

// The record images of the table file at `path` as stored, each without its
// deletion flag, in record order.
std::vector<std::string> StoredRecords(const std::string& path);

// Makes `dir` the working directory for the object's lifetime.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::filesystem::path& dir);
  ~WorkingDirectory();
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  std::filesystem::path old_;
};

// Sets the modification time of `path`.
void SetFileTime(const std::string& path, std::time_t time);
std::time_t FileTime(const std::string& path);

}  // namespace zakaz::testing
