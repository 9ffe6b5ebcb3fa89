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
  // The symbol set asked for (its value), or -1 for the font's own default.
  int symbol_set = -1;
};

// What reading one BDF made.
struct BdfOutcome {
  bool read = false;          // false: no BDF it could read, an "Error: " line printed
  std::size_t glyphs = 0;     // glyphs read
  std::size_t refused = 0;    // glyphs refused (damaged or beyond printers' limits), each named
  std::size_t unplaced = 0;   // glyphs with no code (ENCODING -1, none in the symbol set)
  std::string encoding;       // e.g. "ISO10646-1", or empty
  int resolution = 0;         // dots per inch
};

// Reads a whole BDF from `in` into `face` (whose glyph set is empty).
BdfOutcome read_bdf_face(InputBuffer& in, const std::string& input_name,
                         const BdfReading& reading, MessageSink& messages, Face& face);

}  // namespace kestrune::convert
