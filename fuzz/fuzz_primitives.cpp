// The read primitives and the per-character transforms on arbitrary bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "characters/clean.h"
#include "characters/landscape.h"
#include "characters/rotation.h"
#include "font_builder.h"
#include "pcl/compressed.h"
#include "softfont/definitions.h"

namespace {

void check(bool holds) {
  if (!holds) std::abort();
}

// Walks the input with the primitives, as the scanner would, steered by the
// bytes themselves: once through the usual window and, step for step beside
// it, through a small one over the same bytes, which must give the same
// results, take the same bytes and run out at the same moment.
void read_with_primitives(kestrune::InputBuffer& in, kestrune::InputBuffer& buffered) {
  static const std::uint8_t kExpected[] = {27, '(', 's'};
  static const std::uint8_t kCode[] = {'*', 'c'};
  std::vector<std::uint8_t> block;
  std::vector<std::uint8_t> reused;
  while (!in.exhausted()) {
    const kestrune::DecimalField field = in.read_decimal_field();
    const kestrune::DecimalField again = buffered.read_decimal_field();
    check(field.value == again.value && field.terminator == again.terminator &&
          field.overflow == again.overflow);
    if (field.overflow && field.value != INT32_MAX) std::abort();
    if (!field.overflow && field.value < 0) std::abort();
    int value = 0;
    switch (field.terminator & 7) {
      case 0: {
        const bool read = kestrune::read_be16(in, value);
        if (value < 0 || value > 65535) std::abort();
        constexpr int kEnd = kestrune::kEndOfInput;
        const int first = buffered.next_byte();
        const int second = first == kEnd ? kEnd : buffered.next_byte();
        check(read == (second != kEnd) && (!read || value == first * 256 + second));
        break;
      }
      case 1:
        check(in.match(kExpected) == buffered.match(kExpected));
        break;
      case 2:
        check(in.match(kCode) == buffered.match(kCode));
        break;
      case 3:
        check(in.skip_to_escape() == buffered.skip_to_escape());
        break;
      default: {
        const auto count = static_cast<std::size_t>(field.value);
        const std::size_t got = in.read_block_at(0, count, block);
        if (got > count || got > block.size()) std::abort();
        const std::size_t got_buffered = buffered.read_block_at(0, count, reused);
        check(got_buffered == got && reused.size() >= got &&
              std::equal(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got),
                         reused.begin()));
      }
    }
    check(in.exhausted() == buffered.exhausted());
  }
}

// The rotation against the plain rule, on a bitmap exactly as long as its
// rows, so that a read past its end is caught. Only sizes whose bitmap the
// input holds are tried; its width and height come from bytes 10 to 13.
void check_rotation(const std::vector<std::uint8_t>& bytes) {
  const std::size_t width = std::size_t{bytes[10]} << 8 | bytes[11];
  const std::size_t height = std::size_t{bytes[12]} << 8 | bytes[13];
  const std::size_t size = (width + 7) / 8 * height;
  if (size > bytes.size() - 16) return;
  const std::vector<std::uint8_t> bitmap(bytes.begin() + 16,
                                         bytes.begin() + 16 + static_cast<std::ptrdiff_t>(size));
  std::vector<std::uint8_t> written;
  kestrune::OutputBuffer out(written, 1 + bytes[14] % 128);
  // The rotated bytes alone, with no data command ever full.
  kestrune::CharacterWriter bytes_only{out, SIZE_MAX, SIZE_MAX};
  check(kestrune::write_rotated_bitmap(bitmap, static_cast<std::uint16_t>(width),
                                       static_cast<std::uint16_t>(height), bytes_only) &&
        out.flush());
  check(written == kestrune::fontbuilder::turned_dot_by_dot(bitmap, width, height));
}

