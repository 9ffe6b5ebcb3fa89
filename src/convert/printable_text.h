// Text from a font's bytes made safe to carry on one line of a BDF or a
// message: control bytes become spaces, DEL and the C1 controls question
// marks (Latin-1 letters and signs, such as a copyright sign, are kept as
// they are: X11 takes property strings in Latin-1), and the spaces at
// either end are trimmed.
#pragma once

#include <string>
#include <string_view>

namespace kestrune::convert {

inline std::string printable_text(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
      text += ' ';
    } else if (byte >= 0x7F && byte < 0xA0) {
      text += '?';
    } else {
      text += c;
    }
  }
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace kestrune::convert
