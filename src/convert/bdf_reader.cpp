#include "convert/bdf_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "convert/bdf_properties.h"
#include "pcl/records.h"

namespace kestrune::convert {
namespace {

constexpr std::string_view kTooLongLine = "the line is longer than 65536 bytes; it is passed over";

// The value of each byte as a hex digit, -1 for one that is none.
constexpr std::array<std::int8_t, 256> kHexValues = [] {
  std::array<std::int8_t, 256> values{};
  values.fill(-1);
  for (std::size_t i = 0; i < 10; ++i) values['0' + i] = static_cast<std::int8_t>(i);
  for (std::size_t i = 0; i < 6; ++i) {
    values['A' + i] = values['a' + i] = static_cast<std::int8_t>(10 + i);
  }
  return values;
}();

int hex_value(char c) { return kHexValues[static_cast<unsigned char>(c)]; }

// Decodes 2 x `stride` hex digits into a row of `width` dots, its fill bits
// cleared. False, with `bytes` in part written, at a byte that is no digit.
bool decode_row(const char* digits, std::size_t stride, int width, std::uint8_t* bytes) {
  for (std::size_t i = 0; i < stride; ++i) {
    const int high = hex_value(digits[2 * i]);
    const int low = hex_value(digits[2 * i + 1]);
    if ((high | low) < 0) return false;
    bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  bytes[stride - 1] &= static_cast<std::uint8_t>(0xFF << (static_cast<int>(stride * 8) - width));
  return true;
}

// The string of a property value in quotes, "" inside it standing for one
// quote. False when the closing quote is missing (the text up to the end
// is taken).
bool unquote(std::string_view text, std::string& value) {
  value.clear();
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] != '"') {
      value.push_back(text[i]);
    } else if (i + 1 < text.size() && text[i + 1] == '"') {
      value.push_back('"');
      ++i;
    } else {
      return true;
    }
  }
  return false;
}

}  // namespace

const BdfProperty* BdfHeader::property(std::string_view name) const {
  for (auto it = properties.rbegin(); it != properties.rend(); ++it) {
    if (it->name == name) return &*it;
  }
  return nullptr;
}

BdfReader::BdfReader(InputBuffer& in, std::string input_name, MessageSink& messages)
    : in_(in), input_name_(std::move(input_name)), messages_(messages) {}

LineRead BdfReader::next_line() {
  for (;;) {
    const LineRead read = read_bdf_line(in_, spill_, text_);
    if (read == LineRead::kEnd) {
      if (in_.failed() && !read_failure_told_) {
        read_failure_told_ = true;
        report_read_error(messages_);
      }
      return read;
    }
    ++line_;
    // Blank lines are passed over; most lines begin with no blank at all.
    if (read == LineRead::kTooLong || (!text_.empty() && text_[0] > ' ') ||
        !trim_blanks(text_).empty()) {
      return read;
    }
  }
}

void BdfReader::report(std::string_view severity, std::string_view what) {
  std::string text(severity);
  text.append(input_name_).append(" line ").append(std::to_string(line_)).append(": ");
  text.append(what).append(".\n");
  print_text(messages_, text);
}

void BdfReader::report_glyph(const BdfGlyph& glyph, bool refusing, std::string_view what) {
  std::string text("glyph \"");
  text.append(glyph.name).append("\": ").append(what);
  if (refusing) {
    text.append("; the glyph is left out");
    ++refused_;
  }
  report("Error: ", text);
}

bool BdfReader::read_header() {
  const LineRead first = next_line();
  std::string_view rest = text_;
  if (first != LineRead::kLine || take_word(rest) != "STARTFONT") {
    if (line_ == 0) line_ = 1;
    report("Error: ", "not a BDF font; it does not begin with STARTFONT");
    ending_ = BdfEnding::kBad;
    return false;
  }
  for (;;) {
    if (!pending_) {
      const LineRead read = next_line();
      if (read == LineRead::kEnd) {
        end_font(false);
        return true;
      }
      if (read == LineRead::kTooLong) {
        report("Error: ", kTooLongLine);
        continue;
      }
    }
    pending_ = false;
    rest = text_;
    const std::string_view keyword = take_word(rest);
    if (keyword == "STARTCHAR") {
      pending_ = true;
      return true;
    }
    if (keyword == "ENDFONT") {
      end_font(true);
      return true;
    }
    if (keyword == "STARTPROPERTIES") {
      if (!read_properties(rest)) return true;
    } else {
      read_header_line(keyword, rest);
    }
  }
}

