#include "bytes/messages.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "pcl/decimal.h"
#include "platform/files.h"

namespace kestrune {

MessageSink::MessageSink(std::FILE* stream) : text(stream), at_once(is_terminal(stream)) {}

MessageSink::MessageSink(std::vector<std::uint8_t>& memory) : text(memory) {}

void print_text(MessageSink& sink, std::string_view text) {
  // A failure to print is not the font's failure: it is not reported, and
  // later text is tried again.
  sink.text.failed = false;
  write_bytes(sink.text,
              std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  if (sink.at_once) flush_messages(sink);
}

void print_text(MessageSink& sink, std::string_view before, std::int64_t number,
                std::string_view after) {
  char digits[20];  // at most 20 characters, sign included
  const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  print_text(sink, before);
  print_text(sink, std::string_view(digits, static_cast<std::size_t>(end - digits)));
  print_text(sink, after);
}

namespace {

// Copies `count` bytes (at most 16) as one or two fixed-size copies that
// overlap, which the compiler makes into plain loads and stores: the words
// of a progress line are short, and a library call would cost more than the
// copy.
void copy_short(char* to, const char* from, std::size_t count) {
  if (count >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + count - 8, from + count - 8, 8);
  } else if (count >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + count - 4, from + count - 4, 4);
  } else {
    for (std::size_t i = 0; i < count; ++i) to[i] = from[i];
  }
}

}  // namespace

void print_character_progress(MessageSink& sink, int code, std::string_view what) {
  // The lead with a spare byte, so that it goes as one 16-byte copy; the
  // code's first character then takes the spare byte's place.
  static constexpr char kLead[16] = "Character code ";
  constexpr std::size_t kLeadSize = sizeof kLead - 1;
  constexpr std::size_t kLongestWhat = 32;
  what = what.substr(0, kLongestWhat);
  std::uint8_t spare[kLeadSize + kLongestDecimal + 1 + kLongestWhat + 1];
  sink.text.failed = false;  // as in print_text
  write_built(sink.text, spare, sizeof spare, [&](std::uint8_t* bytes) {
    char* const line = reinterpret_cast<char*>(bytes);
    std::memcpy(line, kLead, sizeof kLead);
    // The line has room for the cache's 16-byte copy.
    char* at = write_decimal_cached(line + kLeadSize, code, sink.code_digits);
    *at++ = ' ';
    if (what.size() <= 16) {
      copy_short(at, what.data(), what.size());
    } else {
      std::memcpy(at, what.data(), what.size());
    }
    at += what.size();
    *at++ = '\n';
    return static_cast<std::size_t>(at - line);
  });
  if (sink.at_once) flush_messages(sink);
}

void flush_messages(MessageSink& sink) {
  flush_output(sink.text);
  if (sink.text.file != nullptr) std::fflush(sink.text.file);
}

void report_read_error(MessageSink& sink) {
  print_text(sink, "Error: Could not read input file.\n");
}

void report_system_reason(MessageSink& sink, int error) {
  if (error == 0) return;
  print_text(sink, "Warning: The system's reason: ");
  print_text(sink, std::strerror(error));
  print_text(sink, ".\n");
}

void report_write_error(MessageSink& sink, int error) {
  report_system_reason(sink, error);
  print_text(sink, "Error: Could not write output file.\n");
}

}  // namespace kestrune
