// A face written as a BDF font: the glyphs, and the header's fields as
// standard properties where BDF has them and as the program's own where it
// has none, so that a font made again from the BDF has the same header.
#pragma once

#include <string_view>

#include "bytes/output.h"
#include "convert/face.h"

namespace kestrune::convert {

// Writes the face, which holds a glyph at least (bdftopcf takes no BDF of
// none). False once the output has failed.
bool write_bdf(const Face& face, OutputBuffer& out);

}  // namespace kestrune::convert
