// Every field of the font descriptor, decoded: what a converter reads from a
// font header and writes into a new one. Pure: no I/O.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kestrune {

struct FontFields {
  int descriptor_size = 64;  // 64, or 68 with the resolution
  int header_format = 0;     // 0 bitmap, 20 resolution-specified
  int font_type = 0;         // 0 (codes 32-127), 1 (and 160-255), 2 (any)
  int style = 0;             // 16 bits: posture, width and structure
  int baseline = 0;          // dots from the cell's top
  int cell_width = 0;        // dots
  int cell_height = 0;       // dots
  int orientation = 0;       // 0 portrait
  int spacing = 0;           // 0 fixed, 1 proportional
  int symbol_set = 0;        // number x 32 + letter - 64
  int pitch = 0;             // quarter dots: the default advance
  int height = 0;            // quarter dots
  int x_height = 0;          // quarter dots
  int width_type = 0;        // signed byte
  int stroke_weight = 0;     // signed byte, -7 to 7
  int typeface = 0;          // 16 bits
  int serif_style = 0;
  int quality = 0;
  int placement = 0;            // signed byte
  int underline_position = 0;   // signed byte, dots from the baseline
  int underline_thickness = 0;  // dots
  int text_height = 0;          // quarter dots
  int text_width = 0;           // quarter dots
  int first_code = 0;
  int last_code = 0;
  int pitch_extended = 0;
  int height_extended = 0;
  int cap_height = 0;  // 16 bits
  std::uint32_t font_number = 0;
  std::string name;        // at most 16 characters
  int x_resolution = 300;  // read and written with the 68-byte form only
  int y_resolution = 300;
};

// The fields of a descriptor of `bytes.size()` bytes (at least 64); the
// resolution is read from a 68-byte or longer one, else left at 300.
FontFields decode_font_fields(std::span<const std::uint8_t> bytes);

// The descriptor of `fields.descriptor_size` (64 or 68) bytes. Each value is
// cut to its field's width, and the name padded with spaces to 16.
std::array<std::uint8_t, 68> encode_font_fields(const FontFields& fields);

// A symbol set's value from its PCL name ("8U" is 8 x 32 + 'U' - 64 = 277),
// and back. -1 for a name that is not a number from 0 to 2047 and a letter
// from A to Z.
int symbol_set_value(const std::string& name);
std::string symbol_set_name(int value);

// A number of hundredths as a printer's font list writes it: at most two
// decimals, trailing zeros and a trailing point dropped ("12", "10.5",
// "16.67").
std::string hundredths_text(std::int64_t hundredths);

// How a selection string is written: for a reader, with ESC spelled out and
// a space between commands ("ESC (8U ESC (s1p...T"), or for a command
// line that reads backslash escapes, each ESC as \e and nothing between
// ("\e(8U\e(s1p...T").
enum class SelectionForm { kWrittenOut, kBackslashEscapes };

// The commands that select this bitmap font by its attributes, as a
// printer's font list gives them: the symbol set, then ESC (s with the
// spacing (p), pitch (h), height (v), style (s), stroke weight (b) and
// typeface, upper-case T last. `resolution`
// is the one the printer prints the font at, which the caller decides; the
// pitch is left out where it would divide by zero (a pitch of 0, or no
// resolution), and the height where there is no resolution.
std::string selection_string(const FontFields& fields, int resolution, SelectionForm form);

}  // namespace kestrune
