// A face written as a PCL bitmap soft font: the font header with its
// descriptor and copyright text, then every glyph as a bitmap character in
// code order, through the one writer of characters.
#pragma once

#include <cstddef>

#include "bytes/output.h"
#include "convert/face.h"

namespace kestrune::convert {

// Which glyphs go out as compressed (class 2) characters. A compressed
// character goes in one data command: printers such as GhostPCL print a
// compressed character continued over several only as far as the first.
enum class CharacterClasses {
  kKeep,      // those that came compressed, where they fit one data command
  kCompress,  // those whose data is smaller than their rows and fits one
  kExpand,    // none
};

// The bytes write_pcl_font writes for the face, or a few more: a font made
// in memory takes its room at once, not twice over as it grows.
std::size_t pcl_font_size(const Face& face, CharacterClasses classes);

// Writes the font header alone: its descriptor, then as much of the
// copyright notice as the header's size of at most 32767 bytes leaves room
// for. False once the output has failed.
bool write_pcl_header(const Face& face, OutputBuffer& out);

// Writes the face, whose fields are finished (finish_fields). False once
// the output has failed.
bool write_pcl_font(const Face& face, CharacterClasses classes, OutputBuffer& out);

}  // namespace kestrune::convert
