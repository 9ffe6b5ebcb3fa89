// Reads a BDF font (Glyph Bitmap Distribution Format 2.1), a line at a time
// from an input window: its header and properties, then one glyph at a
// time, so that memory goes with the glyph being read, never with the file.
// A BDF is text from anywhere: every count and size in it is checked before
// it is trusted, and every problem is told as one line naming the input and
// the line number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "convert/bdf_lines.h"

namespace kestrune::convert {

struct BdfProperty {
  std::string name;
  std::string value;  // a string without its quotes ("" inside it made one ")
  bool is_string = false;
  std::int64_t number = 0;  // the value, for a number
  std::uint64_t line = 0;
};

struct BdfBox {
  int width = 0;
  int height = 0;
  int x = 0;  // dots right of the origin to the lower left corner
  int y = 0;  // dots above the baseline to the lower left corner
};

struct BdfHeader {
  std::string font_name;  // FONT
  int point_size = 0;     // SIZE
  int x_resolution = 0;
  int y_resolution = 0;
  BdfBox bounding_box;  // FONTBOUNDINGBOX; zero when absent or out of range
  int advance = 0;      // a DWIDTH before the glyphs: every glyph's default
  bool has_advance = false;
  std::vector<BdfProperty> properties;  // at most kMostBdfProperties
  std::int64_t declared_glyphs = -1;    // CHARS

  // The last property of this name, or null.
  const BdfProperty* property(std::string_view name) const;
};

// Sizes and offsets in a BDF beyond this many dots are taken as damage.
inline constexpr std::int64_t kLargestBdfDots = 99999;
// Properties kept; the rest are passed over, so that memory stays bounded.
inline constexpr std::size_t kMostBdfProperties = 512;
inline constexpr std::size_t kMostBdfPropertyBytes = std::size_t{1} << 18;

struct BdfGlyph {
  std::string name;             // STARTCHAR
  std::int64_t encoding = -1;   // ENCODING: -1 when it has none
  std::int64_t alternate = -1;  // the n of "ENCODING -1 n": a code of no standard encoding
  // Its advance in quarter dots, from a "COMMENT PCL_DELTA_X n" line, which
  // a BDF made from a soft font carries where DWIDTH cannot hold it exactly.
  std::optional<int> exact_advance;
  // DWIDTH's x, in dots; without one, the font's DWIDTH, else the BBX's
  // right edge (x + width, at least 0).
  int advance = 0;
  BdfBox box;  // BBX
  // box.height rows of (box.width + 7) / 8 bytes, top first, bits past the
  // width cleared. Empty when the glyph is too large to keep.
  std::vector<std::uint8_t> rows;
  bool too_large = false;  // its bitmap is over kLargestBitmapBytes: not kept
  std::uint64_t line = 0;  // of its STARTCHAR
};

// How reading stopped.
enum class BdfEnding { kReading, kEnd, kBad };

class BdfReader {
 public:
  // `input_name` names the input in the lines it prints to `messages`.
  BdfReader(InputBuffer& in, std::string input_name, MessageSink& messages);

  // Reads from STARTFONT up to the first STARTCHAR (or ENDFONT). False, with
  // an "Error: " line printed, when the input is no BDF it can read.
  bool read_header();
  const BdfHeader& header() const { return header_; }

  // Reads the next glyph; false when there is none, ending() saying why. A
  // glyph that cannot be read whole (bad hex, rows fewer or more than its
  // BBX says, a BBX out of range, no ENDCHAR) is told with an "Error: " line
  // and passed over; refused() counts them. A glyph too large to keep comes
  // back with `too_large` set and no rows, for its caller to name.
  bool next_glyph(BdfGlyph& glyph);
  BdfEnding ending() const { return ending_; }
  std::size_t refused() const { return refused_; }

 private:
  LineRead next_line();
  void report(std::string_view severity, std::string_view what);
  void report_glyph(const BdfGlyph& glyph, bool refusing, std::string_view what);
  void read_header_line(std::string_view keyword, std::string_view rest);
  bool read_properties(std::string_view rest);
  void add_property(std::string_view name, std::string_view value);
  void read_bounding_box(std::string_view rest);
  bool read_glyph(BdfGlyph& glyph, std::string_view name);
  std::string_view read_glyph_line(BdfGlyph& glyph, std::string_view keyword,
                                   std::string_view rest);
  std::string_view read_row(BdfGlyph& glyph, std::string_view row);
  void take_rows_in_window(BdfGlyph& glyph);
  std::string_view finish_glyph(BdfGlyph& glyph) const;
  std::int64_t rows_expected(const BdfGlyph& glyph) const;
  void end_font(bool with_endfont);

  InputBuffer& in_;
  std::string input_name_;
  MessageSink& messages_;
  BdfHeader header_;
  BdfEnding ending_ = BdfEnding::kReading;
  std::uint64_t line_ = 0;
  std::string_view text_;  // the current line, where read_bdf_line put it
  std::string spill_;      // a line the input's window did not hold whole
  bool pending_ = false;  // text_ is a STARTCHAR or ENDFONT not yet acted on
  std::size_t property_bytes_ = 0;
  bool properties_full_ = false;
  bool read_failure_told_ = false;
  std::size_t glyphs_seen_ = 0;  // STARTCHAR lines, read or refused
  std::size_t refused_ = 0;
  // The glyph being read.
  bool has_box_ = false;
  bool has_advance_ = false;
  bool in_bitmap_ = false;
  std::int64_t rows_read_ = 0;
};

}  // namespace kestrune::convert
