// The proof page: a PCL 5 print job that downloads a font unchanged and
// prints every character it defines under its code, so that a font can be
// checked on the printer itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "bytes/output.h"

namespace kestrune::view {

// A character to print, and how far its dots may lie from its reference
// point in any direction, in dots.
struct ProofGlyph {
  int code = 0;
  int reach = 0;
};

// What the job needs to know of the font.
struct ProofFont {
  std::vector<std::string> heading;  // the first lines: the file, the font
  int orientation = 0;               // 0 to 3; the page takes the same
  int resolution = 300;              // dots per inch of the font's bitmaps
  // The bytes of the file to download: the font header on, without any
  // PCL commands before it, to where reading stopped.
  std::uint64_t download_from = 0;
  std::uint64_t download_size = 0;
  std::vector<ProofGlyph> glyphs;  // in the font's order; codes may repeat
};

// The largest font ID the job gives (PCL font IDs are 0 to 32767).
inline constexpr int kLargestFontId = 32767;

// Writes the job to `out`: a reset, the page's orientation, the font
// downloaded from `font` under `font_id`, a heading in Courier, each code
// below 256 with its glyph under it, and a final reset. False when reading
// the font or writing the job fails. The font is read from `download_from` on.
bool write_proof(InputBuffer& font, const ProofFont& proof, int font_id, OutputBuffer& out);

}  // namespace kestrune::view
