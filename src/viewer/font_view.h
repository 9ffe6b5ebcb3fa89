// kestrune-view's reading and printing: the font header, a walk over the
// character definitions of the body, the character table and the glyphs
// drawn one character per dot. The executable (main.cpp), the tests and the
// fuzz target all go through view_font() or the pieces below.
//
// Memory follows the bytes that actually arrive: header and character blocks
// are read with read_block (format.h), one definition at a time, so a size
// taken from a damaged file never sizes an allocation on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "softfont/format.h"

namespace kestrune::view {

// Exit statuses of kestrune-view, and the results of view_font().
inline constexpr int kStatusComplete = 0;  // read to its end, nothing damaged
inline constexpr int kStatusDamaged = 1;   // shown as far as readable; something was damaged
inline constexpr int kStatusFailed = 2;    // usage, open, read or PNG write failure

// The character codes to show; no range at all means every code.
struct CodeSet {
  std::vector<std::pair<long, long>> ranges;  // inclusive
  bool contains(long code) const;
};

// Parses a list such as "65,66,48-57" (decimal codes 0-65535 and ranges, comma
// separated). Returns false with `error` set when the list is malformed.
bool parse_code_list(std::string_view text, CodeSet& codes, std::string& error);

// Where reading stopped and why. An empty reason means the input ended where
// a font may end.
struct StopPoint {
  long offset = 0;
  std::string reason;
  bool read_error = false;
};

// The font header as far as it could be read.
struct HeaderView {
  static constexpr std::size_t kExtraShown = 512;  // extra header bytes kept for display

  bool command_read = false;             // ESC )s value W was read
  std::int64_t declared_size = 0;        // S, the command's value
  long block_start = 0;                  // the byte after the command's W
  std::vector<std::uint8_t> descriptor;  // the block's first bytes, at most 68
  int descriptor_size = -1;              // bytes 0-1 of the block, -1 when absent
  std::int64_t extra_count = 0;          // bytes after the descriptor that the block declares
  std::int64_t extra_present = 0;        // how many of them the input holds
  std::vector<std::uint8_t> extra;       // the first kExtraShown of those present
  std::int64_t block_present = 0;        // bytes of the block the input holds
};

// Reads the font header from the input's position (which must be the start of
// the font). Returns false, with `stop` filled in, when reading cannot go on;
// `header` then holds what was read. On success the input stands at the end
// of the header's declared block, where the body begins.
bool read_header(std::FILE* in, HeaderView& header, StopPoint& stop);

// Prints the header section: descriptor size, header format, orientation,
// resolution when present, font name, extra bytes as text, and notes.
void print_header(const HeaderView& header, std::FILE* out);

// One character definition: ESC *c<code>E, then ESC (s<n>W and its block.
struct Definition {
  long offset = 0;  // byte offset of the ESC of ESC *c
  int code = 0;
  std::size_t declared_size = 0;    // n, the data command's value
  std::vector<std::uint8_t> block;  // the bytes read: fewer than n when the input ended
};

// State of one walk over the body.
struct BodyWalk {
  std::FILE* in = nullptr;
  StopPoint stop;
  bool ended = false;
};

enum class Step {
  kDefinition,  // `definition` holds the next character definition
  kSkipped,     // something that looked like a definition was skipped; see `note`
  kEnd,         // the walk is over; see walk.stop
};

// Reads up to the next character definition. Other escape sequences and bytes
// are passed over; no ESC is ever swallowed by a failed match. A definition
// whose block the input cuts short is returned with the bytes present, and the
// walk ends with the next call.
Step next_step(BodyWalk& walk, Definition& definition, std::string& note);

// What a definition's block says, and whether it can be drawn.
struct GlyphInfo {
  bool has_descriptor = false;  // the block holds all 16 descriptor bytes
  CharacterDescriptor descriptor;
  bool drawable = false;           // format 4, continuation 0, class 1
  bool damaged = false;            // block cut short, under 16 bytes, or shorter than its bitmap
  std::size_t bitmap_needed = 0;   // height x row stride
  std::size_t bitmap_present = 0;  // block bytes after the descriptor
  std::string note;                // empty, or what is wrong or unusual
};
GlyphInfo inspect(const Definition& definition);

// The rows of a w x h bitmap that the bytes present reach, top first: '#' for
// a set dot, '.' for a clear one. A row only partly present ends in '?' for
// its missing dots; rows wholly missing are left out.
std::vector<std::string> draw_rows(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                                   std::uint16_t height);

// One line of the character table, and its heading.
void print_table_heading(std::FILE* out);
void print_table_row(const Definition& definition, const GlyphInfo& info, std::FILE* out);

// A definition's drawing: a title line, then its rows (or why it is not drawn).
void print_glyph(const Definition& definition, const GlyphInfo& info, std::FILE* out);

struct ViewOptions {
  CodeSet codes;             // which characters the table, the drawings and the PNG show
  bool draw = true;          // draw the glyphs in the terminal
  std::FILE* png = nullptr;  // when set, the contact sheet is written there
  std::string title;         // the font's name as given, for the first line
};

// Shows the font read from `in` (a seekable stream at the font's start) on
// `out`, and writes the contact sheet when asked. Returns kStatusComplete,
// kStatusDamaged or kStatusFailed. The last line printed says where reading
// stopped, and why when the font is damaged.
int view_font(std::FILE* in, std::FILE* out, const ViewOptions& options);

}  // namespace kestrune::view
