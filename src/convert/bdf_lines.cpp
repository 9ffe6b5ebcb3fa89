#include "convert/bdf_lines.h"

#include <array>
#include <charconv>
#include <cstring>

namespace kestrune::convert {
namespace {

// Space, tab and CR separate words; a table answers for a byte in one load.
constexpr std::array<bool, 256> kBlanks = [] {
  std::array<bool, 256> blanks{};
  blanks[' '] = blanks['\t'] = blanks['\r'] = true;
  return blanks;
}();

bool is_blank(char c) { return kBlanks[static_cast<unsigned char>(c)]; }

}  // namespace

namespace {

std::string_view without_blanks_at_end(std::string_view text) {
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

// A line that runs past the window's end, gathered piece by piece.
LineRead gather_line(InputBuffer& in, std::string& line) {
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
  return any_byte ? LineRead::kLine : LineRead::kEnd;
}

}  // namespace

LineRead read_bdf_line(InputBuffer& in, std::string& spill, std::string_view& line) {
  line = {};
  if (in.held().empty()) in.refill();
  const std::span<const std::uint8_t> held = in.held();
  // Mostly the window holds the whole line: it is read where it lies.
  const void* found = held.empty() ? nullptr : std::memchr(held.data(), '\n', held.size());
  if (found != nullptr) {
    const auto length =
        static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - held.data());
    if (length <= kLongestBdfLine) {
      line = without_blanks_at_end({reinterpret_cast<const char*>(held.data()), length});
      in.take_held(length + 1);
      return LineRead::kLine;
    }
  }
  const LineRead read = gather_line(in, spill);
  if (read == LineRead::kLine) line = without_blanks_at_end(spill);
  return read;
}

std::string_view take_word(std::string_view& rest) {
  const char* const end = rest.data() + rest.size();
  const char* start = rest.data();
  while (start != end && is_blank(*start)) ++start;
  const char* after = start;
  while (after != end && !is_blank(*after)) ++after;
  const std::string_view word(start, static_cast<std::size_t>(after - start));
  while (after != end && is_blank(*after)) ++after;
  rest = std::string_view(after, static_cast<std::size_t>(end - after));
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
