// One settings file, addressed by its full path: read a text value by
// section, key and default, write a text value by section and key.
//
// The object holds only the path. Every read and every write goes to the file
// itself, so two objects on the same file (the settings dialog's and the main
// window's) always see each other's writes. Values cross this boundary as
// UTF-8 and are kept in the file in Windows-1251. A write replaces the file
// atomically: a crash or a full disk leaves either the old file or the new
// one, never a mixture.
#pragma once

#include <string>
#include <string_view>

namespace zakaz {

class IniFile {
 public:
  // A relative `path` is made absolute against the working directory now.
  explicit IniFile(const std::string& path);

  // Full path of the file.
  const std::string& FileName() const { return path_; }

  // The value of `key` in `section` (blanks around it removed, at most 2047
  // characters), or `default_value` when the file, the section or the key is
  // missing or the file cannot be read. Never throws for file problems.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;

  // Sets `key` in `section` to `value`, adding the key, the section and the
  // file as needed and leaving every other line as it was. Throws
  // ESettingsError "Unable to write to <full path>" when the file cannot be
  // written; the file is then unchanged.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::string path_;
};

}  // namespace zakaz
