#include "editor/list_marker.h"

#include <cstdio>

ListMarker ParseListMarker(const std::string& prefix) {
  size_t indent = prefix.find_first_not_of(" \t");
  if (indent == std::string::npos) indent = prefix.size();
  const std::string marker = prefix.substr(indent);
  const std::string spaces(indent, ' ');
  ListMarker result;

  int number = 0, consumed = -1;
  if (std::sscanf(marker.c_str(), "%d.%*1[ \t]%n", &number, &consumed) == 1 && consumed == int(marker.size()) &&
      number > 0) {
    result.kind = ListMarker::NUMBERED;
    result.next = spaces + std::to_string(static_cast<long long>(number) + 1) + ". ";
  } else if (marker == "* " || marker == "- ") {
    result.kind = ListMarker::BULLET;
    result.next = spaces + marker;
  } else if (marker == "> ") {
    result.kind = ListMarker::QUOTE;
    result.next = spaces + marker;
  }
  return result;
}
