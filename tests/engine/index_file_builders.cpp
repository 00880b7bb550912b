#include "tests/engine/index_file_builders.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace tdb::test {

namespace {

void putLe(std::string& b, size_t at, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = char(v >> 8 * i);
}
void putBe32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = char(v >> 8 * (3 - i));
}

// Leaves of one CDX tree appended to `file`, chained left to right, with a single interior
// root above them when there is more than one. Returns the root's offset.
uint32_t appendCdxTree(std::string& file, const std::vector<IndexEntry>& entries, int keyLength,
                       char fill, int keysPerLeaf, const CdxPacking& p) {
  std::vector<std::vector<IndexEntry>> leaves(1);
  size_t used = 0;
  std::string previous;
  for (const IndexEntry& e : entries) {
    auto cost = [&](bool first) {
      size_t dup = 0, trail = 0;
      if (!first)
        while (dup < e.key.size() && e.key[dup] == previous[dup]) ++dup;
      while (trail < e.key.size() - dup && e.key[e.key.size() - 1 - trail] == fill) ++trail;
      return p.entryBytes + (e.key.size() - dup - trail);
    };
    bool first = leaves.back().empty();
    if (!first && (used + cost(false) > 488 || int(leaves.back().size()) == keysPerLeaf)) {
      leaves.emplace_back();
      used = 0;
      first = true;
    }
    used += cost(first);
    leaves.back().push_back(e);
    previous = e.key;
  }
  const uint32_t firstLeaf = static_cast<uint32_t>(file.size());
  for (size_t n = 0; n < leaves.size(); ++n) {
    std::string node(512, '\0');
    putLe(node, 0, leaves.size() == 1 ? 3 : 2, 2);
    putLe(node, 2, leaves[n].size(), 2);
    putLe(node, 4, n == 0 ? 0xFFFFFFFF : firstLeaf + 512 * (n - 1), 4);
    putLe(node, 8, n + 1 == leaves.size() ? 0xFFFFFFFF : firstLeaf + 512 * (n + 1), 4);
    putLe(node, 14, (uint64_t(1) << p.recBits) - 1, 4);
    node[18] = char((1 << p.dupBits) - 1);
    node[19] = char((1 << p.trailBits) - 1);
    node[20] = char(p.recBits), node[21] = char(p.dupBits), node[22] = char(p.trailBits);
    node[23] = char(p.entryBytes);
    size_t tail = 512;
    std::string prev;
    for (size_t i = 0; i < leaves[n].size(); ++i) {
      const std::string& k = leaves[n][i].key;
      size_t dup = 0, trail = 0;
      if (i > 0)
        while (dup < k.size() && k[dup] == prev[dup]) ++dup;
      while (trail < k.size() - dup && k[k.size() - 1 - trail] == fill) ++trail;
      uint64_t v = leaves[n][i].recno | uint64_t(dup) << p.recBits |
                   uint64_t(trail) << (p.recBits + p.dupBits);
      putLe(node, 24 + i * p.entryBytes, v, p.entryBytes);
      size_t stored = k.size() - dup - trail;
      tail -= stored;
      node.replace(tail, stored, k, dup, stored);
      prev = k;
    }
    putLe(node, 12, tail - 24 - leaves[n].size() * p.entryBytes, 2);
    file += node;
  }
  if (leaves.size() == 1) return firstLeaf;
  if (12 + leaves.size() * (keyLength + 8) > 512) throw std::logic_error("too many leaves");
  std::string root(512, '\0');
  putLe(root, 0, 1, 2);
  putLe(root, 2, leaves.size(), 2);
  putLe(root, 4, 0xFFFFFFFF, 4);
  putLe(root, 8, 0xFFFFFFFF, 4);
  for (size_t n = 0; n < leaves.size(); ++n) {
    size_t at = 12 + n * (keyLength + 8);
    root.replace(at, keyLength, leaves[n].back().key);
    putBe32(root, at + keyLength, leaves[n].back().recno);
    putBe32(root, at + keyLength + 4, firstLeaf + 512 * uint32_t(n));
  }
  const uint32_t rootAt = static_cast<uint32_t>(file.size());
  file += root;
  return rootAt;
}

std::string cdxHeader(uint32_t root, int keyLength, unsigned options, bool descending,
                      const std::string& key, const std::string& forText) {
  std::string h(1024, '\0');
  putLe(h, 0, root, 4);
  putLe(h, 4, 0xFFFFFFFF, 4);
  putLe(h, 12, keyLength, 2);
  h[14] = char(options | (forText.empty() ? 0 : 8));
  putLe(h, 502, descending ? 1 : 0, 2);
  putLe(h, 504, key.size() + 1 + (forText.empty() ? 0 : forText.size() + 1), 2);
  putLe(h, 506, forText.empty() ? 0 : forText.size() + 1, 2);
  putLe(h, 510, key.size() + 1, 2);
  h.replace(512, key.size(), key);
  h.replace(512 + key.size() + 1, forText.size(), forText);
  return h;
}

}  // namespace

