// The font header command and its block: how they are read, and what the
// descriptor's format byte and resolution mean to a printer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/input.h"
#include "pcl/font_fields.h"
#include "pcl/records.h"

namespace kestrune {

// Why the font header cannot be used.
enum class HeaderProblem {
  kNone,
  kNotSeekable,     // the input is a pipe: the header needs a seek
  kReadError,       // reading the input failed
  kBadStart,        // the input does not begin with ESC )s
  kCutShort,        // the input ends inside the header command or its block
  kSizeOutOfRange,  // the declared size does not fit, or points before the file
  kDescriptorSize,  // the descriptor is neither 64 nor 68 bytes
};

// Everything read from the header, as far as it could be read.
struct FontHeader {
  bool size_read = false;           // the command up to its "W" was read
  std::int64_t declared_size = 0;   // S, the value of the header command
  std::uint64_t block_start = 0;    // P, the position just after the command's "W"
  FontDescriptor descriptor;        // `size` is the size field once it has been read
  std::size_t descriptor_read = 0;  // bytes of the descriptor the input held
  std::int64_t extra_count = 0;     // E = S - D, fixed with D as read
  std::vector<std::uint8_t> extra;  // the extra bytes the input held

  // The body starts at the end of the declared block, P + S as read, which
  // may lie inside the descriptor.
  std::uint64_t body_start() const {
    return block_start + static_cast<std::uint64_t>(declared_size);
  }
  std::uint8_t format_byte() const { return descriptor.bytes[FontDescriptor::kHeaderFormatOffset]; }
  std::uint8_t orientation() const { return descriptor.bytes[FontDescriptor::kOrientationOffset]; }
};

// What a header format byte tells a printer: a bitmap font, one whose
// descriptor carries its resolution, a scalable font, or nothing it knows.
enum class FormatKind { kBitmap, kResolutionBitmap, kScalable, kUnknown };

struct HeaderFormat {
  std::uint8_t value = 0;
  FormatKind kind = FormatKind::kUnknown;
  const char* name = "unknown";
  // Its format 4 characters are bitmaps, as printers take them (GhostPCL
  // takes them under the universal format, 16, too); those of an unknown
  // format are read as bitmaps for want of anything better.
  bool bitmap_characters = true;
};

// The meaning of a header format byte, from the one table of them.
HeaderFormat header_format(std::uint8_t value);

// A printer prints a font at 300 dpi unless its header is resolution-specified
// (format 20) and its descriptor holds the resolution (68 bytes or more).
inline constexpr int kDefaultResolution = 300;
int printer_resolution(const FontHeader& header);

// The descriptor holds a resolution (68 bytes or more) that printers do not
// read, its header being a plain bitmap font's (format 0).
bool resolution_ignored(const FontHeader& header);

// The commands that select the font by its attributes at the resolution
// a printer prints it at (printer_resolution), in the form asked for; empty
// when less than the 64-byte descriptor was read.
std::string selection_commands(const FontHeader& header, SelectionForm form);

// kestrune works only on the 64 and 68-byte descriptors.
constexpr bool kestrune_takes_descriptor_size(int size) {
  return size == FontDescriptor::kPlainSize || size == FontDescriptor::kResolutionSize;
}

// The descriptor sizes the reader takes: kestrune works only on the 64 and
// 68-byte forms; the font check reads any, keeping its first 68 bytes.
enum class DescriptorSizes { kToolsOwn, kAny };

// Reads the font header command and its block from `in`, at its position:
// the ESC )s check, the size, the descriptor and the extra bytes. Prints
// nothing; leaves `in` where reading stopped, and `header` holding what was
// read.
HeaderProblem read_font_header(InputBuffer& in, FontHeader& header,
                               DescriptorSizes sizes = DescriptorSizes::kToolsOwn);

// What stands before a font header that does not begin the file.
struct HeaderPrefix {
  // Where the header begins after PCL commands or PJL lines within the
  // file's first 4 KiB; -1 when the file holds none such.
  std::int64_t header_at = -1;
  // The font's ID when those commands are its ID command alone, as a
  // download file begins: no prefix printers or kestrune take amiss.
  int font_id = -1;
};

// What stands before the font header in a file that does not begin with
// one. Leaves `in` somewhere in its first bytes.
HeaderPrefix font_header_after_prefix(InputBuffer& in);

// The reason the tool's error line gives for a problem, without its
// "Error: " and line end. Empty for kNone and kReadError, whose line is the
// standard read error.
std::string_view header_problem_reason(HeaderProblem problem);
// The same as the check and the viewer say it: why printers take no font
// from the file, without a line end. Empty for kNone and kReadError.
std::string_view header_problem_for_printers(HeaderProblem problem);

}  // namespace kestrune
