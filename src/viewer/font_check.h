// kestrune-view --check: why a printer will reject a font, read through the
// tool's own reader of the header and of the definitions and judged by its
// one classifier, so that the check, kestrune and the viewer agree.
#pragma once

#include <string>

#include "bytes/input.h"
#include "bytes/messages.h"

namespace kestrune::view {

// Prints the file line, a FAIL or WARN line for each rule the font read from
// `in` (seekable, at the font's start) breaks, and a summary. Returns 0 when
// no rule fails, 1 when one does, and 2 when the input cannot be read.
int check_font(InputBuffer& in, MessageSink& out, const std::string& name);

}  // namespace kestrune::view
