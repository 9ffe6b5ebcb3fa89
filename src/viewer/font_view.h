// kestrune-view's printing: the font header, the character table and the
// glyphs drawn one character per dot. The font is read through the tool's
// own readers, the header phase's (softfont/header.h) and the body pass's
// (softfont/definitions.h), so the viewer shows exactly what kestrune finds.
// The executable (main.cpp), the tests and the fuzz target all go through
// view_font() or the pieces below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "bytes/output.h"

namespace kestrune::view {

// Exit statuses of kestrune-view, and the results of view_font().
inline constexpr int kStatusComplete = 0;  // read to its end, nothing damaged
inline constexpr int kStatusDamaged = 1;   // shown as far as readable; something was damaged
inline constexpr int kStatusFailed = 2;    // usage, open, read or PNG write failure

// The character codes to show; no range at all means every code.
struct CodeSet {
  std::vector<std::pair<int, int>> ranges;  // inclusive
  bool contains(int code) const;
};

// Parses a list such as "65,66,48-57" (decimal codes 0-65535 and ranges, comma
// separated). Returns false with `error` set when the list is malformed.
bool parse_code_list(std::string_view text, CodeSet& codes, std::string& error);

struct ViewOptions {
  CodeSet codes;                  // which characters the table, the drawings and the PNG show
  bool draw = true;               // draw the glyphs in the terminal
  OutputBuffer* png = nullptr;    // when set, the contact sheet is written there
  std::string title;              // the font's name as given, for the first line
  OutputBuffer* proof = nullptr;  // when set, the PCL proof job is written there
  int font_id = 1;                // the font's ID in the proof job
};

// The first line of every view: the font file's name, as given, and size.
// False, with a line saying why, when the input cannot be read twice.
bool print_file_line(const InputBuffer& in, const std::string& name, MessageSink& out);

// "read error", with the system's reason when there is one.
std::string read_error_reason(const InputBuffer& in);

// Shows the font read from `in` (a seekable file or memory, at the font's
// start) on `out`, and writes the contact sheet and the proof job when asked;
// their buffers are left for the caller to flush. Returns kStatusComplete,
// kStatusDamaged or kStatusFailed. The last line printed says where reading
// stopped, and why when the font is damaged.
int view_font(InputBuffer& in, MessageSink& out, const ViewOptions& options);

}  // namespace kestrune::view
