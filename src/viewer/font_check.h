// kestrune-view --check: the lines of the book of rules' verdict on a font,
// one for each rule it breaks, for one file or a whole library of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "check/font_check.h"

namespace kestrune::view {

// One file checked, or not: one that cannot be opened is named with why.
struct CheckedFile {
  std::string name;
  bool opened = false;
  int open_error = 0;  // errno of the failed open
  bool seekable = true;
  std::optional<std::uint64_t> size;
  check::FontVerdict verdict;
};

// Checks the font `in` holds (at its start) under the name given.
CheckedFile check_file(InputBuffer& in, const std::string& name);
// A file that could not be opened, for `error`, an errno value.
CheckedFile unopened_file(const std::string& name, int error);

// 0 when no rule failed, 1 when one did, 2 when the file could not be
// opened or read to its end.
int check_status(const CheckedFile& file);
bool could_not_be_read(const CheckedFile& file);

// The file line, a FAIL or WARN line for each rule broken and a summary; or,
// for a file that could not be opened or read, the line saying where reading
// stopped.
void print_check(const CheckedFile& file, MessageSink& out);

// The files checked, for the last line and the status of them all.
struct CheckTotals {
  std::size_t files = 0;
  std::size_t with_fail = 0;
  std::size_t not_read = 0;

  void add(const CheckedFile& file);
  // 2 if any file could not be opened or read, else 1 if any rule failed, else 0.
  int status() const;
};
void print_totals(const CheckTotals& totals, MessageSink& out);

// The book of rules, one rule a line: its name, its verdicts, the printers
// that hold it and its mend.
void print_rule_book(MessageSink& out);

// The whole check of one font as text, as --check prints it; returns its status.
int check_font(InputBuffer& in, MessageSink& out, const std::string& name);

}  // namespace kestrune::view
