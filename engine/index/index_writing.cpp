#include "engine/index/index_writing.h"

#include <algorithm>

#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/index/key_encoding.h"

namespace tdb::index_writing {

void fail(const std::string& path, const std::string& what) {
  throw EngineError("索引文件[" + path + "]无法写入: " + what);
}

std::vector<std::string> storedNames(const std::string& path, const std::vector<TagImage>& tags,
                                     size_t maxLength) {
  std::vector<std::string> names;
  for (const TagImage& tag : tags) {
    std::string name = tag.info.name;
    const std::string shown = "标签名[" + shownText(name) + "]";
    if (name.empty()) fail(path, "有一个标签没有名称");
    if (name.size() > maxLength) fail(path, shown + "超过" + std::to_string(maxLength) + "字节");
    if (name.find('\0') != std::string::npos) fail(path, shown + "含有NUL字符");
    for (size_t i = 0; i < name.size(); ++i) {
      const unsigned char c = name[i];
      if (c >= 'a' && c <= 'z') name[i] = char(c - 32);
      if (c >= 0x81) ++i;  // the trail byte of a GBK character keeps its case
    }
    if (std::find(names.begin(), names.end(), name) != names.end())
      fail(path, "有两个标签同名[" + shownText(name) + "]");
    names.push_back(name);
  }
  return names;
}

void checkKeys(const std::string& path, const TagImage& tag, const std::string& what) {
  if (!tag.keys) return;
  if (tag.keys->keyLength() != tag.info.keyLength)
    fail(path, what + "的键为" + std::to_string(tag.keys->keyLength()) + "字节,但键长度定义为" +
                   std::to_string(tag.info.keyLength));
  bool zero = false;
  tag.keys->forEach([&](std::string_view, uint32_t recno) { zero = zero || recno == 0; });
  if (zero) fail(path, what + "有键指向第0条记录");
}

void forEachStored(const TagImage& tag, bool ascending,
                   const std::function<void(std::string_view key, uint32_t recno)>& visit) {
  if (!tag.keys) return;
  const KeyList& keys = *tag.keys;
  if (!tag.info.descending) {
    keys.forEach(visit);
    return;
  }
  if (!ascending) {
    keys.forEach(
        [&](std::string_view key, uint32_t recno) { visit(key_encoding::inverted(key), recno); });
    return;
  }
  // Backwards through the memory order gives the plain keys upwards but equal keys with their
  // record numbers downwards: each run of equal keys is gathered and given back upwards.
  std::string run;
  std::vector<uint32_t> recnos;
  auto flush = [&] {
    const std::string plain = key_encoding::inverted(run);
    for (auto r = recnos.rbegin(); r != recnos.rend(); ++r) visit(plain, *r);
    recnos.clear();
  };
  for (KeyList::Pos p = keys.prior(keys.end()); p != keys.end(); p = keys.prior(p)) {
    if (!recnos.empty() && keys.key(p) != run) flush();
    if (recnos.empty()) run.assign(keys.key(p));
    recnos.push_back(keys.recno(p));
  }
  if (!recnos.empty()) flush();
}

}  // namespace tdb::index_writing