// The unpacking against a plain dot-at-a-time reading of the same runs, and
// the turn straight from the runs against the unpacked bitmap turned.
void check_unpacking(const std::vector<std::uint8_t>& bytes) {
  const auto width = static_cast<std::uint16_t>(bytes[10] << 8 | bytes[11]);
  const auto height = static_cast<std::uint16_t>(bytes[12] << 8 | bytes[13]);
  const std::span<const std::uint8_t> data(bytes.data() + 16, bytes.size() - 16);
  std::vector<std::uint8_t> bitmap;
  const kestrune::Unpacked result = kestrune::unpack_compressed_bitmap(data, width, height, bitmap);
  std::vector<std::uint8_t> turned;
  const kestrune::Unpacked turn = kestrune::turn_compressed_bitmap(data, width, height, turned);
  check(turn == result);
  if (result == kestrune::Unpacked::kDone) {
    check(turned == kestrune::fontbuilder::turned_dot_by_dot(bitmap, width, height));
  }
  if (result == kestrune::Unpacked::kTooLarge) {
    check(kestrune::bitmap_too_large(width, height));
    return;
  }
  const std::size_t stride = kestrune::row_stride(width);
  std::vector<std::uint8_t> expected(stride * height);
  std::size_t at = 0;
  for (std::size_t row = 0; row < height && at < data.size();) {
    const std::size_t copies = 1 + std::min<std::size_t>(data[at++], height - row - 1);
    std::size_t x = 0;
    for (int colour = 0; x < width && at < data.size(); colour ^= 1) {
      const std::size_t run = data[at++];
      if (x + run > width) {
        check(result == kestrune::Unpacked::kRunPastWidth);
        return;
      }
      for (std::size_t end = x + run; x < end; ++x) {
        for (std::size_t k = 0; k < copies; ++k) {
          if (colour == 1)
            expected[(row + k) * stride + x / 8] |= static_cast<std::uint8_t>(0x80U >> (x % 8));
        }
      }
    }
    row += copies;
  }
  check(result == kestrune::Unpacked::kDone && bitmap == expected);
}

// The reader of definitions over the same bytes: offsets move forward and
// stay inside the input, and a complete block holds a descriptor.
void check_definitions(std::span<const std::uint8_t> bytes) {
  const std::size_t size = bytes.size();
  kestrune::InputBuffer buffered(bytes);
  std::vector<std::uint8_t> buffer;
  kestrune::CharacterDefinition definition;
  std::uint64_t last_end = 0;
  while (!buffered.exhausted() &&
         kestrune::read_character_definition(buffered, buffer, definition)) {
    check(definition.start >= last_end && definition.start < definition.end &&
          definition.end <= size);
    if (definition.status == kestrune::DefinitionStatus::kComplete) {
      check(definition.block.size() >= 16 && definition.block.size() <= size);
    }
    last_end = definition.end;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  if (size > 0) {
    // Windows of 1 to 17 bytes put their edges everywhere in a small
    // input; the rest of the first byte's values pick the usual window.
    const std::size_t capacity =
        data[0] < 238 ? 1 + std::size_t{data[0]} % 17 : kestrune::InputBuffer::kDefaultCapacity;
    kestrune::InputBuffer in(bytes);
    kestrune::InputBuffer buffered(bytes, capacity);
    read_with_primitives(in, buffered);
    check_definitions(bytes);
  }
  // The same bytes as one character's data block; what the transforms write
  // and print is kept only until the next input.
  if (size >= 16) {
    static std::vector<std::uint8_t> written;
    static std::vector<std::uint8_t> printed;
    written.clear();
    printed.clear();
    kestrune::OutputBuffer out(written);
    kestrune::MessageSink messages(printed);
    kestrune::TransformContext context{out, messages, {}, {}};
    std::vector<std::uint8_t> block = bytes;
    kestrune::clean_row_fill(1, block, context);
    block = bytes;
    kestrune::rotate_character_to_landscape(1, block, context);
    out.flush();
    check_rotation(bytes);
    if (bytes[3] == 2) check_unpacking(bytes);  // the class byte of a compressed character
  }
  return 0;
}
