// Paradox field values: the bytes the format stores for known values, every type round trip
// through encode and decode, nulls, and values that do not fit.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/paradox/px_codec.h"

namespace tdb {
namespace {

px::Field field(uint8_t type, uint32_t size, uint32_t decimals = 0) {
  px::Field f;
  f.name = "F";
  f.type = type;
  f.size = size;
  f.decimals = decimals;
  return f;
}

std::string encoded(const px::Field& f, const Value& v) {
  std::string b(f.size, '\x55');
  px::encodeField(f, b.data(), v);
  return b;
}

Value decoded(const px::Field& f, const std::string& b) {
  return px::decodeField(f, b.data(), "t.db");
}

TEST(ParadoxCodec, StoresTheFormatsBytes) {
  EXPECT_EQ(encoded(field(px::kShort, 2), Value::integer(1)), std::string("\x80\x01", 2));
  EXPECT_EQ(encoded(field(px::kShort, 2), Value::integer(-1)), std::string("\x7F\xFF", 2));
  EXPECT_EQ(encoded(field(px::kLong, 4), Value::integer(0)), std::string("\x80\0\0\0", 4));
  EXPECT_EQ(encoded(field(px::kNumber, 8), Value::number(1.0)),
            std::string("\xBF\xF0\0\0\0\0\0\0", 8));
  EXPECT_EQ(encoded(field(px::kNumber, 8), Value::number(-1.0)),
            std::string("\x40\x0F\xFF\xFF\xFF\xFF\xFF\xFF", 8));
  EXPECT_EQ(encoded(field(px::kLogical, 1), Value::boolean(true)), "\x81");
  EXPECT_EQ(encoded(field(px::kLogical, 1), Value::boolean(false)), "\x80");
  // 1 January 0001 is day 1; the engine's day 0 (1899-12-30) is day 693594.
  EXPECT_EQ(encoded(field(px::kDate, 4), Value::dateTime(encodeDate(1, 1, 1))),
            std::string("\x80\0\0\x01", 4));
  EXPECT_EQ(decoded(field(px::kDate, 4), std::string("\x80\x0A\x95\x5A", 4)), Value::dateTime(0));
  // BCD: sign and decimals, then 32 nibbles; negative numbers complement every nibble.
  std::string bcd(17, '\0');
  bcd[0] = '\xC2';
  bcd[15] = '\x12';
  bcd[16] = '\x34';
  EXPECT_EQ(encoded(field(px::kBcd, 17, 2), Value::number(12.34)), bcd);
  std::string negative(17, '\xFF');
  negative[0] = '\x42';
  negative[15] = '\xED';
  negative[16] = '\xCB';
  EXPECT_EQ(decoded(field(px::kBcd, 17, 2), negative), Value::number(-12.34));
}

TEST(ParadoxCodec, RoundTripsEveryType) {
  const double day = encodeDate(2024, 2, 29);
  const std::vector<std::pair<px::Field, std::vector<Value>>> cases = {
      {field(px::kAlpha, 8),
       {Value::text("\xD6\xD0\xCE\xC4"), Value::text("12345678"), Value::text("a b ")}},
      {field(px::kBytes, 4), {Value::bytes(std::string("\0\x01\xFF\0", 4)), Value::bytes("abcd")}},
      {field(px::kShort, 2), {Value::integer(0), Value::integer(32767), Value::integer(-32767)}},
      {field(px::kLong, 4),
       {Value::integer(2147483647), Value::integer(-2147483647), Value::integer(-5)}},
      {field(px::kAutoInc, 4), {Value::integer(1), Value::integer(123456)}},
      {field(px::kNumber, 8),
       {Value::number(0), Value::number(-0.1), Value::number(1e300), Value::number(-5e-300)}},
      {field(px::kMoney, 8), {Value::number(19.99), Value::number(-1234567.89)}},
      {field(px::kLogical, 1), {Value::boolean(true), Value::boolean(false)}},
      {field(px::kDate, 4),
       {Value::dateTime(day), Value::dateTime(encodeDate(9999, 12, 31)), Value::dateTime(-5)}},
      {field(px::kTime, 4),
       {Value::dateTime(0), Value::dateTime(0.5), Value::dateTime(86399.0 / 86400)}},
      {field(px::kTimestamp, 8),
       {Value::dateTime(day + 0.25), Value::dateTime(encodeDate(1, 1, 1)), Value::dateTime(-3.75)}},
      {field(px::kBcd, 17, 2), {Value::number(0), Value::number(-0.01), Value::number(123456.78)}},
      {field(px::kBcd, 17, 0),
       {Value::number(9999999999999999.0), Value::number(1e31), Value::number(-7)}},
      {field(px::kBcd, 17, 32), {Value::number(0.5), Value::number(-0.25)}},
  };
  for (const auto& [f, values] : cases) {
    EXPECT_EQ(decoded(f, std::string(f.size, '\0')), Value()) << int(f.type);
    EXPECT_EQ(encoded(f, Value()), std::string(f.size, '\0'));
    for (const Value& v : values) {
      const Value back = decoded(f, encoded(f, v));
      if (f.type == px::kTimestamp || f.type == px::kTime)
        EXPECT_NEAR(back.doubleValue(), v.doubleValue(), 1e-9) << int(f.type);
      else
        EXPECT_EQ(back, v) << int(f.type) << " " << displayText(v, FieldType::ftFloat);
    }
  }
  // Bytes sort as the numbers do, which is why the format flips signs.
  const px::Field n = field(px::kNumber, 8);
  EXPECT_LT(encoded(n, Value::number(-2)), encoded(n, Value::number(-1)));
  EXPECT_LT(encoded(n, Value::number(-1)), encoded(n, Value::number(0.5)));
  EXPECT_LT(encoded(n, Value::number(0.5)), encoded(n, Value::number(3)));
}

TEST(ParadoxCodec, RefusesValuesThatDoNotFit) {
  // The most negative integers would store as all zeros, which reads back as null.
  EXPECT_THROW(encoded(field(px::kShort, 2), Value::integer(-32768)), EngineError);
  EXPECT_THROW(encoded(field(px::kLong, 4), Value::integer(-2147483648LL)), EngineError);
  EXPECT_THROW(encoded(field(px::kLong, 4), Value::integer(1LL << 40)), EngineError);
  EXPECT_THROW(encoded(field(px::kAlpha, 3), Value::text("abcd")), EngineError);
  EXPECT_THROW(encoded(field(px::kBcd, 17, 30), Value::number(1000)), EngineError);
  EXPECT_THROW(encoded(field(px::kNumber, 8), Value::number(INFINITY)), EngineError);
  EXPECT_THROW(encoded(field(px::kDate, 4), Value::dateTime(1e9)), EngineError);
  // A refused value leaves the bytes alone.
  std::string b(2, 'z');
  EXPECT_THROW(px::encodeField(field(px::kShort, 2), b.data(), Value::integer(40000)), EngineError);
  EXPECT_EQ(b, "zz");
}

TEST(ParadoxCodec, RefusesBytesThatHoldNoValue) {
  EXPECT_THROW(decoded(field(px::kDate, 4), std::string("\x7F\xFF\xFF\xFF", 4)),
               EngineError);  // day -1
  EXPECT_THROW(decoded(field(px::kTime, 4), std::string("\x85\x26\x5C\x00", 4)),
               EngineError);  // 1 day
  std::string bcd(17, '\0');
  bcd[0] = '\xC2';
  bcd[5] = '\xA0';
  EXPECT_THROW(decoded(field(px::kBcd, 17, 2), bcd), EngineError);
  bcd[5] = 0;
  bcd[0] = '\xC3';
  EXPECT_THROW(decoded(field(px::kBcd, 17, 2), bcd), EngineError);
  try {
    decoded(field(px::kDate, 4), std::string("\x7F\xFF\xFF\xFF", 4));
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("t.db"), std::string::npos);
  }
}

TEST(ParadoxCodec, BlobPointersRoundTrip) {
  const px::Field memo = field(px::kMemo, 15);
  std::string b(15, '\0');
  px::BlobRef ref;
  ref.offset = 4096 * 3;
  ref.index = 7;
  ref.length = 300;
  ref.modification = 9;
  px::encodeBlobRef(memo, b.data(), ref, std::string(300, 'm'));
  const px::BlobRef back = px::decodeBlobRef(memo, b.data());
  EXPECT_EQ(back.offset, ref.offset);
  EXPECT_EQ(back.index, 7);
  EXPECT_EQ(back.length, 300u);
  EXPECT_EQ(back.modification, 9);
  EXPECT_EQ(back.leader, "mmmmm");
  EXPECT_FALSE(back.inRecord());
  ref.length = 3;
  px::encodeBlobRef(memo, b.data(), ref, "abc");
  EXPECT_TRUE(px::decodeBlobRef(memo, b.data()).inRecord());
  EXPECT_EQ(px::blobValue(memo, "abc"), Value::text("abc"));
  EXPECT_EQ(px::blobValue(field(px::kBlob, 10), "abc"), Value::bytes("abc"));
}

}  // namespace
}  // namespace tdb
