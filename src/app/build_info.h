#pragma once

#include <string>

// When this build was made, as "Sun Nov  1 05:25:36 2026".
std::string BuildTimeText();
