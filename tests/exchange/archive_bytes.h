// Archives for the unpacker tests, made here rather than kept as binary
// files: a stored (uncompressed) RAR written header block by header block,
// and a ZIP through libarchive's writer.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace zakaz::testing {

struct ArchiveMember {
  std::string name;
  std::string content;
  // Local time of the member as the packer records it.
  std::tm time{};
};

std::string StoredRar(const std::vector<ArchiveMember>& members);
std::string Zip(const std::vector<ArchiveMember>& members);

// The member's time as seconds since the epoch, read as local time the way
// both formats store it.
time_t MemberTime(const ArchiveMember& member);

}  // namespace zakaz::testing
