#include "settings/ini_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

namespace zakaz {
namespace {

struct FindCase {
  const char* what;
  std::string text;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

TEST(FindIniValue, FollowsTheFileRules) {
  const FindCase cases[] = {
      {"plain", "[Main]\r\nClientcode=123\r\n", "Main", "Clientcode", "123"},
      {"names in upper case", "[MAIN]\nCLIENTCODE=123\n", "Main", "Clientcode", "123"},
      {"names asked in lower case", "[Main]\nPassiv=1\n", "main", "passiv", "1"},
      {"Cyrillic names, other case", "[\xCD\xE0\xF1]\n\xCA\xEE\xE4=7\n", "\xED\xE0\xF1",
       "\xEA\xEE\xE4", "7"},
      {"blanks everywhere", "  [ Main ]  \n \tClientcode  =   12 3 \t \n", "Main", "Clientcode",
       "12 3"},
      {"blanks around the asked names", "[Main]\nftp=h\n", " Main ", " ftp ", "h"},
      {"empty value", "[Main]\nftp=\n", "Main", "ftp", ""},
      {"only blanks as value", "[Main]\nftp=   \r\n", "Main", "ftp", ""},
      {"value holding =", "[Main]\nftp=a=b\n", "Main", "ftp", "a=b"},
      {"no final line ending", "[Main]\nftp=host", "Main", "ftp", "host"},
      {"stray carriage returns", "[Main]\r\r\nftp=host\r\r\n", "Main", "ftp", "host"},
      {"file cut after a carriage return", "[Main]\nftp=host\r", "Main", "ftp", "host"},
      {"first of two lines of a key", "[Main]\nftp=one\nftp=two\n", "Main", "ftp", "one"},
      {"key in another section", "[Other]\nftp=x\n", "Main", "ftp", std::nullopt},
      {"key before any section", "ftp=x\n[Main]\n", "Main", "ftp", std::nullopt},
      {"key after the section ends", "[Main]\na=1\n[Other]\nftp=x\n", "Main", "ftp", std::nullopt},
      {"commented out", "[Main]\n;ftp=x\n", "Main", "ftp", std::nullopt},
      {"line without =", "[Main]\nftp\n", "Main", "ftp", std::nullopt},
      {"key name only a prefix", "[Main]\nftpx=1\n", "Main", "ftp", std::nullopt},
      {"empty file", "", "Main", "ftp", std::nullopt},
      {"value of 2047 characters", "[Main]\nc=" + std::string(2047, 'v') + "\n", "Main", "c",
       std::string(2047, 'v')},
      {"value of 3000 characters is cut", "[Main]\nc=" + std::string(3000, 'v') + "\n", "Main", "c",
       std::string(2047, 'v')},
      {"blanks do not count against the length",
       "[Main]\nc=    " + std::string(2047, 'v') + "    \n", "Main", "c", std::string(2047, 'v')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.expected, FindIniValue(c.text, c.section, c.key));
  }
}

struct SetCase {
  const char* what;
  const char* before;
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

constexpr SetCase kSetCases[] = {
    {"creates the section in an empty file", "", "Main", "ftp", "host", "[Main]\r\nftp=host\r\n"},
    {"replaces a value", "[Main]\r\nftp=old\r\nPassiv=0\r\n", "Main", "ftp", "new",
     "[Main]\r\nftp=new\r\nPassiv=0\r\n"},
    {"keeps the key's spelling and spacing", "; head\n[main]\nFTP = old  \nClient=c\n", "Main",
     "ftp", "new", "; head\n[main]\nFTP = new\nClient=c\n"},
    {"fills an empty value", "[Main]\nftp=\n", "Main", "ftp", "h", "[Main]\nftp=h\n"},
    {"adds the key after the section's last line", "[Main]\nftp=x\n\n[Other]\na=b\n", "Main",
     "Passiv", "1", "[Main]\nftp=x\nPassiv=1\n\n[Other]\na=b\n"},
    {"adds the key under a bare section header", "[Main]\r\n", "Main", "Passiv", "1",
     "[Main]\r\nPassiv=1\r\n"},
    {"adds the key to a last line without ending", "[Main]\nftp=x", "Main", "Passiv", "1",
     "[Main]\nftp=x\nPassiv=1\n"},
    {"appends the section after other sections", "[Other]\r\na=b\r\n", "Main", "Passiv", "0",
     "[Other]\r\na=b\r\n[Main]\r\nPassiv=0\r\n"},
    {"adds the key to a last line cut after a carriage return", "[Main]\r\nftp=x\r", "Main",
     "Passiv", "1", "[Main]\r\nftp=x\r\r\nPassiv=1\r\n"},
    {"appends the section to a last line without ending", "[Other]\r\na=b", "Main", "Passiv", "0",
     "[Other]\r\na=b\r\n[Main]\r\nPassiv=0\r\n"},
    {"leaves a later section of the same name alone", "[Main]\nx=1\n[Main]\nftp=old\n", "Main",
     "ftp", "new", "[Main]\nx=1\nftp=new\n[Main]\nftp=old\n"},
    {"keeps comments and odd lines in place", "[Main]\n;note\njunk\nftp=1\n", "Main", "ftp", "2",
     "[Main]\n;note\njunk\nftp=2\n"},
    {"turns line breaks in a value into blanks", "[Main]\r\nComment=\r\n", "Main", "Comment",
     "a\r\nb\nc", "[Main]\r\nComment=a  b c\r\n"},
};

TEST(SetIniValue, ChangesOnlyTheOneValue) {
  for (const auto& c : kSetCases) {
    SCOPED_TRACE(c.what);
    const std::string after = SetIniValue(c.before, c.section, c.key, c.value);
    EXPECT_EQ(c.after, after);
    // What was written is what the next read returns.
    std::string expected_value = c.value;
    for (char& ch : expected_value) {
      if (ch == '\r' || ch == '\n') ch = ' ';
    }
    EXPECT_EQ(expected_value, FindIniValue(after, c.section, c.key));
  }
}

TEST(SetIniValue, RefusesNamesThatCouldNotBeReadBack) {
  const struct {
    const char* section;
    const char* key;
  } cases[] = {{"", "ftp"},      {"Main", ""},      {"  ", "ftp"},    {"Ma]in", "ftp"},
               {"Main", "f=tp"}, {"Ma\nin", "ftp"}, {"Main", "ftp\r"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_THROW(SetIniValue("", c.section, c.key, "v"), std::invalid_argument);
  }
}

}  // namespace
}  // namespace zakaz
