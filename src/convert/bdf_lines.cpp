#include "convert/bdf_lines.h"

#include <charconv>
#include <cstring>

namespace kestrune::convert {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

LineRead read_bdf_line(InputBuffer& in, std::string& line) {
  line.clear();
  bool any_byte = false;
  bool too_long = false;
  for (;;) {
    std::span<const std::uint8_t> held = in.held();
    if (held.empty()) {
      if (!in.refill()) break;
      held = in.held();
    }
    const void* found = std::memchr(held.data(), '\n', held.size());
    const std::size_t length =
        found == nullptr
            ? held.size()
            : static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - held.data());
    any_byte = true;
    if (!too_long && line.size() + length > kLongestBdfLine) {
      too_long = true;
      line.clear();
    }
    if (!too_long) line.append(reinterpret_cast<const char*>(held.data()), length);
    in.take_held(found == nullptr ? length : length + 1);
    if (found != nullptr) break;
  }
  if (too_long) return LineRead::kTooLong;
  if (!any_byte) return LineRead::kEnd;
  while (!line.empty() && is_blank(line.back())) line.pop_back();
  return LineRead::kLine;
}

std::string_view take_word(std::string_view& rest) {
  std::size_t start = 0;
  while (start < rest.size() && is_blank(rest[start])) ++start;
  std::size_t end = start;
  while (end < rest.size() && !is_blank(rest[end])) ++end;
  const std::string_view word = rest.substr(start, end - start);
  while (end < rest.size() && is_blank(rest[end])) ++end;
  rest.remove_prefix(end);
  return word;
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

bool parse_whole_number(std::string_view word, std::int64_t& value) {
  if (word.empty()) return false;
  const char* end = word.data() + word.size();
  const auto [at, error] = std::from_chars(word.data(), end, value);
  return error == std::errc() && at == end;
}

NumbersRead read_numbers(std::string_view text, std::size_t count, std::int64_t lowest,
                         std::int64_t highest, std::int64_t* values) {
  bool in_range = true;
  for (std::size_t i = 0; i < count; ++i) {
    if (!parse_whole_number(take_word(text), values[i])) return NumbersRead::kNotNumbers;
    if (values[i] < lowest || values[i] > highest) in_range = false;
  }
  return in_range ? NumbersRead::kRead : NumbersRead::kOutOfRange;
}

}  // namespace kestrune::convert
