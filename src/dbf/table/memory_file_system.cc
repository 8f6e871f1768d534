#include "dbf/table/memory_file_system.h"

#include <algorithm>
#include <cstring>

#include "common/file_path.h"

namespace zakaz::dbf {

struct TMemoryFileSystem::TNode {
  std::string bytes;
  int shared_opens = 0;
  bool exclusive_open = false;
};

namespace {

using TNode = TMemoryFileSystem::TNode;

class TMemoryFile : public TFileHandle {
 public:
  TMemoryFile(std::shared_ptr<TNode> node, bool read_write, bool shared)
      : node_(std::move(node)), read_write_(read_write), shared_(shared) {
    if (shared_) {
      ++node_->shared_opens;
    } else {
      node_->exclusive_open = true;
    }
  }
  ~TMemoryFile() override {
    if (shared_) {
      --node_->shared_opens;
    } else {
      node_->exclusive_open = false;
    }
  }
  TMemoryFile(const TMemoryFile&) = delete;
  TMemoryFile& operator=(const TMemoryFile&) = delete;

  int64_t ReadAt(int64_t offset, void* buffer, size_t count) override {
    const std::string& bytes = node_->bytes;
    if (offset < 0) return -1;
    if (static_cast<uint64_t>(offset) >= bytes.size()) return 0;
    const size_t n = std::min(count, bytes.size() - static_cast<size_t>(offset));
    std::memcpy(buffer, bytes.data() + offset, n);
    return static_cast<int64_t>(n);
  }

  int64_t WriteAt(int64_t offset, const void* buffer, size_t count) override {
    if (!read_write_ || offset < 0) return -1;
    std::string& bytes = node_->bytes;
    const size_t end = static_cast<size_t>(offset) + count;
    if (end > bytes.size()) bytes.resize(end, '\0');
    std::memcpy(bytes.data() + offset, buffer, count);
    return static_cast<int64_t>(count);
  }

  int64_t Size() override { return static_cast<int64_t>(node_->bytes.size()); }
  bool Sync() override { return true; }

  bool Truncate(int64_t size) override {
    if (!read_write_ || size < 0) return false;
    node_->bytes.resize(static_cast<size_t>(size), '\0');
    return true;
  }

  bool LockRange(TRangeLock, int64_t, int64_t) override { return true; }

 private:
  std::shared_ptr<TNode> node_;
  bool read_write_;
  bool shared_;
};

}  // namespace

TMemoryFileSystem::TMemoryFileSystem() = default;
TMemoryFileSystem::~TMemoryFileSystem() = default;

void TMemoryFileSystem::SetFile(std::string_view name, std::string_view bytes) {
  auto node = std::make_shared<TNode>();
  node->bytes = std::string(bytes);
  files_[Resolve(name)] = std::move(node);
}

std::string TMemoryFileSystem::File(std::string_view name) const {
  const auto it = files_.find(FullPath(name));
  return it == files_.end() ? std::string() : it->second->bytes;
}

void TMemoryFileSystem::Clear() { files_.clear(); }

std::string TMemoryFileSystem::Resolve(std::string_view name) { return FullPath(name); }

bool TMemoryFileSystem::Exists(const std::string& path) { return files_.count(path) > 0; }

std::unique_ptr<TFileHandle> TMemoryFileSystem::Open(const std::string& path, bool read_write,
                                                     bool create, bool shared) {
  auto it = files_.find(path);
  if (it == files_.end()) {
    if (!create) return nullptr;
    it = files_.emplace(path, std::make_shared<TNode>()).first;
  }
  TNode& node = *it->second;
  if (node.exclusive_open || (!shared && node.shared_opens > 0)) return nullptr;
  if (create) node.bytes.clear();
  return std::make_unique<TMemoryFile>(it->second, read_write, shared);
}

bool TMemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  const auto it = files_.find(from);
  if (it == files_.end()) return false;
  std::shared_ptr<TNode> node = it->second;
  files_.erase(it);
  files_[to] = std::move(node);
  return true;
}

}  // namespace zakaz::dbf
