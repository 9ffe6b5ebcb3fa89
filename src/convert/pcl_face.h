// A PCL soft font read into a face through the one reading of a font: the
// header's fields, and every character, compressed and continued ones
// unpacked and joined.
#pragma once

#include <cstddef>
#include <string>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "convert/face.h"

namespace kestrune::convert {

struct PclOutcome {
  bool read = false;        // false: no font it could read, an "Error: " line printed
  std::size_t glyphs = 0;   // characters read
  std::size_t refused = 0;  // characters refused (damaged, not bitmaps), each named
  int resolution = 0;
};

// Reads a PCL soft font from `in` into `face` (whose glyph set is empty).
// A font whose orientation is not 0 is refused: BDF holds upright glyphs.
PclOutcome read_pcl_face(InputBuffer& in, const std::string& input_name, MessageSink& messages,
                         Face& face);

}  // namespace kestrune::convert
