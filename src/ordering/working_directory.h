// The working directory a pharmacy's program works in needs four
// subdirectories: "demand" (saved orders), "archive" (sent orders), "in"
// (downloaded price list and waybills) and "temp" (markers while sending).
// Without them the first save or send fails far from the cause, so at start
// the program names the missing ones and offers to create them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zakaz {

class IUserPrompts;

// The needed subdirectories that `dir` lacks, letter case ignored ("Archive"
// is "archive"), in the order demand, archive, in, temp.
std::vector<std::string> MissingWorkDirectories(const std::filesystem::path& dir);

// When some are missing, asks once which to create; Yes creates them, and a
// directory that cannot be made is reported as an error. Returns true when
// none is missing afterwards.
bool OfferMissingWorkDirectories(const std::filesystem::path& dir, IUserPrompts& prompts);

}  // namespace zakaz