void BdfReader::read_header_line(std::string_view keyword, std::string_view rest) {
  std::int64_t values[3] = {};
  if (keyword == "FONT") {
    header_.font_name.assign(rest);
  } else if (keyword == "SIZE") {
    if (read_numbers(rest, 3, 0, kLargestBdfDots, values) != NumbersRead::kRead) {
      report("Warning: ", "SIZE is not three whole numbers from 0 to 99999; it is passed over");
      return;
    }
    header_.point_size = static_cast<int>(values[0]);
    header_.x_resolution = static_cast<int>(values[1]);
    header_.y_resolution = static_cast<int>(values[2]);
  } else if (keyword == "FONTBOUNDINGBOX") {
    read_bounding_box(rest);
  } else if (keyword == "CHARS") {
    if (!parse_whole_number(take_word(rest), values[0]) || values[0] < 0) {
      report("Warning: ", "CHARS is not a count; it is passed over");
      return;
    }
    header_.declared_glyphs = values[0];
  } else if (keyword == "DWIDTH") {
    if (read_numbers(rest, 1, -kLargestBdfDots, kLargestBdfDots, values) != NumbersRead::kRead) {
      report("Warning: ", "DWIDTH is not a whole number from -99999 to 99999; it is passed over");
      return;
    }
    header_.advance = static_cast<int>(values[0]);
    header_.has_advance = true;
  }
}

void BdfReader::read_bounding_box(std::string_view rest) {
  std::int64_t v[4] = {};
  const NumbersRead read = read_numbers(rest, 4, -kLargestBdfDots, kLargestBdfDots, v);
  if (read == NumbersRead::kNotNumbers) {
    report("Warning: ", "FONTBOUNDINGBOX is not four whole numbers; it is taken as absent");
  } else if (read == NumbersRead::kOutOfRange || v[0] < 0 || v[1] < 0) {
    report("Warning: ", "FONTBOUNDINGBOX is negative or beyond 99999 dots; it is taken as absent");
  } else {
    header_.bounding_box = BdfBox{static_cast<int>(v[0]), static_cast<int>(v[1]),
                                  static_cast<int>(v[2]), static_cast<int>(v[3])};
  }
}

bool BdfReader::read_properties(std::string_view rest) {
  std::int64_t declared = -1;
  if (!parse_whole_number(take_word(rest), declared) || declared < 0) {
    report("Warning: ", "STARTPROPERTIES is not a count; it is passed over");
    declared = -1;
  }
  std::int64_t found = 0;
  for (;;) {
    const LineRead read = next_line();
    if (read == LineRead::kEnd) {
      report("Error: ", "the file ends inside the properties");
      ending_ = BdfEnding::kBad;
      return false;
    }
    if (read == LineRead::kTooLong) {
      report("Error: ", kTooLongLine);
      continue;
    }
    rest = text_;
    const std::string_view name = take_word(rest);
    if (name == "STARTCHAR" || name == "ENDFONT") {
      report("Warning: ", "the properties have no ENDPROPERTIES");
      pending_ = true;
      return true;
    }
    if (name == "ENDPROPERTIES") break;
    ++found;
    add_property(name, rest);
  }
  if (declared >= 0 && declared != found) {
    report("Warning: ", "STARTPROPERTIES says " + std::to_string(declared) + " properties, but " +
                            std::to_string(found) + " follow");
  }
  return true;
}

void BdfReader::add_property(std::string_view name, std::string_view value) {
  if (properties_full_) return;
  property_bytes_ += name.size() + value.size();
  if (header_.properties.size() >= kMostBdfProperties || property_bytes_ > kMostBdfPropertyBytes) {
    report("Warning: ", "too many properties to keep; the rest are passed over");
    properties_full_ = true;
    return;
  }
  BdfProperty& property = header_.properties.emplace_back();
  property.name.assign(name);
  property.line = line_;
  if (!value.empty() && value.front() == '"') {
    property.is_string = true;
    if (!unquote(value, property.value)) {
      report("Warning: ", "property " + property.name + " has no closing quote");
    }
  } else {
    property.value.assign(value);
    property.is_string = !parse_whole_number(value, property.number);
  }
}

void BdfReader::end_font(bool with_endfont) {
  if (!with_endfont) report("Warning: ", "the file ends with no ENDFONT");
  const auto seen = static_cast<std::int64_t>(glyphs_seen_);
  if (header_.declared_glyphs >= 0 && header_.declared_glyphs != seen) {
    report("Warning: ", "CHARS says " + std::to_string(header_.declared_glyphs) + " glyphs, but " +
                            std::to_string(seen) + " follow");
  }
  ending_ = BdfEnding::kEnd;
}

