#include "ordering/working_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/enforced_permissions.h"
#include "support/fake_user_prompts.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(MissingWorkDirectories, NamesTheMissingOnesIgnoringLetterCaseAndFiles) {
  testing::TempDir work;
  fs::create_directory(work.Path() / "Archive");
  fs::create_directory(work.Path() / "TEMP");
  std::ofstream(work.Path() / "in") << "a file, not a directory";
  EXPECT_THAT(MissingWorkDirectories(work.Path()), ElementsAre("demand", "in"));
  EXPECT_THAT(MissingWorkDirectories(work.Path() / "none"),
              ElementsAre("demand", "archive", "in", "temp"));
}

TEST(OfferMissingWorkDirectories, AsksNothingWhenAllAreThere) {
  testing::TempDir work;
  for (const char* name : {"demand", "archive", "in", "temp"})
    fs::create_directory(work.Path() / name);
  testing::FakeUserPrompts prompts;
  EXPECT_TRUE(OfferMissingWorkDirectories(work.Path(), prompts));
  EXPECT_THAT(prompts.shown, IsEmpty());
}

TEST(OfferMissingWorkDirectories, OneQuestionAndYesCreatesThem) {
  testing::TempDir work;
  fs::create_directory(work.Path() / "demand");
  testing::FakeUserPrompts prompts;
  EXPECT_TRUE(OfferMissingWorkDirectories(work.Path(), prompts));
  EXPECT_THAT(prompts.shown,
              ElementsAre("Confirm: В рабочем каталоге " + work.Path().string() +
                          " нет каталогов: archive, in, temp.\n"
                          "Без них заказы нельзя сохранить и отправить. Создать их?"));
  EXPECT_THAT(MissingWorkDirectories(work.Path()), IsEmpty());
}

TEST(OfferMissingWorkDirectories, NoCreatesNothing) {
  testing::TempDir work;
  testing::FakeUserPrompts prompts;
  prompts.confirm_answer = false;
  EXPECT_FALSE(OfferMissingWorkDirectories(work.Path(), prompts));
  EXPECT_EQ(1u, prompts.shown.size());
  EXPECT_TRUE(fs::is_empty(work.Path()));
}

TEST(OfferMissingWorkDirectories, ADirectoryThatCannotBeMadeIsAnError) {
  testing::TempDir work;
  fs::permissions(work.Path(), fs::perms::owner_read | fs::perms::owner_exec,
                  fs::perm_options::replace);
  testing::FakeUserPrompts prompts;
  testing::EnforcedPermissions as_a_user;
  EXPECT_FALSE(OfferMissingWorkDirectories(work.Path(), prompts));
  ASSERT_EQ(2u, prompts.shown.size());
  EXPECT_EQ("Error: Не удалось создать каталог " + (work.Path() / "demand").string() +
                ": Permission denied",
            prompts.shown[1]);
}

}  // namespace
}  // namespace zakaz
