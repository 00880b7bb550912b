#pragma once

// Writers of small .cdx and .mdx files laid out as the published formats describe, for tests
// and fuzz seeds of the readers: no peer program here writes either format.

#include <string>
#include <vector>

#include "engine/index/index_entry.h"

namespace tdb::test {

struct TagSpec {
  std::string name;
  std::string expression;
  std::string forExpression;
  bool unique = false;
  bool descending = false;
  char keyType = 'C';  // MDX only
  int keyLength = 10;
  std::vector<IndexEntry> entries;  // in index order, keys of exactly keyLength bytes
  char trailFill = ' ';             // CDX: the byte trailing compression drops
  int keysPerLeaf = 1000;           // fewer forces more leaves and a branch above them
};

// CDX leaves pack each entry into `entryBytes` bytes with this many record-number,
// duplicate-count and trailing-count bits.
struct CdxPacking {
  int entryBytes = 3, recBits = 12, dupBits = 6, trailBits = 6;
};

std::string buildCdx(const std::vector<TagSpec>& tags, CdxPacking packing = {});
std::string buildMdx(const std::vector<TagSpec>& tags);

// Keys as the formats store them: CDX numbers and dates (julian day) as big-endian doubles
// whose bytes sort as the values do; MDX dates as little-endian doubles of the julian day.
std::string cdxNumberKey(double v);
double cdxKeyNumber(const std::string& key);
std::string mdxDateKey(double julianDay);

}  // namespace tdb::test
