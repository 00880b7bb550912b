#include "engine/locate_keys.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/convert.h"

namespace tdb {

namespace {

// The kind of a key, its first byte, so that a text key never equals or begins a number's.
constexpr char kNull = '\0', kText = '\1', kNumber = '\2';

bool before(const LocateKeys::Entry& a, std::string_view key, uint32_t record) {
  const int c = std::string_view(a.key).compare(key);
  return c < 0 || (c == 0 && a.record < record);
}

}  // namespace

std::string foldCase(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c >= 0x81 && c <= 0xFE && i + 1 < out.size()) {
      ++i;
      continue;
    }
    if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 32);
  }
  return out;
}

std::string_view trimPadding(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

std::string LocateKeys::nullKey() { return std::string(1, kNull); }

std::string LocateKeys::textKey(std::string_view gbk) { return kText + foldCase(trimPadding(gbk)); }

std::string LocateKeys::numberKey(double value) {
  // Zero has two signs that compare equal; one key stands for both.
  if (value == 0) value = 0;
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  std::string key(1 + sizeof bits, kNumber);
  std::memcpy(key.data() + 1, &bits, sizeof bits);
  return key;
}

std::optional<std::string> LocateKeys::keyOf(const Value& value, bool textField) {
  switch (value.kind()) {
    case Value::Kind::Null:
      return nullKey();
    case Value::Kind::Text:
      if (!textField) return std::nullopt;
      return textKey(value.textValue());
    case Value::Kind::Bytes:
      return std::nullopt;
    default: {
      if (textField) return std::nullopt;
      const double v = toNumber(value);
      if (std::isnan(v)) return std::nullopt;  // equal to nothing, itself included
      return numberKey(v);
    }
  }
}

void LocateKeys::assign(std::vector<Entry> entries) {
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return before(a, b.key, b.record); });
  entries_ = std::move(entries);
}

void LocateKeys::add(std::string key, uint32_t record) {
  auto at = std::lower_bound(entries_.begin(), entries_.end(), 0,
                             [&](const Entry& e, int) { return before(e, key, record); });
  entries_.insert(at, Entry{std::move(key), record});
}

void LocateKeys::remove(std::string_view key, uint32_t record) {
  auto at = std::lower_bound(entries_.begin(), entries_.end(), 0,
                             [&](const Entry& e, int) { return before(e, key, record); });
  if (at != entries_.end() && at->key == key && at->record == record) entries_.erase(at);
}

void LocateKeys::find(std::string_view key, bool leading, std::vector<uint32_t>& out) const {
  auto at = std::lower_bound(entries_.begin(), entries_.end(), 0,
                             [&](const Entry& e, int) { return before(e, key, 0); });
  for (; at != entries_.end(); ++at) {
    const std::string_view k = at->key;
    if (leading ? !k.starts_with(key) : k != key) break;
    out.push_back(at->record);
  }
}

}  // namespace tdb