bool BdfReader::next_glyph(BdfGlyph& glyph) {
  for (;;) {
    if (ending_ != BdfEnding::kReading) return false;
    if (!pending_) {
      const LineRead read = next_line();
      if (read == LineRead::kEnd) {
        end_font(false);
        return false;
      }
      if (read == LineRead::kTooLong) {
        report("Error: ", kTooLongLine);
        continue;
      }
    }
    pending_ = false;
    std::string_view rest = text_;
    const std::string_view keyword = take_word(rest);
    if (keyword == "ENDFONT") {
      end_font(true);
      return false;
    }
    if (keyword != "STARTCHAR") continue;
    ++glyphs_seen_;
    if (read_glyph(glyph, rest)) return true;
  }
}

bool BdfReader::read_glyph(BdfGlyph& glyph, std::string_view name) {
  glyph.name.assign(name);
  glyph.encoding = -1;
  glyph.alternate = -1;
  glyph.exact_advance.reset();
  glyph.advance = 0;
  glyph.box = BdfBox{};
  glyph.rows.clear();
  glyph.too_large = false;
  glyph.line = line_;
  has_box_ = has_advance_ = in_bitmap_ = false;
  rows_read_ = 0;
  // Once a problem is told, the rest of the glyph is passed over.
  std::string_view problem;
  for (;;) {
    const LineRead read = next_line();
    if (read == LineRead::kEnd) {
      report_glyph(glyph, problem.empty(), "the file ends before its ENDCHAR");
      ending_ = BdfEnding::kBad;
      return false;
    }
    if (read == LineRead::kTooLong) {
      if (problem.empty()) {
        problem = "a line of it is longer than 65536 bytes";
        report_glyph(glyph, true, problem);
      }
      continue;
    }
    // Most lines of a font are rows of a bitmap: a line that begins with a
    // hex digit there, and not "END", is one, and needs no keyword.
    if (in_bitmap_ && !text_.empty() && hex_value(text_[0]) >= 0 && !text_.starts_with("END")) {
      if (problem.empty()) {
        problem = read_row(glyph, text_);
        if (!problem.empty()) report_glyph(glyph, true, problem);
      }
      continue;
    }
    std::string_view rest = text_;
    const std::string_view keyword = take_word(rest);
    if (keyword == "STARTCHAR" || keyword == "ENDFONT") {
      report_glyph(glyph, problem.empty(),
                   keyword == "ENDFONT" ? "it has no ENDCHAR before ENDFONT"
                                        : "it has no ENDCHAR before the next STARTCHAR");
      pending_ = true;
      return false;
    }
    if (keyword == "ENDCHAR") {
      if (!problem.empty()) return false;
      problem = finish_glyph(glyph);
      if (problem.empty()) return true;
      report_glyph(glyph, true, problem);
      return false;
    }
    if (!problem.empty()) continue;
    problem = read_glyph_line(glyph, keyword, rest);
    if (!problem.empty()) report_glyph(glyph, true, problem);
  }
}

namespace {

// "PCL_DELTA_X n": the glyph's advance in quarter dots, taken when it is a
// number a PCL advance can be.
void read_exact_advance(BdfGlyph& glyph, std::string_view rest) {
  std::int64_t quarters = 0;
  if (take_word(rest) != kBdfExactAdvance || !parse_whole_number(take_word(rest), quarters)) return;
  if (quarters >= -32768 && quarters <= 32767) glyph.exact_advance = static_cast<int>(quarters);
}

}  // namespace

