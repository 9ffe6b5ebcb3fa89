// The header phase: validates the font header command and its descriptor,
// applies the resolution change and the font-level part of the landscape
// rotation, and writes the new header to the output.
#pragma once

#include <cstdio>

#include "softfont/format.h"

namespace kestrune {

// With a resolution and `options.header_format_20`, the header format byte
// becomes 20. Leaves `in` at the first byte after the header's declared data
// block.
// Clears `options.landscape` when the font is not portrait. Returns false,
// with its one error line printed and nothing written, when the header
// cannot be used; also false when writing the header fails (which, the
// output being buffered, may show itself only later).
bool rewrite_font_header(std::FILE* in, OutputBuffer& out, RunOptions& options);

}  // namespace kestrune
