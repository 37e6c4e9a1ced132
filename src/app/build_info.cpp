#include "app/build_info.h"

#include <cstdio>
#include <cstring>
#include <ctime>

std::string BuildTimeText() {
  // __DATE__ is "Nov  1 2026" and lacks the weekday: let mktime find it.
  static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  char month[4] = {0};
  std::tm tm{};
  std::sscanf(__DATE__, "%3s %d %d", month, &tm.tm_mday, &tm.tm_year);
  std::sscanf(__TIME__, "%d:%d:%d", &tm.tm_hour, &tm.tm_min, &tm.tm_sec);
  const char* found = std::strstr(months, month);
  tm.tm_mon = found ? int(found - months) / 3 : 0;
  tm.tm_year -= 1900;
  tm.tm_isdst = -1;
  std::mktime(&tm);
  char text[64];
  std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &tm);
  return text;
}
