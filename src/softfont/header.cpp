#include "softfont/header.h"

#include <cstdint>
#include <vector>

namespace kestrune {
namespace {

constexpr std::uint8_t kFontHeaderStart[] = {ESC, ')', 's'};

// A printer takes the resolution from the descriptor only when its header
// format byte says resolution-specified.
constexpr std::size_t kHeaderFormatOffset = 2;
constexpr std::uint8_t kResolutionSpecified = 20;

// A short read is either the input's end or its failure; say which.
HeaderProblem short_read(std::FILE* in) {
  return std::ferror(in) != 0 ? HeaderProblem::kReadError : HeaderProblem::kCutShort;
}

// The header's size: every byte before "W" is folded in as a digit, unchecked.
// The fold stays within int so that the size can be written back with "%d",
// four more included for an extended descriptor.
HeaderProblem read_header_size(std::FILE* in, std::int64_t& size) {
  constexpr std::int64_t kLargest = INT32_MAX - 4;
  constexpr std::int64_t kSmallest = INT32_MIN;
  size = 0;
  for (int byte = std::getc(in); byte != 'W'; byte = std::getc(in)) {
    if (byte == EOF) return short_read(in);
    // |size| is at most 2^31 here, so this cannot overflow 64 bits.
    size = size * 10 + (byte - '0');
    if (size > kLargest || size < kSmallest) return HeaderProblem::kSizeOutOfRange;
  }
  return HeaderProblem::kNone;
}

HeaderProblem read_font_descriptor(std::FILE* in, FontHeader& header) {
  FontDescriptor& descriptor = header.descriptor;
  int size = 0;
  if (!read_be16(in, size)) return short_read(in);
  // The size field itself is part of the descriptor.
  descriptor.size = size;
  descriptor.bytes[0] = static_cast<std::uint8_t>(size >> 8);
  descriptor.bytes[1] = static_cast<std::uint8_t>(size & 0xFF);
  header.descriptor_read = 2;
  if (size != FontDescriptor::kPlainSize && size != FontDescriptor::kResolutionSize) {
    return HeaderProblem::kDescriptorSize;
  }
  const auto rest = static_cast<std::size_t>(size - 2);
  header.descriptor_read += std::fread(descriptor.bytes.data() + 2, 1, rest, in);
  return header.descriptor_read == static_cast<std::size_t>(size) ? HeaderProblem::kNone
                                                                  : short_read(in);
}

HeaderProblem read_header_block(std::FILE* in, FontHeader& header) {
  header.block_start = std::ftell(in);
  if (header.block_start < 0) return HeaderProblem::kReadError;
  if (header.block_start + header.declared_size < 0) return HeaderProblem::kSizeOutOfRange;
  const HeaderProblem problem = read_font_descriptor(in, header);
  if (problem != HeaderProblem::kNone) return problem;
  header.extra_count = header.declared_size - header.descriptor.size;
  if (header.extra_count <= 0) return HeaderProblem::kNone;
  const auto count = static_cast<std::size_t>(header.extra_count);
  return read_block(in, count, header.extra) == count ? HeaderProblem::kNone : short_read(in);
}

void report_header_problem(HeaderProblem problem) {
  if (problem == HeaderProblem::kReadError) {
    report_read_error();
    return;
  }
  print_text("Error: ");
  print_text(header_problem_reason(problem));
  print_text("\n");
}

// With -f20 the header is marked resolution-specified; without it, a header
// that is not gets a warning, as the new resolution will not reach a printer.
void apply_header_format(FontDescriptor& descriptor, bool mark_format_20) {
  std::uint8_t& format = descriptor.bytes[kHeaderFormatOffset];
  if (mark_format_20) {
    format = kResolutionSpecified;
  } else if (format != kResolutionSpecified) {
    print_text(
        "Warning: Printers read the resolution only from a format 20 (resolution-specified) "
        "header; add -f20 to mark this font so.\n");
  }
}

// X and Y resolution both take the low 16 bits of R; a 64-byte descriptor
// grows to the 68-byte form to hold them.
void apply_resolution(FontHeader& header, std::int32_t resolution) {
  FontDescriptor& d = header.descriptor;
  const auto bits = static_cast<std::uint32_t>(resolution);
  const auto high = static_cast<std::uint8_t>((bits >> 8) & 0xFF);
  const auto low = static_cast<std::uint8_t>(bits & 0xFF);
  d.bytes[FontDescriptor::kXResolutionOffset] = high;
  d.bytes[FontDescriptor::kXResolutionOffset + 1] = low;
  d.bytes[FontDescriptor::kYResolutionOffset] = high;
  d.bytes[FontDescriptor::kYResolutionOffset + 1] = low;
  if (d.size == FontDescriptor::kPlainSize) {
    d.bytes[0] = 0;
    d.bytes[1] = FontDescriptor::kResolutionSize;
    d.size = FontDescriptor::kResolutionSize;
    header.declared_size += 4;
  }
  print_text("Resolution set to ", resolution, "\n");
}

void apply_landscape(FontHeader& header, RunOptions& options) {
  std::uint8_t& orientation = header.descriptor.bytes[FontDescriptor::kOrientationOffset];
  if (orientation != 0) {
    print_text("Warning: Cannot rotate this font! Continuing...\n");
    options.landscape = false;
  } else {
    orientation = 1;
  }
}

bool write_font_header(OutputBuffer& out, const FontHeader& header) {
  const std::span<const std::uint8_t> descriptor(header.descriptor.bytes.data(),
                                                 static_cast<std::size_t>(header.descriptor.size));
  return emit_command(")s", static_cast<int>(header.declared_size), 'W', out) &&
         write_bytes(out, descriptor) && write_bytes(out, header.extra);
}

}  // namespace

bool rewrite_font_header(std::FILE* in, OutputBuffer& out, RunOptions& options) {
  FontHeader header;
  const HeaderProblem problem = read_font_header(in, header);
  if (header.size_read) print_text("header size = ", static_cast<int>(header.declared_size), "\n");
  if (problem != HeaderProblem::kNone) {
    report_header_problem(problem);
    return false;
  }
  // The body starts at the end of the declared block, P + S as read.
  const std::int64_t body_start = header.block_start + header.declared_size;
  if (options.resolution != 0) {
    apply_resolution(header, options.resolution);
    apply_header_format(header.descriptor, options.header_format_20);
  }
  if (options.landscape) apply_landscape(header, options);
  if (!write_font_header(out, header)) {
    report_write_error(out.error);
    return false;
  }
  if (std::fseek(in, static_cast<long>(body_start), SEEK_SET) != 0) {
    report_read_error();
    return false;
  }
  return true;
}

HeaderProblem read_font_header(std::FILE* in, FontHeader& header) {
  if (std::ftell(in) < 0) return HeaderProblem::kNotSeekable;
  const Match start = match_bytes(in, kFontHeaderStart);
  if (start != Match::kMatch) {
    return std::ferror(in) != 0 ? HeaderProblem::kReadError : HeaderProblem::kBadStart;
  }
  const HeaderProblem problem = read_header_size(in, header.declared_size);
  if (problem != HeaderProblem::kNone) return problem;
  header.size_read = true;
  return read_header_block(in, header);
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
