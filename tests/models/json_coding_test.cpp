#include "models/json_coding.h"

#include <gtest/gtest.h>

namespace pimble {
namespace {

enum class Fruit { apple, pear };
}  // namespace
PIMBLE_ENUM_NAMES(Fruit, {{Fruit::apple, "apple"}, {Fruit::pear, "pear"}});
namespace {

TEST(JsonCoding, IntegersAreStrict) {
  EXPECT_EQ(decodeValue<int>(Json::parse("3")), 3);
  EXPECT_EQ(decodeValue<int>(Json::parse("3.0")), 3);
  EXPECT_EQ(decodeValue<int>(Json::parse("-7")), -7);
  for (const char* bad : {"1.5", "\"3\"", "true", "null", "1e300", "9223372036854775808", "[]"}) {
    EXPECT_THROW(decodeValue<int>(Json::parse(bad)), DecodeError) << bad;
  }
  EXPECT_THROW(decodeValue<int>(Json::parse("4294967296")), DecodeError);
  EXPECT_EQ(decodeValue<std::int64_t>(Json::parse("4294967296")), 4294967296LL);
  EXPECT_THROW(decodeValue<bool>(Json::parse("1")), DecodeError);
  EXPECT_THROW(decodeValue<double>(Json::parse("\"1\"")), DecodeError);
}

TEST(JsonCoding, EnumsDatesAndUuids) {
  EXPECT_EQ(decodeValue<Fruit>(Json("pear")), Fruit::pear);
  EXPECT_THROW(decodeValue<Fruit>(Json("Pear")), DecodeError);
  EXPECT_EQ(encodeValue(Fruit::apple), Json("apple"));

  const Date d = decodeValue<Date>(Json("2026-03-29T03:30:00+02:00"));
  EXPECT_EQ(formatISO8601(d), "2026-03-29T01:30:00Z");
  EXPECT_EQ(formatISO8601(decodeValue<Date>(Json("2026-03-29T01:30:00.75Z"))),
            "2026-03-29T01:30:00Z");
  for (const char* bad : {"2026-02-30T00:00:00Z", "2026-03-29 01:30:00Z", "2026-03-29T01:30:00",
                          "2026-03-29T24:00:00Z", "x"}) {
    EXPECT_THROW(decodeValue<Date>(Json(bad)), DecodeError) << bad;
  }
  // Dates far outside the representable years clamp instead of overflowing.
  EXPECT_EQ(formatISO8601(dateFromSeconds(1e300)), "9999-12-31T23:59:59Z");
  EXPECT_EQ(formatISO8601(dateFromSeconds(-1e300)), "0001-01-01T00:00:00Z");

  const auto u = decodeValue<Uuid>(Json("0f8e2a4c-1b2d-4e5f-8a9b-0c1d2e3f4a5b"));
  EXPECT_EQ(encodeValue(u), Json("0F8E2A4C-1B2D-4E5F-8A9B-0C1D2E3F4A5B"));
  EXPECT_THROW(decodeValue<Uuid>(Json("0f8e2a4c1b2d4e5f8a9b0c1d2e3f4a5b")), DecodeError);
  EXPECT_NE(Uuid::generate(), Uuid::generate());
}

TEST(JsonCoding, DocumentsRefuseWhatJsonCannotCarry) {
  EXPECT_FALSE(dumpDocument(Json{{"a", std::nan("")}}).has_value());
  EXPECT_FALSE(dumpDocument(Json::array({1, Json{{"b", INFINITY}}})).has_value());
  const auto text = dumpDocument(Json{{"b", 1}, {"a", std::string("\xff ok")}});
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, "{\n  \"a\": \"\xEF\xBF\xBD ok\",\n  \"b\": 1\n}");
  EXPECT_FALSE(parseDocument("{\"a\": ").has_value());
  EXPECT_FALSE(decodeDocument<std::vector<int>>("[1, 2.5]").has_value());
  EXPECT_EQ(decodeDocument<std::vector<int>>("[1, 2.0]"), (std::vector<int>{1, 2}));
  std::string deep(100000, '[');
  EXPECT_FALSE(decodeDocument<std::vector<int>>(deep).has_value());
}

// Documents are refused beyond their bounds while they are read, and are
// never written beyond them, so whatever is written reads back.
TEST(JsonCoding, DocumentBoundsHoldBothWays) {
  const auto nested = [](std::size_t levels) {
    return std::string(levels, '[') + std::string(levels, ']');
  };
  EXPECT_TRUE(parseDocument(nested(maxDocumentDepth)).has_value());
  EXPECT_FALSE(parseDocument(nested(maxDocumentDepth + 1)).has_value());
  EXPECT_FALSE(parseDocument(std::string(maxDocumentBytes - 1, '[')).has_value());
  EXPECT_FALSE(
      parseDocument(R"({"a": {"b": [)" + nested(maxDocumentDepth - 2) + "]}}").has_value());

  // Values, containers included: the root array plus n zeros.
  const auto zeros = [](std::size_t n) {
    std::string text = "[";
    for (std::size_t i = 0; i < n; ++i) text += i ? ",0" : "0";
    return text + "]";
  };
  EXPECT_TRUE(parseDocument(zeros(maxDocumentValues - 1)).has_value());
  EXPECT_FALSE(parseDocument(zeros(maxDocumentValues)).has_value());
  std::string padded = "[0" + std::string(maxDocumentBytes, ' ') + "]";
  EXPECT_FALSE(parseDocument(padded).has_value());

  // What an ordinary parse gives, the bounded one gives too.
  for (const char* text : {R"({"a": 1, "a": [true, null, "x", -2, 18446744073709551615, 2.5e-3]})",
                           "\"just\"", "7", R"({"k": {"k": {}}, "e": []})"}) {
    EXPECT_EQ(parseDocument(text), Json::parse(text)) << text;
  }
  for (const char* bad : {"1e400", "[1,]", "{\"a\" 1}", "[] []", "", "[\"\\ud800\"]"}) {
    EXPECT_FALSE(parseDocument(bad).has_value()) << bad;
  }

  Json deep = Json::array();
  for (std::size_t i = 1; i < maxDocumentDepth; ++i) deep = Json::array({deep});
  EXPECT_TRUE(dumpDocument(deep).has_value());
  EXPECT_FALSE(dumpDocument(Json::array({deep})).has_value());
  EXPECT_FALSE(dumpCompactDocument(Json::array({deep})).has_value());
  EXPECT_FALSE(dumpDocument(Json(std::vector<int>(maxDocumentValues, 0))).has_value());
  EXPECT_FALSE(dumpDocument(Json(std::string(maxDocumentBytes, 'x'))).has_value());
  EXPECT_TRUE(dumpCompactDocument(Json(std::string(maxDocumentBytes - 2, 'x'))).has_value());
}

}  // namespace
}  // namespace pimble
