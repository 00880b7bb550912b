// Keys given all at once end in the order that inserting them one by one gives.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/index/key_list.h"

namespace tdb {
namespace {

std::vector<std::pair<std::string, uint32_t>> entries(const KeyList& keys) {
  std::vector<std::pair<std::string, uint32_t>> out;
  keys.forEach([&](std::string_view key, uint32_t recno) { out.emplace_back(key, recno); });
  return out;
}

// Keys shorter and longer than a machine word, alike in their first bytes and differing only
// late, bytes above 0x7F, and equal keys whose record numbers settle their order.
TEST(KeyList, KeysGivenAtOnceSortAsInsertedOnes) {
  std::mt19937 random(21);
  for (const int length : {1, 5, 8, 9, 16, 30}) {
    const std::string alphabet(
        "\x00\x01\x7F\x80\xFF "
        "a",
        7);
    std::string all;
    std::vector<uint32_t> recnos;
    KeyList inserted(length);
    for (uint32_t r = 1; r <= 3000; ++r) {
      std::string key(static_cast<size_t>(length), 'k');
      // Most bytes alike so that keys tie on their heads; a few vary, late ones too.
      for (int at : {0, length / 2, length - 1}) key[at] = alphabet[random() % alphabet.size()];
      const uint32_t recno = random() % 2 ? r : 6001 - r;  // record numbers out of order too
      all += key;
      recnos.push_back(recno);
      inserted.insert(key, recno);
    }
    KeyList given(length);
    given.assign(all, recnos);
    EXPECT_EQ(entries(given), entries(inserted)) << "key length " << length;
    EXPECT_EQ(given.size(), 3000u);
  }
}

}  // namespace
}  // namespace tdb
