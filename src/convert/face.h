// A bitmap face as kestrune-convert holds it between reading and writing:
// the header's fields and the glyphs, upright, each a bitmap and where it
// stands from the origin on the baseline. BDF and PCL fonts are both read
// into it and written from it, so the two formats meet in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "pcl/font_fields.h"

namespace kestrune::convert {

struct Glyph {
  int code = 0;     // in the font's symbol set, 0 to 65535
  int width = 0;    // dots
  int height = 0;   // dots
  int left = 0;     // dots from the origin right to the bitmap's left column
  int top = 0;      // dots from the baseline up to the bitmap's top row
  int advance = 0;  // quarter dots (PCL delta X; a BDF DWIDTH times 4)
  // height rows of (width + 7) / 8 bytes each, top first, the bits past the
  // width clear. Empty while `runs` holds the dots.
  std::vector<std::uint8_t> rows;
  std::string name;  // the BDF glyph name, where there is one
  // It came as a compressed (class 2) character, and goes out so again
  // unless the command line says otherwise.
  bool compressed = false;
  // A compressed character read from a soft font keeps its run lengths, as
  // read and found undamaged, until its rows are wanted: unpacked, a font of
  // them would take three times the memory, and touching that much fresh
  // memory costs more than unpacking each glyph once more as it is written.
  std::vector<std::uint8_t> runs{};
};

constexpr std::size_t glyph_stride(int width) {
  return width <= 0 ? 0 : (static_cast<std::size_t>(width) + 7) / 8;
}

// The glyph's rows: `rows` itself, or its runs unpacked into `scratch`.
std::span<const std::uint8_t> glyph_rows(const Glyph& glyph, std::vector<std::uint8_t>& scratch);

// Unpacks the runs a glyph holds into its rows, for what changes them.
void unpack_runs(Glyph& glyph);

// PCL has no character of no dots: one blank dot, its top on the baseline
// at the origin, stands for a glyph of none. The advance is kept.
void make_blank_dot(Glyph& glyph);

// Printers take a character from 1 to 16384 dots wide and high, with
// offsets within +-16384 and a bitmap of at most 1 MiB. Empty when the
// glyph is within them, else why it is not, e.g. "20000 dots wide".
std::string beyond_printer_limits(const Glyph& glyph);

// Which of the header's fields the input gave: the others are worked out
// from the glyphs when the font is written (fonts made from BDF), or kept as
// read (fonts read from PCL, which give them all).
struct GivenFields {
  bool font_type = false;
  bool spacing = false;  // spacing and pitch
  bool codes = false;    // First and Last Code: always worked out anew
};

// The glyphs of a face by code: a later glyph under a taken code replaces
// the earlier one. Codes are 0 to 65535.
class GlyphSet {
 public:
  // Adds `glyph`; true when it replaced one of the same code. A code
  // outside 0 to 65535 is not added.
  bool add(Glyph glyph);
  const Glyph* find(int code) const;
  std::size_t size() const { return count_; }
  // The glyphs in increasing code order.
  std::vector<const Glyph*> in_code_order() const;
  // Each glyph in increasing code order, handed to `visit`, which returns
  // false to stop; no list of them is made. False when it stopped.
  template <typename Visit>
  bool visit_in_code_order(Visit&& visit) const {
    for (const std::int32_t at : slot_) {
      if (at >= 0 && !visit(glyphs_[static_cast<std::size_t>(at)])) return false;
    }
    return true;
  }
  // Every glyph, in no particular order, to be changed in place (its code
  // must stay).
  std::deque<Glyph>& all() { return glyphs_; }
  const std::deque<Glyph>& all() const { return glyphs_; }

 private:
  // A deque, not a vector: growing never moves the glyphs to fresh memory,
  // which for a font of 40,000 touched twice the pages the glyphs take.
  std::deque<Glyph> glyphs_;
  std::vector<std::int32_t> slot_;  // by code: index into glyphs_, or -1
  std::size_t count_ = 0;
};

struct Face {
  FontFields fields;  // as the font will be written, once finished
  GivenFields given;
  std::string copyright;  // text after the descriptor in a PCL header
  std::string family;     // BDF FAMILY_NAME, when known
  GlyphSet glyphs;
};

// Every dot becomes `factor` x `factor` dots; offsets, advances, cell,
// baseline, pitch, heights and, when `resolution` is true, the resolution
// are scaled with it. A factor below 2 leaves the face as it is.
void scale_face(Face& face, int factor, bool resolution);

// Works out what the input did not give, from the glyphs: First and Last
// Code, the font type and the spacing and pitch (see face.cpp).
void finish_fields(Face& face);

}  // namespace kestrune::convert
