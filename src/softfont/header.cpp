#include "softfont/header.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "pcl/commands.h"
#include "softfont/definitions.h"

namespace kestrune {
namespace {

// A short read is either the input's end or its failure; say which.
HeaderProblem short_read(const InputBuffer& in) {
  return in.failed() ? HeaderProblem::kReadError : HeaderProblem::kCutShort;
}

// The header's size: every byte before "W" is folded in as a digit, unchecked.
// The fold stays within int so that the size can be written back with "%d",
// four more included for an extended descriptor.
HeaderProblem read_header_size(InputBuffer& in, std::int64_t& size) {
  constexpr std::int64_t kLargest = INT32_MAX - 4;
  constexpr std::int64_t kSmallest = INT32_MIN;
  size = 0;
  for (int byte = in.next_byte(); byte != 'W'; byte = in.next_byte()) {
    if (byte == kEndOfInput) return short_read(in);
    // |size| is at most 2^31 here, so this cannot overflow 64 bits.
    size = size * 10 + (byte - '0');
    if (size > kLargest || size < kSmallest) return HeaderProblem::kSizeOutOfRange;
  }
  return HeaderProblem::kNone;
}

HeaderProblem read_font_descriptor(InputBuffer& in, FontHeader& header, DescriptorSizes sizes) {
  FontDescriptor& descriptor = header.descriptor;
  int size = 0;
  if (!read_be16(in, size)) return short_read(in);
  // The size field itself is part of the descriptor.
  descriptor.size = size;
  write_u16(descriptor.bytes, 0, static_cast<std::uint16_t>(size));
  header.descriptor_read = 2;
  if (sizes == DescriptorSizes::kToolsOwn && size != FontDescriptor::kPlainSize &&
      size != FontDescriptor::kResolutionSize) {
    return HeaderProblem::kDescriptorSize;
  }
  const auto kept = std::min(static_cast<std::size_t>(size), descriptor.bytes.size());
  for (int byte = 0; header.descriptor_read < kept && (byte = in.next_byte()) != kEndOfInput;) {
    descriptor.bytes[header.descriptor_read++] = static_cast<std::uint8_t>(byte);
  }
  if (header.descriptor_read < kept) return short_read(in);
  // A larger descriptor's further bytes are passed over.
  if (static_cast<std::size_t>(size) > kept) {
    std::vector<std::uint8_t> rest;
    const std::size_t count = static_cast<std::size_t>(size) - kept;
    if (in.read_block_at(0, count, rest) != count) return short_read(in);
  }
  return HeaderProblem::kNone;
}

HeaderProblem read_header_block(InputBuffer& in, FontHeader& header, DescriptorSizes sizes) {
  header.block_start = in.position();
  // The body starts at P + S, which must not lie before the file's start.
  if (header.declared_size < 0 &&
      header.block_start < static_cast<std::uint64_t>(-header.declared_size)) {
    return HeaderProblem::kSizeOutOfRange;
  }
  const HeaderProblem problem = read_font_descriptor(in, header, sizes);
  if (problem != HeaderProblem::kNone) return problem;
  header.extra_count = header.declared_size - header.descriptor.size;
  if (header.extra_count <= 0) return HeaderProblem::kNone;
  const auto count = static_cast<std::size_t>(header.extra_count);
  const std::size_t got = in.read_block_at(0, count, header.extra);
  header.extra.resize(got);
  return got == count ? HeaderProblem::kNone : short_read(in);
}

// A file that holds a font header a little further on, after PCL commands
// or a PJL header, gets a hint where it begins; the refusal stands.
void hint_at_later_font_header(InputBuffer& in, MessageSink& messages) {
  const std::int64_t at = font_header_after_prefix(in);
  if (at < 0) return;
  print_text(messages, "Warning: The font header begins at byte ", at,
             ", after PCL commands or a PJL header; convert the font without them, cut off with "
             "tail -c +");
  print_text(messages, "", at + 1, " font.pcl > font.sfp.\n");
}

// With -fix the font is read from a header found after PCL commands or a
// PJL header, and they are not written.
HeaderProblem read_header_after_prefix(InputBuffer& in, FontHeader& header, MessageSink& messages) {
  const std::int64_t at = font_header_after_prefix(in);
  if (at < 0 || !in.seek(static_cast<std::uint64_t>(at))) {
    return in.failed() ? HeaderProblem::kReadError : HeaderProblem::kBadStart;
  }
  header = FontHeader{};
  const HeaderProblem problem = read_font_header(in, header);
  if (problem == HeaderProblem::kNone) {
    print_text(messages, "PCL prefix fixed: the font header begins at byte ", at,
               "; the commands before it are left out.\n");
  }
  return problem;
}

// With -fix, First Code and Last Code that a DeskJet would refuse are set to
// the lowest and highest codes the font defines, read in a pass of their own.
bool mend_first_last_code(InputBuffer& in, std::uint64_t body_start, FontHeader& header,
                          MessageSink& messages) {
  DefinedCodes codes;
  if (!in.seek(body_start) || !collect_defined_codes(in, codes)) return false;
  std::array<std::uint8_t, FontDescriptor::kResolutionSize>& d = header.descriptor.bytes;
  if (codes.count == 0 ||
      !first_last_code_broken(read_u16(d, FontDescriptor::kFirstCodeOffset),
                              read_u16(d, FontDescriptor::kLastCodeOffset), codes)) {
    return true;
  }
  // The codes collected fit 16 bits.
  write_u16(d, FontDescriptor::kFirstCodeOffset, static_cast<std::uint16_t>(codes.lowest));
  write_u16(d, FontDescriptor::kLastCodeOffset, static_cast<std::uint16_t>(codes.highest));
  print_text(messages, "First and last code fixed: set to ", codes.lowest, " and ");
  print_text(messages, "", codes.highest, ".\n");
  return true;
}

void report_header_problem(HeaderProblem problem, MessageSink& messages) {
  if (problem == HeaderProblem::kReadError) {
    report_read_error(messages);
    return;
  }
  print_text(messages, "Error: ");
  print_text(messages, header_problem_reason(problem));
  print_text(messages, "\n");
}

// With -f20 the header is marked resolution-specified; without it, a header
// that is not gets a warning, as the new resolution will not reach a printer.
void apply_header_format(FontDescriptor& descriptor, bool mark_format_20, MessageSink& messages) {
  std::uint8_t& format = descriptor.bytes[FontDescriptor::kHeaderFormatOffset];
  if (mark_format_20) {
    format = FontDescriptor::kResolutionSpecified;
  } else if (format != FontDescriptor::kResolutionSpecified) {
    print_text(messages,
               "Warning: Printers read the resolution only from a format 20 "
               "(resolution-specified) header; add -f20 to mark this font so.\n");
  }
}

// X and Y resolution both take the low 16 bits of R; a 64-byte descriptor
// grows to the 68-byte form to hold them.
void apply_resolution(FontHeader& header, std::int32_t resolution, MessageSink& messages) {
  FontDescriptor& d = header.descriptor;
  const auto low_bits = static_cast<std::uint16_t>(static_cast<std::uint32_t>(resolution) & 0xFFFF);
  write_u16(d.bytes, FontDescriptor::kXResolutionOffset, low_bits);
  write_u16(d.bytes, FontDescriptor::kYResolutionOffset, low_bits);
  if (d.size == FontDescriptor::kPlainSize) {
    write_u16(d.bytes, 0, FontDescriptor::kResolutionSize);
    d.size = FontDescriptor::kResolutionSize;
    header.declared_size += 4;
  }
  print_text(messages, "Resolution set to ", resolution, "\n");
}

// False, with a warning, when the font is not portrait.
bool apply_landscape(FontHeader& header, MessageSink& messages) {
  std::uint8_t& orientation = header.descriptor.bytes[FontDescriptor::kOrientationOffset];
  if (orientation != 0) {
    print_text(messages, "Warning: Cannot rotate this font! Continuing...\n");
    return false;
  }
  orientation = 1;
  return true;
}

bool write_font_header(OutputBuffer& out, const FontHeader& header) {
  const std::span<const std::uint8_t> descriptor(header.descriptor.bytes.data(),
                                                 static_cast<std::size_t>(header.descriptor.size));
  return emit_command(")s", static_cast<int>(header.declared_size), 'W', out) &&
         out.write(descriptor) && out.write(header.extra);
}

}  // namespace

HeaderOutcome rewrite_font_header(InputBuffer& in, OutputBuffer& out, const HeaderChanges& changes,
                                  MessageSink& messages) {
  HeaderOutcome outcome;
  FontHeader header;
  HeaderProblem problem = read_font_header(in, header);
  if (problem == HeaderProblem::kBadStart && changes.fix) {
    problem = read_header_after_prefix(in, header, messages);
  }
  if (header.size_read) print_text(messages, "header size = ", header.declared_size, "\n");
  if (problem != HeaderProblem::kNone) {
    if (problem == HeaderProblem::kBadStart) hint_at_later_font_header(in, messages);
    report_header_problem(problem, messages);
    return outcome;
  }
  // The body starts at the end of the declared block, P + S as read.
  const std::uint64_t body_start =
      header.block_start + static_cast<std::uint64_t>(header.declared_size);
  if (changes.resolution != 0) {
    apply_resolution(header, changes.resolution, messages);
    apply_header_format(header.descriptor, changes.mark_format_20, messages);
  }
  if (changes.landscape) outcome.turned = apply_landscape(header, messages);
  if (changes.fix && !mend_first_last_code(in, body_start, header, messages)) {
    report_read_error(messages);
    return outcome;
  }
  if (!write_font_header(out, header)) {
    report_write_error(messages, out.error_number());
    return outcome;
  }
  if (!in.seek(body_start)) {
    report_read_error(messages);
    return outcome;
  }
  outcome.written = true;
  return outcome;
}

HeaderProblem read_font_header(InputBuffer& in, FontHeader& header, DescriptorSizes sizes) {
  if (!in.seekable()) return HeaderProblem::kNotSeekable;
  const Match start = in.match(kFontHeaderStart);
  if (start != Match::kMatch) {
    return in.failed() ? HeaderProblem::kReadError : HeaderProblem::kBadStart;
  }
  const HeaderProblem problem = read_header_size(in, header.declared_size);
  if (problem != HeaderProblem::kNone) return problem;
  header.size_read = true;
  return read_header_block(in, header, sizes);
}

std::int64_t font_header_after_prefix(InputBuffer& in) {
  constexpr std::size_t kLookedAt = 4096;
  std::vector<std::uint8_t> start;
  if (!in.seek(0)) return -1;
  start.resize(in.read_block_at(0, kLookedAt, start));
  return font_header_after_commands(start);
}

std::string_view header_problem_reason(HeaderProblem problem) {
  switch (problem) {
    case HeaderProblem::kNotSeekable:
      return "Input file is not seekable; the font header cannot be read from a pipe.";
    case HeaderProblem::kBadStart:
      return "First 3 bytes of input file are bad... nothing output.";
    case HeaderProblem::kCutShort:
      return "Input ends inside the font header.";
    case HeaderProblem::kSizeOutOfRange:
      return "Font header size is out of range.";
    case HeaderProblem::kDescriptorSize:
      return "Cannot work on this version of SFP... need 64 or 68 byte header size.";
    default:
      return "";
  }
}

}  // namespace kestrune
