// The inputs of a conversion read, told apart by their content, and merged
// into one face.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "convert/face.h"

namespace kestrune::convert {

// An input open for reading, and its name as lines name it.
struct NamedInput {
  std::string name;
  InputBuffer* in = nullptr;
};

struct MergedInputs {
  bool read = false;        // false: an input could not be read or is no font
  std::size_t refused = 0;  // glyphs refused, each named
  int resolution = 0;       // the first input's
};

// What the command line says of reading the inputs.
struct InputReading {
  int symbol_set = -1;  // the set asked for, or -1
  int code = 65;        // the first image's code; each later image takes the next
  int threshold = 50;   // percent of white an image's dot is darker than
  int dpi = 0;          // the resolution asked for, or 0
  int scale = 1;
};

// Reads every input into `face`: the first gives the header; each later
// glyph is added, one under a code already taken replacing it with a
// warning.
MergedInputs read_inputs(std::span<const NamedInput> inputs, const InputReading& reading,
                         MessageSink& messages, Face& face);

}  // namespace kestrune::convert
