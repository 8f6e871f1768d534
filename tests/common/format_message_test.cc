#include "common/format_message.h"

#include <gtest/gtest.h>

namespace zakaz {
namespace {

TEST(FormatMessage, FillsPlaceholdersInOrder) {
  EXPECT_EQ("Access denied to file /x/PRICE.DBF",
            FormatMessage("Access denied to file %s", {std::string_view("/x/PRICE.DBF")}));
  EXPECT_EQ("Number needed for Argument 2 of SUBSTR",
            FormatMessage("%s needed for Argument %d of %s",
                          {std::string_view("Number"), 2LL, std::string_view("SUBSTR")}));
  EXPECT_EQ("-7 %", FormatMessage("%d %%", {-7LL}));
}

TEST(FormatMessage, KeepsPlaceholdersItCannotFill) {
  EXPECT_EQ("a %s b", FormatMessage("a %s b", {}));
  EXPECT_EQ("50%", FormatMessage("50%", {}));
  EXPECT_EQ("%x", FormatMessage("%x", {std::string_view("unused")}));
}

}  // namespace
}  // namespace zakaz
