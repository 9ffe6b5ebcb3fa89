#include "viewer/text.h"

#include <cstdarg>
#include <cstdio>

namespace kestrune::view {

std::string formatted_list(const char* format, std::va_list arguments) {
  std::va_list again;
  va_copy(again, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, again);
  va_end(again);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<std::size_t>(length));
    // The terminating null goes into the string's own one past its end.
    std::vsnprintf(text.data(), text.size() + 1, format, arguments);
  }
  return text;
}

std::string formatted(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::string text = formatted_list(format, arguments);
  va_end(arguments);
  return text;
}

void say(MessageSink& out, const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  print_text(out, formatted_list(format, arguments));
  va_end(arguments);
}

bool write_text(OutputBuffer& out, std::string_view text) {
  return out.write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace kestrune::view
