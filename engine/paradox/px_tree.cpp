#include "engine/paradox/px_tree.h"

#include <algorithm>
#include <cstring>

#include "engine/byte_order.h"
#include "engine/engine_error.h"
#include "engine/paradox/px_header.h"

namespace tdb::px {

namespace {

constexpr uint32_t kEntryTail = 6;  // block number, records under it, a reserved short
constexpr uint64_t kMaxShort = 0xFFFF;
constexpr uint64_t kSignedShort = 0x7FFF;

// A count above the lowest level sums a whole subtree and may not fit: it is held at 65535.
void putShort(char* p, uint64_t v) {
  putBe16(p, static_cast<uint32_t>(std::min(v, kMaxShort)) ^ 0x8000u);
}

}  // namespace

IndexTree layOutTree(const std::vector<TreeEntry>& bottom, uint32_t keySize, uint32_t blockSize,
                     uint32_t headerSize) {
  const uint32_t entrySize = keySize + kEntryTail;
  const uint32_t perBlock =
      blockSize > Header::kBlockHeaderSize ? (blockSize - Header::kBlockHeaderSize) / entrySize : 0;
  // Fewer and no level would ever come down to a single root.
  if (perBlock == 0 || (perBlock == 1 && bottom.size() > 1))
    throw EngineError("索引块放不下两个条目");

  // How the entries of each level fall into blocks, the lowest level first; the last level is the
  // root alone. (Above the lowest level, sums outgrow any short whatever the blocks.)
  std::vector<std::vector<size_t>> starts;  // per level, the first entry of each block
  std::vector<std::vector<uint64_t>> sums;  // per level, the records under each entry
  sums.emplace_back();
  for (const TreeEntry& e : bottom) sums[0].push_back(e.records);
  while (!sums.back().empty()) {
    const std::vector<uint64_t>& under = sums.back();
    const bool bounded = starts.empty();
    std::vector<size_t> first;
    std::vector<uint64_t> above;
    for (size_t i = 0; i < under.size();) {
      first.push_back(i);
      uint64_t sum = 0;
      size_t count = 0;
      while (i < under.size() && count < perBlock &&
             (count == 0 || !bounded || sum + under[i] <= kSignedShort)) {
        sum += under[i++];
        ++count;
      }
      above.push_back(sum);
    }
    starts.push_back(std::move(first));
    if (above.size() == 1) break;
    sums.push_back(std::move(above));
  }

  IndexTree tree;
  const size_t levels = bottom.empty() ? 0 : starts.size();
  for (size_t k = 0; k < levels; ++k) tree.blockCount += starts[k].size();
  tree.bytes.assign(headerSize, '\0');
  if (tree.blockCount > kMaxTreeBlocks) return tree;
  tree.levels = static_cast<uint32_t>(levels);
  tree.root = levels ? 1 : 0;

  // Numbers: the root is block 1, each level below follows the one above it.
  std::vector<uint32_t> firstNumber(levels);
  uint32_t next = 1;
  for (size_t k = levels; k-- > 0;) {
    firstNumber[k] = next;
    next += static_cast<uint32_t>(starts[k].size());
  }

  const auto blockCount = static_cast<uint32_t>(tree.blockCount);
  tree.bytes.resize(headerSize + uint64_t{blockCount} * blockSize, '\0');
  std::vector<TreeEntry> level;  // the entries of the level being laid out, above the lowest
  for (size_t k = 0; k < levels; ++k) {
    const std::vector<TreeEntry>& entries = k == 0 ? bottom : level;
    std::vector<TreeEntry> above;
    const std::vector<size_t>& first = starts[k];
    for (size_t i = 0; i < first.size(); ++i) {
      const uint32_t number = firstNumber[k] + static_cast<uint32_t>(i);
      const size_t from = first[i];
      const size_t count = (i + 1 < first.size() ? first[i + 1] : entries.size()) - from;
      char* p = tree.bytes.data() + headerSize + uint64_t{number - 1} * blockSize;
      putLe16(p, number < blockCount ? number + 1 : 0);
      putLe16(p + 2, number - 1);
      putLe16(p + 4, static_cast<uint32_t>((count - 1) * entrySize));
      for (size_t j = 0; j < count; ++j) {
        const TreeEntry& e = entries[from + j];
        char* q = p + Header::kBlockHeaderSize + j * entrySize;
        std::memcpy(q, e.key.data(), std::min<size_t>(e.key.size(), keySize));
        putShort(q + keySize, e.block);
        putShort(q + keySize + 2, sums[k][from + j]);
        putShort(q + keySize + 4, 0);
      }
      tree.entries += static_cast<uint32_t>(count);
      above.push_back({entries[from].key, number, 0});
    }
    level = std::move(above);
  }
  return tree;
}

}  // namespace tdb::px
