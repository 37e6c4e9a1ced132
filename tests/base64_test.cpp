#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "drawing/base64.h"

namespace {

std::string DecodeError(const std::string& text) {
  try {
    Base64Decode(text);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(Base64Test, Vectors) {
  struct Case {
    std::vector<uint8_t> bytes;
    const char* text;
  } cases[] = {
      {{}, ""},
      {{0x41}, "QQ=="},
      {{0x41, 0x42}, "QUI="},
      {{0x41, 0x42, 0x43}, "QUJD"},
      {{0xfb, 0xff, 0xbf}, "+/+/"},
      {{'f', 'o', 'o', 'b', 'a', 'r'}, "Zm9vYmFy"},
      {{0, 0, 0, 0}, "AAAAAA=="},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Base64Encode(c.bytes), c.text);
    EXPECT_EQ(Base64Decode(c.text), c.bytes) << c.text;
  }
}

TEST(Base64Test, RoundTripsEveryByteAndLength) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(Base64Decode(Base64Encode(bytes)), bytes) << "length " << i;
    bytes.push_back(static_cast<uint8_t>(i * 7 + 3));
  }
}

TEST(Base64Test, Errors) {
  struct Case {
    const char* text;
    const char* error;  // empty: decodes
  } cases[] = {
      {"QQ", "Non-Valid base64!"},
      {"QUJDQ", "Non-Valid base64!"},
      {"Q=QQ", "Invalid Padding in Base 64!"},
      {"QQ==QUJD", "Invalid Padding in Base 64!"},
      {"=QQQ", "Invalid Padding in Base 64!"},
      {"QUI=QUJD", "Invalid Padding in Base 64!"},
      {"QQ!=", "Non-Valid Character in Base 64!"},
      {"QU D", "Non-Valid Character in Base 64!"},
      {"QUJ\n", "Non-Valid Character in Base 64!"},
      {"QUJDQ\xc3\xa9=", "Non-Valid Character in Base 64!"},
      {"QQ=x", ""},  // the fourth character after a third "=" is not examined
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeError(c.text), c.error) << c.text;
  EXPECT_EQ(Base64Decode("QQ=x"), std::vector<uint8_t>{0x41});
}
