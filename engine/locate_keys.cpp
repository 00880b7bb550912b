#include "engine/locate_keys.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/convert.h"

namespace tdb {

namespace {

// The kind of a key, its first byte, so that a text key never equals or begins a number's.
constexpr char kNull = '\0', kText = '\1', kNumber = '\2';

uint64_t headOf(std::string_view key) {
  uint64_t head = 0;
  for (size_t i = 0; i < 8; ++i)
    head = head << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
  return head;
}

}  // namespace

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

bool LocateKeys::keyOf(const Value& value, bool textField, std::string& out) {
  switch (value.kind()) {
    case Value::Kind::Null:
      out.assign(1, kNull);
      return true;
    case Value::Kind::Text: {
      if (!textField) return false;
      const std::string_view text = trimPadding(value.textValue());
      out.assign(1, kText);
      out += text;
      foldCaseInPlace(out, 1);
      return true;
    }
    case Value::Kind::Bytes:
      return false;
    default: {
      if (textField) return false;
      const double v = toNumber(value);
      if (std::isnan(v)) return false;  // equal to everything as the walk compares it
      out = numberKey(v);
      return true;
    }
  }
}

bool LocateKeys::before(const Slot& s, uint64_t head, std::string_view key, uint32_t record) const {
  if (s.head != head) return s.head < head;
  const int c = keyOf(s).compare(key);
  return c < 0 || (c == 0 && s.record < record);
}

size_t LocateKeys::lowerBound(std::string_view key, uint32_t record) const {
  const uint64_t head = headOf(key);
  return static_cast<size_t>(
      std::partition_point(slots_.begin(), slots_.end(),
                           [&](const Slot& s) { return before(s, head, key, record); }) -
      slots_.begin());
}

void LocateKeys::reserve(size_t records, size_t keyBytes) {
  slots_.reserve(records);
  bytes_.reserve(keyBytes);
}

void LocateKeys::push(std::string_view key, uint32_t record) {
  slots_.push_back({headOf(key), static_cast<uint32_t>(bytes_.size()),
                    static_cast<uint32_t>(key.size()), record});
  bytes_ += key;
}

void LocateKeys::sort() {
  std::sort(slots_.begin(), slots_.end(),
            [&](const Slot& a, const Slot& b) { return before(a, b.head, keyOf(b), b.record); });
}

void LocateKeys::add(std::string_view key, uint32_t record) {
  // Removed keys' bytes are let go once they outweigh the others.
  if (dropped_ > 4096 && dropped_ > bytes_.size() / 2) {
    std::string kept;
    kept.reserve(bytes_.size() - dropped_);
    for (Slot& s : slots_) {
      const std::string_view k = keyOf(s);
      s.at = static_cast<uint32_t>(kept.size());
      kept += k;
    }
    bytes_ = std::move(kept);
    dropped_ = 0;
  }
  const size_t at = lowerBound(key, record);
  slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(at),
                {headOf(key), static_cast<uint32_t>(bytes_.size()),
                 static_cast<uint32_t>(key.size()), record});
  bytes_ += key;
}

void LocateKeys::remove(std::string_view key, uint32_t record) {
  const size_t at = lowerBound(key, record);
  if (at == slots_.size() || slots_[at].record != record || keyOf(slots_[at]) != key) return;
  dropped_ += slots_[at].size;
  slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(at));
}

void LocateKeys::find(std::string_view key, bool leading, std::vector<uint32_t>& out) const {
  for (size_t at = lowerBound(key, 0); at < slots_.size(); ++at) {
    const std::string_view k = keyOf(slots_[at]);
    if (leading ? !k.starts_with(key) : k != key) break;
    out.push_back(slots_[at].record);
  }
}

}  // namespace tdb
