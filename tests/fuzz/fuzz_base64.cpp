// Base64Decode on arbitrary text: only its three errors may come out, and
// whatever it decodes must survive a round trip.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "drawing/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    std::vector<uint8_t> bytes = Base64Decode(text);
    if (bytes.size() > size / 4 * 3) abort();
    if (Base64Decode(Base64Encode(bytes)) != bytes) abort();
  } catch (const std::runtime_error& e) {
    if (std::strcmp(e.what(), "Non-Valid base64!") != 0 && std::strcmp(e.what(), "Non-Valid Character in Base 64!") != 0 &&
        std::strcmp(e.what(), "Invalid Padding in Base 64!") != 0)
      abort();
  }
  std::vector<uint8_t> back = Base64Decode(Base64Encode(data, size));
  if (back.size() != size || (size > 0 && std::memcmp(back.data(), data, size) != 0)) abort();
  return 0;
}
