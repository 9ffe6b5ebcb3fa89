// The pieces of a BDF line: reading one line from an input window with a
// bound on its length, splitting it into words, and reading whole numbers
// from them with a range check. Lines are text from anywhere: any byte may
// be in them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "bytes/input.h"

namespace kestrune::convert {

// The longest line kept; a longer one is passed over, so that one line with
// no end cannot make memory grow with the file.
inline constexpr std::size_t kLongestBdfLine = 65536;

enum class LineRead { kLine, kTooLong, kEnd };

// The next line, without its LF (and without a CR and blanks at its end),
// in `line`: where the input's window holds the line whole, a view of it
// there, valid until the next read from `in`; else a view of `spill`, which
// it is gathered into. kTooLong, with `line` empty, for a line of more than
// kLongestBdfLine bytes, which has been passed over whole; kEnd once the
// input holds no more bytes. A last line with no LF is still a line.
LineRead read_bdf_line(InputBuffer& in, std::string& spill, std::string_view& line);

// Takes the first word of `rest` (words are separated by spaces and tabs)
// and leaves the rest after it, its leading blanks removed.
std::string_view take_word(std::string_view& rest);

// `text` with the blanks at its start and end removed.
std::string_view trim_blanks(std::string_view text);

// Reads `count` whole numbers, each from `lowest` to `highest`, from the
// words of `text` into `values`; words after them are ignored.
enum class NumbersRead { kRead, kNotNumbers, kOutOfRange };
NumbersRead read_numbers(std::string_view text, std::size_t count, std::int64_t lowest,
                         std::int64_t highest, std::int64_t* values);

// A whole decimal number, maybe negative, the whole of `word`.
bool parse_whole_number(std::string_view word, std::int64_t& value);

}  // namespace kestrune::convert
