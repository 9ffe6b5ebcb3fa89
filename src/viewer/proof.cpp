#include "viewer/proof.h"

#include <algorithm>

#include "viewer/text.h"

namespace kestrune::view {
namespace {

// Positions are in decipoints (1/720 inch), whatever the font's resolution.
constexpr int kDecipointsPerInch = 720;
constexpr int kLine = 120;           // a line of 12-point Courier
constexpr int kCourierAdvance = 72;  // 10 characters an inch
constexpr int kLabelAscent = 90;     // from a line's top to its baseline
constexpr int kGap = 60;
constexpr int kLargestPrintedCode = 255;  // single-byte text
constexpr std::size_t kCodesListed = 20;  // codes above 255 named in the heading

constexpr char kShiftOut = 14;  // text in the secondary font: Courier
constexpr char kShiftIn = 15;   // text in the primary font: the font proofed
constexpr char kFormFeed = 12;

// The printable area used, in decipoints: 7.5 x 10 inches on a portrait
// page, 10 x 7 on a landscape one, within both Letter and A4.
struct Page {
  int width;
  int height;
};

Page page_of(int orientation) { return orientation % 2 == 0 ? Page{5400, 7200} : Page{7200, 5040}; }

// One cell a character: its code, and under it a square in which the glyph's
// reference point is the centre.
struct Grid {
  int reach = 0;  // decipoints from the reference point to the square's sides
  int cell_width = 0;
  int cell_height = 0;
  int columns = 1;
};

Grid grid_of(const std::vector<ProofGlyph>& glyphs, int resolution, const Page& page) {
  int reach = 0;
  for (const ProofGlyph& glyph : glyphs) reach = std::max(reach, glyph.reach);
  Grid grid;
  // Rounded up, so that no dot passes the square.
  grid.reach =
      static_cast<int>((std::int64_t{reach} * kDecipointsPerInch + resolution - 1) / resolution);
  const int square = std::max(2 * grid.reach, 3 * kCourierAdvance);
  grid.cell_width = square + kGap;
  grid.cell_height = kLine + 2 * grid.reach + kGap;
  grid.columns = std::max(1, page.width / grid.cell_width);
  return grid;
}

void move_to(OutputBuffer& out, int x, int y) { write_text(out, formatted("\x1b&a%dh%dV", x, y)); }

void put_byte(OutputBuffer& out, char byte) { write_text(out, std::string_view(&byte, 1)); }

// A line of Courier at the left of the page; bytes that are not printable
// ASCII print as '?'.
void print_line(OutputBuffer& out, int line, const std::string& text) {
  move_to(out, 0, line * kLine + kLabelAscent);
  put_byte(out, kShiftOut);
  for (const char c : text) put_byte(out, c >= 32 && c < 127 ? c : '?');
}

// The glyphs in code order, each code once, the largest reach kept; those
// above 255 moved to `unprintable`.
std::vector<ProofGlyph> sorted_codes(std::vector<ProofGlyph> glyphs,
                                     std::vector<ProofGlyph>& unprintable) {
  std::sort(glyphs.begin(), glyphs.end(), [](const ProofGlyph& a, const ProofGlyph& b) {
    return a.code != b.code ? a.code < b.code : a.reach > b.reach;
  });
  glyphs.erase(
      std::unique(glyphs.begin(), glyphs.end(),
                  [](const ProofGlyph& a, const ProofGlyph& b) { return a.code == b.code; }),
      glyphs.end());
  const auto high = std::find_if(glyphs.begin(), glyphs.end(),
                                 [](const ProofGlyph& g) { return g.code > kLargestPrintedCode; });
  unprintable.assign(high, glyphs.end());
  glyphs.erase(high, glyphs.end());
  return glyphs;
}

// The heading; returns the lines it took.
int print_heading(OutputBuffer& out, const ProofFont& proof, std::size_t printable,
                  const std::vector<ProofGlyph>& unprintable) {
  std::vector<std::string> lines = proof.heading;
  lines.push_back("Characters: " + std::to_string(printable + unprintable.size()));
  // The codes the printer cannot be sent as single bytes.
  if (!unprintable.empty()) {
    std::string& line = lines.emplace_back("Not printable (codes above 255):");
    for (std::size_t i = 0; i < unprintable.size() && i < kCodesListed; ++i) {
      line += " " + std::to_string(unprintable[i].code);
    }
    if (unprintable.size() > kCodesListed) {
      line += " and " + std::to_string(unprintable.size() - kCodesListed) + " more";
    }
  }
  for (std::size_t i = 0; i < lines.size(); ++i) print_line(out, static_cast<int>(i), lines[i]);
  return static_cast<int>(lines.size());
}

// The code in Courier, then the glyph by transparent print, so that a
// control code prints as the font's character too.
void print_cell(OutputBuffer& out, const Grid& grid, int x, int y, int code) {
  const std::string label = std::to_string(code);
  const int square = grid.cell_width - kGap;
  move_to(out, x + (square - static_cast<int>(label.size()) * kCourierAdvance) / 2,
          y + kLabelAscent);
  put_byte(out, kShiftOut);
  write_text(out, label);
  move_to(out, x + square / 2, y + kLine + grid.reach);
  put_byte(out, kShiftIn);
  write_text(out, "\x1b&p1X");
  put_byte(out, static_cast<char>(code));
}

// The cells in rows across the page, a new page when one is full.
void print_cells(OutputBuffer& out, const std::vector<ProofGlyph>& glyphs, const Page& page,
                 const Grid& grid, int top) {
  int y = top;
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    const auto column = static_cast<int>(i % static_cast<std::size_t>(grid.columns));
    if (column == 0 && i > 0) {
      y += grid.cell_height;
      if (y + grid.cell_height > page.height) {
        put_byte(out, kFormFeed);
        y = 0;
      }
    }
    print_cell(out, grid, column * grid.cell_width, y, glyphs[i].code);
  }
}

// The font's bytes, as they are.
bool download(InputBuffer& font, std::uint64_t from, std::uint64_t size, OutputBuffer& out) {
  if (!font.seek(from)) return false;
  for (std::uint64_t left = size; left > 0;) {
    if (font.held().empty() && !font.refill()) return false;
    const std::span<const std::uint8_t> held = font.held();
    const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(left, held.size()));
    if (!out.write(held.first(take))) return false;
    font.take_held(take);
    left -= take;
  }
  return true;
}

}  // namespace

bool write_proof(InputBuffer& font, const ProofFont& proof, int font_id, OutputBuffer& out) {
  write_text(out, formatted("\033E\033&l%dO", proof.orientation));
  bool downloaded = true;
  if (proof.download_size > 0) {
    write_text(out, formatted("\x1b*c%dD", font_id));
    downloaded = download(font, proof.download_from, proof.download_size, out);
    // Temporary, so that the final reset deletes it; then the primary font.
    write_text(out, formatted("\x1b*c4F\x1b(%dX", font_id));
  }
  write_text(out, "\x1b)8U\x1b)s0p10h12v0s0b3T");
  std::vector<ProofGlyph> unprintable;
  const std::vector<ProofGlyph> glyphs = sorted_codes(proof.glyphs, unprintable);
  const int lines = print_heading(out, proof, glyphs.size(), unprintable);
  const Page page = page_of(proof.orientation);
  print_cells(out, glyphs, page, grid_of(glyphs, proof.resolution, page), lines * kLine + kGap);
  write_text(out, "\033E");
  return downloaded && !out.failed();
}

}  // namespace kestrune::view
