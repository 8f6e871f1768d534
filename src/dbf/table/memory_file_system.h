// A file system whose files are byte strings in memory, for fuzz targets and
// tests that drive the engine without disk traffic. Names are made absolute
// like the platform's ("\" separates directories) but matched exactly, with
// no directories behind them. Whole-file locks behave as on disk (an
// exclusive open admits no other); byte-range locks are always granted, as
// one process with one thread uses them. Not thread-safe.
//
// Files live as long as the file system; open handles keep their file's bytes
// alive even when the file is replaced or removed.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "dbf/table/file_system.h"

namespace zakaz::dbf {

class TMemoryFileSystem : public TFileSystem {
 public:
  TMemoryFileSystem();
  ~TMemoryFileSystem() override;

  // Puts a file with these bytes at the resolved `name`, replacing any.
  void SetFile(std::string_view name, std::string_view bytes);
  // The bytes of the file at the resolved `name`; empty when there is none.
  std::string File(std::string_view name) const;
  // Removes every file.
  void Clear();

  std::string Resolve(std::string_view name) override;
  bool Exists(const std::string& path) override;
  std::unique_ptr<TFileHandle> Open(const std::string& path, bool read_write, bool create,
                                    bool shared) override;
  bool Rename(const std::string& from, const std::string& to) override;

  struct TNode;  // a file's bytes and who holds it open

 private:
  std::map<std::string, std::shared_ptr<TNode>> files_;
};

}  // namespace zakaz::dbf
