// The program's ASCII text helpers: trimming, letter case, character classes.
// Only ASCII letters change case here; bytes from 0x80 up are left as they
// are (code-page-aware case is the filter language's, dbf/expr/exp_text.h).
//
// "Blank" means different bytes to different texts, so each trim says which
// it removes:
//  - SpaceOrControl: every byte up to 0x20 (blank, tab, line breaks, other
//    controls): the padding of table columns and numbers in table files, and
//    filter texts;
//  - Spaces: the blank (0x20) only: the filter language's LTRIM, RTRIM and
//    ALLTRIM;
//  - SpacesAndTabs: blank and tab: numbers and dates a user types;
//  - LineBlanks: blank, tab and carriage return: the settings file, where a
//    stray CR (a file cut after CR, or CR CR LF) must not become part of a
//    name or value.
// Pure functions; views returned point into the argument.
#pragma once

#include <string>
#include <string_view>

namespace zakaz {

constexpr bool IsSpaceOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }
constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string_view TrimStartSpaceOrControl(std::string_view text);
std::string_view TrimEndSpaceOrControl(std::string_view text);
std::string_view TrimSpaceOrControl(std::string_view text);

std::string_view TrimStartSpaces(std::string_view text);
std::string_view TrimEndSpaces(std::string_view text);

std::string_view TrimSpacesAndTabs(std::string_view text);

std::string_view TrimStartLineBlanks(std::string_view text);
std::string_view TrimLineBlanks(std::string_view text);

std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);
// Whether `text` begins with `prefix`, ASCII letter case ignored.
bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);
// Whether `text` ends with `suffix`, ASCII letter case ignored.
bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix);

}  // namespace zakaz
