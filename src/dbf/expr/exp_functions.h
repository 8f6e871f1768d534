// The function registries of the filter expression language: the global one
// with its 55 functions and the one every table adds (RECNO, DELETED, BOF,
// EOF, TYPE, LEN, FIELDNO). A call looks in the global registry first, so
// LEN always means the global LEN. Both registries are filled on first use
// and only read afterwards.
//
// Argument letters: C text, N number (Number or Integer), D date, L boolean,
// X any type; [] marks an optional argument. A wrong type fails with
// "%s needed for Argument %d of %s", a missing value with "A value is
// required for %s", a value out of range with "Argument for %s must be %s",
// and the functions that compare their arguments with "All arguments for %s
// must be of the same type" (the numeric family counts as one type). Texts
// are the stored bytes; letter case follows the tables' DOS code page.
//
// | Function                     | Result  | Meaning                                              |
// |------------------------------|---------|------------------------------------------------------|
// | ABS(N)                       | Number  | absolute value                                       |
// | ACOS(N), ASIN(N)             | Number  | arc cosine / sine in radians; N in -1..1             |
// | ATAN(N)                      | Number  | arc tangent in radians                               |
// | ATN2(N y, N x)               | Number  | angle of the point (x, y) in radians                 |
// | COS(N), SIN(N), TAN(N)       | Number  | trigonometry on radians                              |
// | DTOR(N), RTOD(N)             | Number  | degrees to radians, radians to degrees               |
// | PI()                         | Number  | 3.14159...                                           |
// | CEILING(N), FLOOR(N)         | Number  | nearest whole number above / below                   |
// | INT(N)                       | Integer | whole part, towards zero                             |
// | LOG(N), LOG10(N)             | Number  | natural / decimal logarithm; N above 0               |
// | MOD(N a, N b)                | Number  | a - b * FLOOR(a / b) (sign of b); b not 0            |
// | FV(N pay, N rate, N n)       | Number  | future value of n payments at rate per period        |
// | PV(N pay, N rate, N n)       | Number  | present value of n payments at rate per period       |
// | MAX(X, X), MIN(X, X)         | as args | larger / smaller of two values of one type           |
// | BETWEEN(X v, X lo, X hi)     | Boolean | lo <= v <= hi, all of one type                       |
// | INLIST(X v, X a, ...)        | Boolean | v equals one of the others, all of one type          |
// | IIF(L c, X a, X b)           | a or b  | a when c is true, else b; only that one is evaluated |
// | EMPTY(X)                     | Boolean | blank text, 0, no date, false, or no value           |
// | ASC(C)                       | Integer | code of the first byte, 0 for an empty text          |
// | CHR(N)                       | Text    | the byte with code N, 0..255                         |
// | AT(C s, C t [, N k])         | Integer | position (from 1) of the k-th s in t, 0 when none    |
// | ATC(C s, C t [, N k])        | Integer | AT without regard to letter case                     |
// | LEN(C)                       | Integer | length in bytes, trailing blanks included            |
// | LEFT(C, N n), RIGHT(C, N n)  | Text    | first / last n bytes                                 |
// | SUBSTR(C, N from [, N n])    | Text    | n bytes (default: the rest) from position `from`     |
// | LTRIM(C), RTRIM(C), TRIM(C)  | Text    | without leading / trailing blanks (TRIM = RTRIM)     |
// | ALLTRIM(C)                   | Text    | without leading and trailing blanks                  |
// | UPPER(C), LOWER(C)           | Text    | letters in upper / lower case                        |
// | PROPER(C)                    | Text    | first letter of each word upper case, the rest lower |
// | SPACE(N)                     | Text    | N blanks, 0..65535                                   |
// | PADL(C, N n [, C c])         | Text    | padded on the left with c (a blank) to n bytes, or   |
// | PADR(C, N n [, C c])         | Text    |   cut to its first n bytes; PADR pads on the right,  |
// | PADC(C, N n [, C c])         | Text    |   PADC on both sides; n 0..65535                     |
// | STR(N [, N len [, N dec]])   | Text    | number right-aligned in len (10) bytes with dec (0)  |
// |                              |         |   decimals; "*" x len when it does not fit           |
// | STRZERO(N [, N len [, N dec]]) | Text  | STR padded with zeros                                |
// | STRTRAN(C, C s [, C r [, N from [, N count]]]) | Text | s replaced by r (default empty), from |
// |                              |         |   the from-th occurrence, count times (default all)  |
// | SOUNDEX(C)                   | Text    | four-character sound code of the first word          |
// | VAL(C)                       | Number  | the number at the start of the text, 0 when none     |
// | DESCEND(X)                   | as arg  | a value that sorts the other way: bytes inverted,    |
// |                              |         |   numbers and dates negated, booleans flipped        |
// | DATE()                       | Date    | today                                                |
// | CTOD(C)                      | Date    | "dd.MM.yyyy" read as a date; no date when unreadable |
// | DTOC(D)                      | Text    | "dd.MM.yyyy", blanks and full stops for no date      |
// | DTOS(D)                      | Text    | "YYYYMMDD", eight blanks for no date                 |
// | DOW(D)                       | Integer | day of week, 1 = Sunday, 0 for no date               |
// Table functions (only with parentheses: a bare name is a column):
// | RECNO()                      | Integer | number of the record in the buffer                   |
// | DELETED()                    | Boolean | the record carries the deletion mark                 |
// | BOF(), EOF()                 | Boolean | the cursor stands before the first / after the last  |
// | TYPE(C name)                 | Text    | type letter of the named column, "U" when none       |
// | LEN(C name)                  | Integer | width of the named column (shadowed by global LEN)   |
// | FIELDNO(C name)              | Integer | number of the named column, 0 when none              |
#pragma once

#include <string_view>
#include <vector>

#include "dbf/expr/exp_value.h"

namespace zakaz::dbf {

class TExpFunctionCall;

struct TExpFunctionDef {
  std::string_view name;
  int min_args;
  int max_args;  // -1: no upper limit
  TExpValue (*body)(TExpFunctionCall& call);
};

// A sorted list of upper-case names; duplicates are rejected, lookups ignore
// letter case.
class TFunctionReg {
 public:
  // Returns false (and adds nothing) when the name is already registered.
  bool Add(const TExpFunctionDef& def);
  const TExpFunctionDef* Find(std::string_view name) const;
  size_t Size() const { return defs_.size(); }

 private:
  std::vector<TExpFunctionDef> defs_;
};

const TFunctionReg& GlobalFunctions();
const TFunctionReg& TableFunctions();

}  // namespace zakaz::dbf
