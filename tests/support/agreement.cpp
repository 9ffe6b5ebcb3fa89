#include "agreement.h"

#include <sstream>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "bytes/output.h"
#include "driver/options.h"
#include "driver/run.h"
#include "viewer/font_check.h"
#include "viewer/font_view.h"

namespace kestrune::testsupport {
namespace {

struct Printed {
  int status = 0;
  std::string text;
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// What `run` printed and returned, given a sink and the font's bytes.
template <typename Run>
Printed printed_by(std::span<const std::uint8_t> font, Run run) {
  std::vector<std::uint8_t> bytes;
  Printed printed;
  {
    MessageSink sink(bytes);
    InputBuffer in(font);
    printed.status = run(in, sink);
    flush_messages(sink);
  }
  printed.text.assign(bytes.begin(), bytes.end());
  return printed;
}

Printed viewed(std::span<const std::uint8_t> font) {
  return printed_by(font, [](InputBuffer& in, MessageSink& sink) {
    view::ViewOptions options;
    options.draw = false;
    return view::view_font(in, sink, options);
  });
}

Printed checked(std::span<const std::uint8_t> font) {
  return printed_by(
      font, [](InputBuffer& in, MessageSink& sink) { return view::check_font(in, sink, "font"); });
}

// kestrune -fix -l, as it reads a font after a PCL prefix.
Printed turned(std::span<const std::uint8_t> font) {
  return printed_by(font, [](InputBuffer& in, MessageSink& sink) {
    std::vector<std::uint8_t> written;
    OutputBuffer out(written);
    RunOptions options;
    options.landscape = true;
    options.fix = true;
    return run_font_phases(in, out, options, sink) ? 1 : -1;
  });
}

// The viewer's table: the codes of its rows, and how many hold a whole
// descriptor (their class column is not "-").
struct Rows {
  std::vector<int> codes;
  std::size_t complete = 0;
};

Rows table_rows(const std::string& text) {
  Rows rows;
  bool inside = false;
  for (const std::string& line : lines_of(text)) {
    // The table's rows are indented; its end is the first line that is not.
    // (Text before it, the header's extra bytes say, may read like anything.)
    if (inside && !line.starts_with(" ")) break;
    if (inside && !line.starts_with("  Skipped") && !line.starts_with("  Font control")) {
      std::istringstream fields(line);
      std::string code;
      std::string next;
      fields >> code >> next;
      if (next.starts_with("'")) fields >> next;  // the character, then the offset
      std::string glyph_class;
      fields >> glyph_class;
      rows.codes.push_back(std::stoi(code));
      if (glyph_class != "-") ++rows.complete;
    }
    inside = inside || line.starts_with("  code char");
  }
  return rows;
}

std::vector<int> found_codes(const std::string& text) {
  std::vector<int> codes;
  const std::string found = "Character code ";
  for (const std::string& line : lines_of(text)) {
    if (line.starts_with(found) && line.ends_with(" found.")) {
      codes.push_back(std::stoi(line.substr(found.size())));
    }
  }
  return codes;
}

std::size_t characters_checked(const std::string& text) {
  const std::vector<std::string> lines = lines_of(text);
  const std::string summary = lines.empty() ? "" : lines.back();
  const std::size_t at = summary.find("; ");
  if (!summary.starts_with("Summary: ") || at == std::string::npos) return SIZE_MAX;
  return std::stoul(summary.substr(at + 2));
}

bool fails(const std::string& check, const std::string& rule) {
  return check.find("\nFAIL " + rule + ":") != std::string::npos;
}

}  // namespace

std::string disagreement(std::span<const std::uint8_t> font) {
  const Printed view = viewed(font);
  const Printed check = checked(font);
  const Printed run = turned(font);
  const Rows rows = table_rows(view.text);
  std::string why;
  if (rows.complete != characters_checked(check.text)) {
    why += "the viewer lists other characters than the check checks\n";
  }
  const bool cut_or_no_header = fails(check.text, "cut-short") || fails(check.text, "font-header");
  if ((view.status == 1) != cut_or_no_header) {
    why += "the viewer's status and the check's cut-short and font-header disagree\n";
  }
  // kestrune reads on where printers find no header, and refuses the
  // descriptor sizes it does not take: only a font both read is compared.
  if (run.status == 1 && !fails(check.text, "font-header") && rows.codes != found_codes(run.text)) {
    why += "the viewer lists other definitions than kestrune -fix -l finds\n";
  }
  if (why.empty()) return why;
  return why + "--- viewer (" + std::to_string(view.status) + ")\n" + view.text + "--- check (" +
         std::to_string(check.status) + ")\n" + check.text + "--- kestrune -fix -l (" +
         std::to_string(run.status) + ")\n" + run.text;
}

}  // namespace kestrune::testsupport
