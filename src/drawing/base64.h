#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Standard base64 with "=" padding and no line breaks.
std::string Base64Encode(const uint8_t* data, size_t size);
std::string Base64Encode(const std::vector<uint8_t>& bytes);

// Throws std::runtime_error with "Non-Valid base64!", "Non-Valid Character
// in Base 64!" or "Invalid Padding in Base 64!".
std::vector<uint8_t> Base64Decode(const std::string& text);
