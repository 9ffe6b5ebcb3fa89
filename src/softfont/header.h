// The header phase: validates the font header command and its descriptor,
// applies the resolution change and the font-level part of the landscape
// rotation, and writes the new header to the output.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "bytes/output.h"
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
};

// The descriptor sizes the reader takes: kestrune works only on the 64 and
// 68-byte forms; the font check reads any, keeping its first 68 bytes.
enum class DescriptorSizes { kToolsOwn, kAny };

// Reads the font header command and its block from `in`, at its position:
// the ESC )s check, the size, the descriptor and the extra bytes. Prints
// nothing; leaves `in` where reading stopped, and `header` holding what was
// read.
HeaderProblem read_font_header(InputBuffer& in, FontHeader& header,
                               DescriptorSizes sizes = DescriptorSizes::kToolsOwn);

// Where the font header begins in a file that holds PCL commands or PJL
// lines before it, within its first 4 KiB; -1 when it holds none such.
std::int64_t font_header_after_prefix(InputBuffer& in);

// The reason the tool's error line gives for a problem, without its
// "Error: " and line end. Empty for kNone and kReadError, whose line is the
// standard read error.
std::string_view header_problem_reason(HeaderProblem problem);

// The changes the header phase makes to the font header.
struct HeaderChanges {
  std::int32_t resolution = 0;  // 0 leaves the font's resolution alone
  bool landscape = false;       // mark the font landscape, if it is portrait
  bool mark_format_20 = false;  // with a resolution, set the header format to 20
  bool fix = false;             // -fix: leave out a PCL prefix, mend First and Last Code
};

// What the header phase did.
struct HeaderOutcome {
  bool written = false;  // the header was read and written; the body pass may start
  bool turned = false;   // the font was marked landscape: its characters are to be turned
};

// Reads the font header, applies `changes` and writes the new header to
// `out`, printing its progress lines. A font that is not portrait is not
// marked landscape, with a warning. On success leaves `in` at the first byte
// after the header's declared data block. On failure prints its one error
// line and writes nothing; writing the header may also fail (which, the
// output being buffered, may show itself only later).
HeaderOutcome rewrite_font_header(InputBuffer& in, OutputBuffer& out, const HeaderChanges& changes,
                                  MessageSink& messages);

}  // namespace kestrune