std::string buildCdx(const std::vector<TagSpec>& tags, CdxPacking packing) {
  std::string file(1024, '\0');  // the directory's header, written last
  std::vector<IndexEntry> directory;
  for (const TagSpec& t : tags) {
    const uint32_t headerAt = static_cast<uint32_t>(file.size());
    file += std::string(1024, '\0');
    uint32_t root =
        appendCdxTree(file, t.entries, t.keyLength, t.trailFill, t.keysPerLeaf, packing);
    file.replace(headerAt, 1024,
                 cdxHeader(root, t.keyLength, 32 | (t.unique ? 1 : 0), t.descending, t.expression,
                           t.forExpression));
    std::string name = t.name;
    name.resize(10, '\0');
    directory.push_back({name, headerAt});
  }
  std::sort(directory.begin(), directory.end(),
            [](const IndexEntry& a, const IndexEntry& b) { return a.key < b.key; });
  // Tag header offsets need more record-number bits than the tags' own entries.
  uint32_t root = appendCdxTree(file, directory, 10, '\0', 1000, CdxPacking{4, 24, 4, 4});
  file.replace(0, 1024, cdxHeader(root, 10, 32 | 64 | 128, false, "", ""));
  return file;
}

std::string buildMdx(const std::vector<TagSpec>& tags) {
  const uint32_t block = 1024;
  std::string file(6 * 512, '\0');  // header, tag table, padding to page 6
  file[0] = 2;
  putLe(file, 20, block / 512, 2);
  putLe(file, 22, block, 2);
  file[24] = 1;
  file[25] = 48;
  file[26] = 32;
  putLe(file, 28, tags.size(), 2);
  auto page = [&] { return static_cast<uint32_t>(file.size() / 512); };
  for (size_t n = 0; n < tags.size(); ++n) {
    const TagSpec& t = tags[n];
    const int item = (t.keyLength + 4 + 3) / 4 * 4;
    const uint32_t headerPage = page();
    file += std::string(512, '\0');
    std::vector<uint32_t> leafPages;
    std::vector<const IndexEntry*> lastKeys;
    const int perLeaf = std::min<int>(t.keysPerLeaf, (block - 12) / item);
    for (size_t i = 0; i == 0 || i < t.entries.size(); i += perLeaf) {
      std::string node(block, '\0');
      size_t count = std::min<size_t>(perLeaf, t.entries.size() - i);
      putLe(node, 0, count, 4);
      for (size_t j = 0; j < count; ++j) {
        putLe(node, 8 + j * item, t.entries[i + j].recno, 4);
        node.replace(8 + j * item + 4, t.keyLength, t.entries[i + j].key);
      }
      leafPages.push_back(page());
      lastKeys.push_back(count ? &t.entries[i + count - 1] : nullptr);
      file += node;
    }
    uint32_t root = leafPages[0];
    if (leafPages.size() > 1) {
      std::string node(block, '\0');
      putLe(node, 0, leafPages.size() - 1, 4);
      for (size_t j = 0; j < leafPages.size(); ++j) {
        putLe(node, 8 + j * item, leafPages[j], 4);
        if (j + 1 < leafPages.size()) node.replace(8 + j * item + 4, t.keyLength, lastKeys[j]->key);
      }
      root = page();
      file += node;
    }
    std::string h(512, '\0');
    putLe(h, 0, root, 4);
    putLe(h, 4, page(), 4);
    h[8] = char((t.descending ? 0x08 : 0) | (t.unique ? 0x40 : 0));
    h[9] = t.keyType;
    putLe(h, 12, t.keyLength, 2);
    putLe(h, 14, (block - 12) / item, 2);
    putLe(h, 18, item, 2);
    h[23] = t.unique ? 0x40 : 0;
    h.replace(24, t.expression.size(), t.expression);
    file.replace(size_t(headerPage) * 512, 512, h);

    const size_t entry = 544 + n * 32;
    putLe(file, entry, headerPage, 4);
    file.replace(entry + 4, std::min<size_t>(t.name.size(), 10), t.name, 0, 10);
    file[entry + 15] = h[8];
    file[entry + 20] = t.keyType;
  }
  putLe(file, 32, page(), 4);
  return file;
}

std::string cdxNumberKey(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  bits = (bits >> 63) ? ~bits : bits | (uint64_t(1) << 63);
  std::string k(8, '\0');
  for (int i = 0; i < 8; ++i) k[i] = char(bits >> 8 * (7 - i));
  return k;
}

double cdxKeyNumber(const std::string& key) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = bits << 8 | uint8_t(key[i]);
  bits = (bits >> 63) ? bits & ~(uint64_t(1) << 63) : ~bits;
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

std::string mdxDateKey(double julianDay) {
  std::string k(8, '\0');
  std::memcpy(k.data(), &julianDay, 8);
  return k;
}

}  // namespace tdb::test
