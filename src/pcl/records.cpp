#include "pcl/records.h"

namespace kestrune {

CharacterDescriptor decode_character_descriptor(std::span<const std::uint8_t, 16> bytes) {
  CharacterDescriptor d;
  d.format = bytes[0];
  d.continuation = bytes[1];
  d.descriptor_size = bytes[2];
  d.glyph_class = bytes[3];
  d.orientation = bytes[4];
  d.reserved = bytes[5];
  // Two's complement conversion from u16 is well defined since C++20.
  d.left_offset = static_cast<std::int16_t>(read_u16(bytes, 6));
  d.top_offset = static_cast<std::int16_t>(read_u16(bytes, 8));
  d.width = read_u16(bytes, 10);
  d.height = read_u16(bytes, 12);
  d.delta_x = static_cast<std::int16_t>(read_u16(bytes, 14));
  return d;
}

void encode_character_descriptor(const CharacterDescriptor& d, std::span<std::uint8_t, 16> bytes) {
  bytes[0] = d.format;
  bytes[1] = d.continuation;
  bytes[2] = d.descriptor_size;
  bytes[3] = d.glyph_class;
  bytes[4] = d.orientation;
  bytes[5] = d.reserved;
  write_u16(bytes, 6, static_cast<std::uint16_t>(d.left_offset));
  write_u16(bytes, 8, static_cast<std::uint16_t>(d.top_offset));
  write_u16(bytes, 10, d.width);
  write_u16(bytes, 12, d.height);
  write_u16(bytes, 14, static_cast<std::uint16_t>(d.delta_x));
}

std::string orientation_name(int orientation) {
  constexpr const char* kNames[] = {"portrait", "landscape", "reverse portrait",
                                    "reverse landscape"};
  const bool known = orientation >= 0 && orientation < 4;
  return std::to_string(orientation) + " (" +
         (known ? kNames[static_cast<std::size_t>(orientation)] : "unknown") + ")";
}

}  // namespace kestrune
