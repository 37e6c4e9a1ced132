#include "drawing/base64.h"

#include <stdexcept>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int8_t kPad = -2;
constexpr int8_t kBad = -1;

const int8_t* Table() {
  static const struct T {
    int8_t v[256];
    T() {
      for (int i = 0; i < 256; ++i) v[i] = kBad;
      for (int i = 0; i < 64; ++i) v[static_cast<uint8_t>(kAlphabet[i])] = static_cast<int8_t>(i);
      v[static_cast<uint8_t>('=')] = kPad;
    }
  } table;
  return table.v;
}

[[noreturn]] void BadCharacter() { throw std::runtime_error("Non-Valid Character in Base 64!"); }
[[noreturn]] void BadPadding() { throw std::runtime_error("Invalid Padding in Base 64!"); }

}  // namespace

std::string Base64Encode(const uint8_t* data, size_t size) {
  std::string out;
  out.resize((size + 2) / 3 * 4);
  char* o = &out[0];
  size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    uint32_t v = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8) | data[i + 2];
    *o++ = kAlphabet[v >> 18];
    *o++ = kAlphabet[(v >> 12) & 63];
    *o++ = kAlphabet[(v >> 6) & 63];
    *o++ = kAlphabet[v & 63];
  }
  size_t rest = size - i;
  if (rest > 0) {
    uint32_t v = uint32_t(data[i]) << 16;
    if (rest == 2) v |= uint32_t(data[i + 1]) << 8;
    *o++ = kAlphabet[v >> 18];
    *o++ = kAlphabet[(v >> 12) & 63];
    *o++ = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    *o++ = '=';
  }
  return out;
}

std::string Base64Encode(const std::vector<uint8_t>& bytes) { return Base64Encode(bytes.data(), bytes.size()); }

std::vector<uint8_t> Base64Decode(const std::string& text) {
  size_t size = text.size();
  if (size % 4 != 0) throw std::runtime_error("Non-Valid base64!");
  std::vector<uint8_t> out(size / 4 * 3);
  uint8_t* o = out.data();
  const int8_t* table = Table();
  const uint8_t* s = reinterpret_cast<const uint8_t*>(text.data());
  for (size_t g = 0; g < size; g += 4) {
    bool last = g + 4 == size;
    int8_t v[4];
    int n = 4;  // characters that carry data in this group
    for (int k = 0; k < 4; ++k) {
      v[k] = table[s[g + k]];
      if (v[k] == kBad) BadCharacter();
      if (v[k] == kPad) {
        if (!last || k < 2) BadPadding();
        n = k;
        break;  // "=" third: the fourth character is not looked at
      }
    }
    uint32_t bits = (uint32_t(v[0]) << 18) | (uint32_t(v[1]) << 12);
    if (n > 2) bits |= uint32_t(v[2]) << 6;
    if (n > 3) bits |= uint32_t(v[3]);
    *o++ = static_cast<uint8_t>(bits >> 16);
    if (n > 2) *o++ = static_cast<uint8_t>(bits >> 8);
    if (n > 3) *o++ = static_cast<uint8_t>(bits);
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}
