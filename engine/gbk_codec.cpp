#include "engine/gbk_codec.h"

#include <iconv.h>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace tdb {

namespace {

// One iconv descriptor per direction and thread; iconv_t is not safe to share between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of `in`. An input sequence that is invalid or has no form in the target is
  // skipped by `skip(in)` bytes and `substitute` is written in its place; `replaced` counts them.
  std::string run(std::string_view in, std::string_view substitute,
                  size_t (*skip)(std::string_view), size_t* replaced) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    std::string out;
    out.reserve(in.size() * 3 / 2 + 4);
    char buf[4096];
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    while (left > 0) {
      char* dst = buf;
      size_t room = sizeof buf;
      size_t rc = iconv(cd_, &src, &left, &dst, &room);
      out.append(buf, dst - buf);
      if (rc != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (a truncated sequence at the end): replace and go on.
      size_t n = std::min(left, skip(std::string_view(src, left)));
      src += n;
      left -= n;
      out += substitute;
      if (replaced) ++*replaced;
    }
    return out;
  }

 private:
  iconv_t cd_;
};

// A bad GBK lead byte followed by a valid trail byte is one broken character; otherwise skip one.
size_t skipGbk(std::string_view s) {
  auto lead = static_cast<unsigned char>(s[0]);
  if (lead >= 0x81 && lead <= 0xFE && s.size() >= 2) {
    auto trail = static_cast<unsigned char>(s[1]);
    if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
  }
  return 1;
}

// Skip one whole UTF-8 character (or one stray byte).
size_t skipUtf8(std::string_view s) {
  size_t n = 1;
  while (n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) ++n;
  return n;
}

Converter& toUtf8() {
  thread_local Converter c("UTF-8", "GBK");
  return c;
}

Converter& toGbk() {
  thread_local Converter c("GBK", "UTF-8");
  return c;
}

// The UTF-8 form of every GBK character, worked out once through iconv, so that most text costs
// a table lookup per character instead of a trip through iconv. A code iconv does not convert
// has no entry: text holding one takes the iconv path, which replaces it.
class GbkTable {
 public:
  GbkTable() {
    Converter& c = toUtf8();
    for (int lead = 0; lead < 0x100; ++lead) {
      const char one[1] = {static_cast<char>(lead)};
      fill(single_[lead], c, std::string_view(one, 1));
      if (lead < 0x81 || lead > 0xFE) continue;
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        fill(pair_[(lead - 0x81) * 256 + trail], c, std::string_view(two, 2));
      }
    }
  }

  // The UTF-8 form of `gbk` into `out`; false (`out` then undefined) at the first byte that
  // has no entry. Written straight into room for the longest form, then cut to length.
  bool convert(std::string_view gbk, std::string& out) const {
    out.resize(gbk.size() * sizeof(Utf8::bytes));
    char* dst = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(gbk.data());
    const auto* end = p + gbk.size();
    while (p < end) {
      const Utf8* u = &single_[*p];
      if (u->length != 0) {
        ++p;
      } else {
        if (end - p < 2 || *p < 0x81 || *p > 0xFE) return false;
        u = &pair_[(*p - 0x81) * 256 + p[1]];
        if (u->length == 0) return false;
        p += 2;
      }
      std::memcpy(dst, u->bytes, sizeof u->bytes);  // whole, so the copy is one move
      dst += u->length;
    }
    out.resize(dst - out.data());
    return true;
  }

 private:
  struct Utf8 {
    uint8_t length = 0;  // 0: no entry
    char bytes[4];
  };
  static void fill(Utf8& entry, Converter& c, std::string_view gbk) {
    size_t replaced = 0;
    const std::string utf8 = c.run(gbk, "", skipGbk, &replaced);
    if (replaced != 0 || utf8.empty() || utf8.size() > sizeof entry.bytes) return;
    entry.length = static_cast<uint8_t>(utf8.size());
    std::copy(utf8.begin(), utf8.end(), entry.bytes);
  }

  Utf8 single_[0x100];
  Utf8 pair_[126 * 256];
};

}  // namespace

void gbkToUtf8(std::string_view gbk, std::string& out) {
  static const GbkTable table;
  if (table.convert(gbk, out)) return;
  out = toUtf8().run(gbk, "\xEF\xBF\xBD", skipGbk, nullptr);
}

std::string gbkToUtf8(std::string_view gbk) {
  std::string out;
  gbkToUtf8(gbk, out);
  return out;
}

std::string utf8ToGbk(std::string_view utf8) { return toGbk().run(utf8, "?", skipUtf8, nullptr); }

std::string shownText(std::string_view gbk) {
  std::string shown = gbkToUtf8(gbk);
  for (char& c : shown) {
    if (c == '\t' || c == '\r' || c == '\n')
      c = ' ';
    else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      c = '?';
  }
  return shown;
}

bool fitsGbk(std::string_view utf8) {
  size_t replaced = 0;
  toGbk().run(utf8, "?", skipUtf8, &replaced);
  return replaced == 0;
}

}  // namespace tdb
