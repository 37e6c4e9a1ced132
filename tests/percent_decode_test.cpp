#include "editor/percent_decode.h"

#include <gtest/gtest.h>

TEST(PercentDecodeTest, Cases) {
  struct {
    std::string in, out;
  } cases[] = {
      {"plain.png", "plain.png"},
      {"my%20pic.png", "my pic.png"},
      {"%41%42c", "ABc"},
      {"%4a%4A", "JJ"},
      {"end%4", "end\x04"},            // one digit at the very end
      {"%zz", "zz"},                   // no number: the "%" goes
      {"%", ""},
      {"a%g", "ag"},                   // "%" and one invalid character
      {"x%00y", "xy"},                 // the zero byte goes with its digits
      {"%C3%A9t%C3%A9", "\xC3\xA9t\xC3\xA9"},
      {"%FF", "\xFF"},                 // bytes, not necessarily UTF-8
      {"% 41", "\x04" "1"},          // never reads past two characters
      {"100%", "100"},
      {"%%41", "A"},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentDecode(c.in), c.out) << c.in;
}
