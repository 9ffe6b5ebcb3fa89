// The viewer's report of the font header: the fields a printer reads, the
// extra header bytes, and what a printer will make of them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "bytes/messages.h"
#include "softfont/header.h"

namespace kestrune::view {

// Bytes as a C string literal would show them.
std::string quoted(std::span<const std::uint8_t> bytes);

// The font's name from its descriptor, its trailing spaces dropped.
std::span<const std::uint8_t> font_name(const FontHeader& header);

// The header section: as much of the header as the tool read.
void print_header(const FontHeader& header, MessageSink& out);

}  // namespace kestrune::view
