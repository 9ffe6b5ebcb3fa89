#include "pcl/font_fields.h"

#include <algorithm>
#include <cctype>

#include "pcl/records.h"

namespace kestrune {
namespace {

int signed_byte(std::uint8_t value) { return value < 128 ? value : value - 256; }
std::uint8_t byte_of(int value) { return static_cast<std::uint8_t>(value & 0xFF); }
std::uint16_t word_of(int value) { return static_cast<std::uint16_t>(value & 0xFFFF); }

}  // namespace

FontFields decode_font_fields(std::span<const std::uint8_t> bytes) {
  FontFields f;
  f.descriptor_size = read_u16(bytes, 0);
  f.header_format = bytes[2];
  f.font_type = bytes[3];
  f.style = bytes[4] << 8 | bytes[23];
  f.baseline = read_u16(bytes, 6);
  f.cell_width = read_u16(bytes, 8);
  f.cell_height = read_u16(bytes, 10);
  f.orientation = bytes[12];
  f.spacing = bytes[13];
  f.symbol_set = read_u16(bytes, 14);
  f.pitch = read_u16(bytes, 16);
  f.height = read_u16(bytes, 18);
  f.x_height = read_u16(bytes, 20);
  f.width_type = signed_byte(bytes[22]);
  f.stroke_weight = signed_byte(bytes[24]);
  f.typeface = bytes[26] << 8 | bytes[25];
  f.serif_style = bytes[27];
  f.quality = bytes[28];
  f.placement = signed_byte(bytes[29]);
  f.underline_position = signed_byte(bytes[30]);
  f.underline_thickness = bytes[31];
  f.text_height = read_u16(bytes, 32);
  f.text_width = read_u16(bytes, 34);
  f.first_code = read_u16(bytes, 36);
  f.last_code = read_u16(bytes, 38);
  f.pitch_extended = bytes[40];
  f.height_extended = bytes[41];
  f.cap_height = read_u16(bytes, 42);
  f.font_number = std::uint32_t{read_u16(bytes, 44)} << 16 | read_u16(bytes, 46);
  f.name.assign(bytes.begin() + 48, bytes.begin() + 64);
  if (bytes.size() >= 68) {
    f.x_resolution = read_u16(bytes, 64);
    f.y_resolution = read_u16(bytes, 66);
  }
  return f;
}

std::array<std::uint8_t, 68> encode_font_fields(const FontFields& f) {
  std::array<std::uint8_t, 68> b{};
  const std::span<std::uint8_t> s(b);
  write_u16(s, 0, word_of(f.descriptor_size));
  b[2] = byte_of(f.header_format);
  b[3] = byte_of(f.font_type);
  b[4] = byte_of(f.style >> 8);
  write_u16(s, 6, word_of(f.baseline));
  write_u16(s, 8, word_of(f.cell_width));
  write_u16(s, 10, word_of(f.cell_height));
  b[12] = byte_of(f.orientation);
  b[13] = byte_of(f.spacing);
  write_u16(s, 14, word_of(f.symbol_set));
  write_u16(s, 16, word_of(f.pitch));
  write_u16(s, 18, word_of(f.height));
  write_u16(s, 20, word_of(f.x_height));
  b[22] = byte_of(f.width_type);
  b[23] = byte_of(f.style);
  b[24] = byte_of(f.stroke_weight);
  b[25] = byte_of(f.typeface);
  b[26] = byte_of(f.typeface >> 8);
  b[27] = byte_of(f.serif_style);
  b[28] = byte_of(f.quality);
  b[29] = byte_of(f.placement);
  b[30] = byte_of(f.underline_position);
  b[31] = byte_of(f.underline_thickness);
  write_u16(s, 32, word_of(f.text_height));
  write_u16(s, 34, word_of(f.text_width));
  write_u16(s, 36, word_of(f.first_code));
  write_u16(s, 38, word_of(f.last_code));
  b[40] = byte_of(f.pitch_extended);
  b[41] = byte_of(f.height_extended);
  write_u16(s, 42, word_of(f.cap_height));
  write_u16(s, 44, static_cast<std::uint16_t>(f.font_number >> 16));
  write_u16(s, 46, static_cast<std::uint16_t>(f.font_number & 0xFFFF));
  for (std::size_t i = 0; i < 16; ++i) {
    b[48 + i] = i < f.name.size() ? static_cast<std::uint8_t>(f.name[i]) : ' ';
  }
  if (f.descriptor_size >= 68) {
    write_u16(s, 64, word_of(f.x_resolution));
    write_u16(s, 66, word_of(f.y_resolution));
  }
  return b;
}

int symbol_set_value(const std::string& name) {
  if (name.size() < 2 || name.size() > 5) return -1;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name.back())));
  if (letter < 'A' || letter > 'Z') return -1;
  int number = 0;
  for (std::size_t i = 0; i + 1 < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    number = number * 10 + (name[i] - '0');
  }
  if (number > 2047) return -1;
  return number * 32 + (letter - 64);
}

std::string symbol_set_name(int value) {
  const int letter = value & 31;
  return std::to_string(value >> 5) + static_cast<char>(64 + letter);
}

std::string hundredths_text(std::int64_t hundredths) {
  const bool negative = hundredths < 0;
  // Its magnitude as unsigned: the most negative value has no positive int64.
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(hundredths)
                                           : static_cast<std::uint64_t>(hundredths);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / 100);
  const std::uint64_t fraction = magnitude % 100;
  if (fraction == 0) return text;
  text += '.';
  text += static_cast<char>('0' + fraction / 10);
  if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
  return text;
}

namespace {

// a / b rounded half up, for a >= 0 and b > 0, in 64 bits: every operand
// here is at most 32 bits wide.
std::int64_t rounded_quotient(std::int64_t a, std::int64_t b) { return (2 * a + b) / (2 * b); }

// The terms of ESC (s from the pitch on, each value followed by its
// letter: pitch in characters per inch (h), height in points (v), style (s),
// stroke weight (b), and the typeface last (T).
std::string attribute_terms(const FontFields& f, int resolution) {
  std::string terms;
  // The pitch field is in quarter dots, its extension in 1024ths of a dot.
  const std::int64_t advance = std::int64_t{f.pitch} * 256 + f.pitch_extended;
  if (resolution > 0 && advance > 0) {
    terms += hundredths_text(rounded_quotient(std::int64_t{resolution} * 1024 * 100, advance));
    terms += 'h';
  }
  if (resolution > 0 && f.height >= 0) {
    // The height field is in quarter dots: quarter points, rounded, first.
    const std::int64_t quarter_points = rounded_quotient(std::int64_t{f.height} * 72, resolution);
    terms += hundredths_text(quarter_points * 25) + 'v';
  }
  terms += std::to_string(f.style & 0xFFFF) + 's';
  terms += std::to_string(f.stroke_weight) + 'b';
  return terms + std::to_string(f.typeface & 0xFFFF) + 'T';
}

}  // namespace

std::string selection_string(const FontFields& fields, int resolution, SelectionForm form) {
  const std::string escape = form == SelectionForm::kBackslashEscapes ? "\\e" : "ESC ";
  const std::string between = form == SelectionForm::kBackslashEscapes ? "" : " ";
  return escape + "(" + symbol_set_name(fields.symbol_set & 0xFFFF) + between + escape + "(s" +
         std::to_string(fields.spacing) + 'p' + attribute_terms(fields, resolution);
}

}  // namespace kestrune
