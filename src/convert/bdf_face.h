// A BDF font read into a face: its properties turned into the PCL header's
// fields, and each glyph given its code in the font's symbol set.
#pragma once

#include <cstddef>
#include <string>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "convert/face.h"

namespace kestrune::convert {

struct BdfReading {
  // The symbol set asked for (its value), or -1 for the font's own: the one
  // its PCL_SYMBOL_SET names, else 0N for ISO8859-1, 2N for ISO8859-2, else
  // 8U.
  int symbol_set = -1;
};

// What reading one BDF made.
struct BdfOutcome {
  bool read = false;       // false: no BDF it could read, an "Error: " line printed
  std::size_t glyphs = 0;  // glyphs read
  // Glyphs refused, each named: damaged ones, and those with a code that are
  // beyond printers' limits.
  std::size_t refused = 0;
  std::size_t unplaced = 0;  // glyphs with no code (ENCODING -1, none in the symbol set)
  std::string encoding;      // e.g. "ISO10646-1", or empty
  int resolution = 0;        // dots per inch
};

// Reads a whole BDF from `in` into `face` (whose glyph set is empty). The
// fields worked out from the glyphs are left to finish_fields.
BdfOutcome read_bdf_face(InputBuffer& in, const std::string& input_name, const BdfReading& reading,
                         MessageSink& messages, Face& face);

}  // namespace kestrune::convert
