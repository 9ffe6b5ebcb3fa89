#include "viewer/font_check.h"

#include <cstring>

#include "viewer/font_view.h"
#include "viewer/text.h"

namespace kestrune::view {
namespace {

std::string reason_of(int error) {
  return error != 0 ? std::string(" (") + std::strerror(error) + ")" : "";
}

}  // namespace

CheckedFile check_file(InputBuffer& in, const std::string& name) {
  CheckedFile file;
  file.name = name;
  file.opened = true;
  file.seekable = in.seekable();
  if (std::uint64_t size = 0; in.source_size(size)) file.size = size;
  if (!file.seekable) return file;
  FontReader font(in);
  file.verdict = check::check_font(font);
  return file;
}

CheckedFile unopened_file(const std::string& name, int error) {
  CheckedFile file;
  file.name = name;
  file.open_error = error;
  return file;
}

bool could_not_be_read(const CheckedFile& file) {
  return !file.opened || !file.seekable || file.verdict.ending == FontEnding::kReadError;
}

int check_status(const CheckedFile& file) {
  if (could_not_be_read(file)) return kStatusFailed;
  return file.verdict.fails() > 0 ? kStatusDamaged : kStatusComplete;
}

void print_check(const CheckedFile& file, MessageSink& out) {
  std::string title = "Font file: " + file.name;
  if (file.size) title += " (" + std::to_string(*file.size) + " bytes)";
  say(out, "%s\n", title.c_str());
  if (!file.opened) {
    say(out, "Reading stopped at byte 0: cannot open the file%s.\n",
        reason_of(file.open_error).c_str());
    return;
  }
  if (!file.seekable) {
    say(out, "Reading stopped at byte 0: the input is not a file that can be re-read (a pipe?).\n");
    return;
  }
  const check::FontVerdict& verdict = file.verdict;
  if (verdict.ending == FontEnding::kReadError) {
    say(out, "Reading stopped at byte %llu: read error%s.\n",
        static_cast<unsigned long long>(verdict.stopped_at), reason_of(verdict.read_error).c_str());
    return;
  }
  for (const check::Finding& finding : verdict.findings) {
    say(out, "%s %s: %s\n", std::string(check::verdict_name(finding.verdict)).c_str(),
        std::string(check::rule(finding.rule).name).c_str(), finding.text().c_str());
  }
  say(out, "Summary: %d FAIL, %d WARN; %zu character%s checked.\n", verdict.fails(),
      verdict.warns(), verdict.checked, verdict.checked == 1 ? "" : "s");
}

void CheckTotals::add(const CheckedFile& file) {
  ++files;
  if (could_not_be_read(file)) {
    ++not_read;
  } else if (file.verdict.fails() > 0) {
    ++with_fail;
  }
}

int CheckTotals::status() const {
  if (not_read > 0) return kStatusFailed;
  return with_fail > 0 ? kStatusDamaged : kStatusComplete;
}

void print_totals(const CheckTotals& totals, MessageSink& out) {
  say(out, "Total: %zu files; %zu with a FAIL; %zu could not be read.\n", totals.files,
      totals.with_fail, totals.not_read);
}

void print_rule_book(MessageSink& out) {
  for (const check::Rule& rule : check::rule_book()) {
    const std::string_view mend = check::mend_option(rule.mend);
    say(out, "%-24s %-10s %-40s %s\n", std::string(rule.name).c_str(),
        std::string(check::verdicts_name(rule)).c_str(), std::string(rule.held_by).c_str(),
        mend.empty() ? "no mend" : std::string(mend).c_str());
  }
}

int check_font(InputBuffer& in, MessageSink& out, const std::string& name) {
  const CheckedFile file = check_file(in, name);
  print_check(file, out);
  return check_status(file);
}

}  // namespace kestrune::view
