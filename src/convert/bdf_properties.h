// The BDF properties of kestrune-convert's own: the PCL header's fields that
// no standard BDF property holds, written by the BDF writer and read back
// over what the reader works out, so that a PCL font taken to BDF and back
// keeps every field. The reader and the writer share this one table.
#pragma once

#include <cstdint>
#include <string_view>

#include "pcl/font_fields.h"

namespace kestrune::convert {

// BDF advances are whole dots. A glyph whose PCL advance is not is given a
// line "COMMENT PCL_DELTA_X <quarter dots>" after its DWIDTH, which other
// readers pass over and this program's reader takes.
inline constexpr std::string_view kBdfExactAdvance = "PCL_DELTA_X";

struct PclIntegerProperty {
  std::string_view name;
  int FontFields::*field;
  // What the field holds; a value outside is passed over with a warning.
  int lowest;
  int highest;
};

inline constexpr PclIntegerProperty kPclIntegerProperties[] = {
    {"PCL_TYPEFACE", &FontFields::typeface, 0, 65535},
    {"PCL_FONT_TYPE", &FontFields::font_type, 0, 255},
    {"PCL_STYLE", &FontFields::style, 0, 65535},
    {"PCL_STROKE_WEIGHT", &FontFields::stroke_weight, -128, 127},
    {"PCL_SPACING", &FontFields::spacing, 0, 255},
    {"PCL_PITCH", &FontFields::pitch, 0, 65535},
    {"PCL_HEIGHT", &FontFields::height, 0, 65535},
    {"PCL_X_HEIGHT", &FontFields::x_height, 0, 65535},
    {"PCL_CAP_HEIGHT", &FontFields::cap_height, 0, 65535},
    {"PCL_WIDTH_TYPE", &FontFields::width_type, -128, 127},
    {"PCL_SERIF_STYLE", &FontFields::serif_style, 0, 255},
    {"PCL_QUALITY", &FontFields::quality, 0, 255},
    {"PCL_PLACEMENT", &FontFields::placement, -128, 127},
    {"PCL_UNDERLINE_POSITION", &FontFields::underline_position, -128, 127},
    {"PCL_UNDERLINE_THICKNESS", &FontFields::underline_thickness, 0, 255},
    {"PCL_TEXT_HEIGHT", &FontFields::text_height, 0, 65535},
    {"PCL_TEXT_WIDTH", &FontFields::text_width, 0, 65535},
    {"PCL_PITCH_EXTENDED", &FontFields::pitch_extended, 0, 255},
    {"PCL_HEIGHT_EXTENDED", &FontFields::height_extended, 0, 255},
    {"PCL_BASELINE", &FontFields::baseline, 0, 65535},
    {"PCL_CELL_WIDTH", &FontFields::cell_width, 0, 65535},
    {"PCL_CELL_HEIGHT", &FontFields::cell_height, 0, 65535},
};

// The symbol set by its PCL name, e.g. "8U", a string.
inline constexpr std::string_view kPclSymbolSetProperty = "PCL_SYMBOL_SET";
// The 16-character name of the descriptor, a string.
inline constexpr std::string_view kPclFontNameProperty = "PCL_FONT_NAME";
// The 32-bit font number, an integer from 0 to 4294967295.
inline constexpr std::string_view kPclFontNumberProperty = "PCL_FONT_NUMBER";

}  // namespace kestrune::convert