std::string_view BdfReader::read_glyph_line(BdfGlyph& glyph, std::string_view keyword,
                                            std::string_view rest) {
  if (in_bitmap_) return read_row(glyph, trim_blanks(text_));
  std::int64_t v[4] = {};
  if (keyword == "ENCODING") {
    if (!parse_whole_number(take_word(rest), v[0])) return "its ENCODING is not a whole number";
    glyph.encoding = v[0] < 0 ? -1 : v[0];
    if (glyph.encoding < 0 && parse_whole_number(take_word(rest), v[1]) && v[1] >= 0) {
      glyph.alternate = v[1];
    }
  } else if (keyword == "COMMENT") {
    read_exact_advance(glyph, rest);
  } else if (keyword == "DWIDTH") {
    const NumbersRead read = read_numbers(rest, 1, -kLargestBdfDots, kLargestBdfDots, v);
    if (read == NumbersRead::kNotNumbers) return "its DWIDTH is not a whole number";
    if (read == NumbersRead::kOutOfRange) return "its DWIDTH is beyond 99999 dots";
    glyph.advance = static_cast<int>(v[0]);
    has_advance_ = true;
  } else if (keyword == "BBX") {
    const NumbersRead read = read_numbers(rest, 4, -kLargestBdfDots, kLargestBdfDots, v);
    if (read == NumbersRead::kNotNumbers) return "its BBX is not four whole numbers";
    if (read == NumbersRead::kOutOfRange) return "its BBX is beyond 99999 dots";
    if (v[0] < 0 || v[1] < 0) return "its BBX has a negative width or height";
    glyph.box = BdfBox{static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
                       static_cast<int>(v[3])};
    // Counted as printers count a bitmap, so that a glyph too large here is
    // too large for them.
    glyph.too_large = static_cast<std::uint64_t>(v[0]) * static_cast<std::uint64_t>(v[1]) / 8 >
                      kLargestBitmapBytes;
    has_box_ = true;
  } else if (keyword == "BITMAP") {
    if (!has_box_) return "its BITMAP comes before its BBX";
    in_bitmap_ = true;
    // The rows take their room at once (at most 1 MiB, or the glyph is
    // too large and keeps none), and are decoded into it where they belong.
    if (!glyph.too_large) {
      glyph.rows.assign(static_cast<std::size_t>(glyph.box.width + 7) / 8 *
                            static_cast<std::size_t>(rows_expected(glyph)),
                        0);
      take_rows_in_window(glyph);
    }
  }
  return {};
}

std::int64_t BdfReader::rows_expected(const BdfGlyph& glyph) const {
  return glyph.box.width == 0 ? 0 : glyph.box.height;
}

std::string_view BdfReader::read_row(BdfGlyph& glyph, std::string_view row) {
  if (rows_read_ >= rows_expected(glyph)) return "its bitmap has more rows than its BBX";
  ++rows_read_;
  // The rows of a glyph too large to keep are passed over unread.
  if (glyph.too_large) return {};
  const std::size_t stride = (static_cast<std::size_t>(glyph.box.width) + 7) / 8;
  if (row.size() == 2 * stride && stride > 0) {
    std::uint8_t* bytes = glyph.rows.data() + static_cast<std::size_t>(rows_read_ - 1) * stride;
    if (decode_row(row.data(), stride, glyph.box.width, bytes)) return {};
  }
  if (std::any_of(row.begin(), row.end(), [](char c) { return hex_value(c) < 0; })) {
    return "bad hex digit in its bitmap";
  }
  if (row.size() > 2 * stride) return "a row of its bitmap is longer than its BBX";
  return "a row of its bitmap is shorter than its BBX";
}

// Most lines of a font are rows of a bitmap. Those the window holds, each
// exactly its hex digits and a line end, are read where they lie, with no
// line made of them; at the first that is not so, line by line takes over
// and tells what is wrong.
void BdfReader::take_rows_in_window(BdfGlyph& glyph) {
  const std::size_t stride = (static_cast<std::size_t>(glyph.box.width) + 7) / 8;
  const std::size_t digits = 2 * stride;
  while (stride > 0 && rows_read_ < rows_expected(glyph)) {
    const std::span<const std::uint8_t> held = in_.held();
    std::size_t end = digits;
    if (end < held.size() && held[end] == '\r') ++end;
    if (end >= held.size() || held[end] != '\n') return;
    std::uint8_t* bytes = glyph.rows.data() + static_cast<std::size_t>(rows_read_) * stride;
    if (!decode_row(reinterpret_cast<const char*>(held.data()), stride, glyph.box.width, bytes)) {
      return;
    }
    ++rows_read_;
    ++line_;
    in_.take_held(end + 1);
  }
}

std::string_view BdfReader::finish_glyph(BdfGlyph& glyph) const {
  if (!has_box_) return "it has no BBX";
  if (!in_bitmap_ && rows_expected(glyph) > 0) return "it has no BITMAP";
  if (rows_read_ < rows_expected(glyph)) return "its bitmap has fewer rows than its BBX";
  if (!has_advance_) {
    glyph.advance =
        header_.has_advance ? header_.advance : std::max(0, glyph.box.x + glyph.box.width);
  }
  return {};
}

}  // namespace kestrune::convert
