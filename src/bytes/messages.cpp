#include "bytes/messages.h"

#include <charconv>
#include <cstring>

#include "platform/files.h"

namespace kestrune {

MessageSink::MessageSink(std::FILE* stream) : text(stream), at_once(is_terminal(stream)) {}

MessageSink::MessageSink(std::vector<std::uint8_t>& memory) : text(memory) {}

void print_text(MessageSink& sink, std::string_view text) {
  sink.text.write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
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

void print_character_progress(MessageSink& sink, int code, std::string_view what) {
  constexpr std::string_view kLead = "Character code ";
  constexpr std::size_t kLongestWhat = 32;
  constexpr std::size_t kLongestLine = kLead.size() + 11 + 1 + kLongestWhat + 1;
  what = what.substr(0, kLongestWhat);
  // A line for every character: it is built where it goes when there is room.
  char spare[kLongestLine];
  std::uint8_t* const room = sink.text.room(kLongestLine);
  char* const line = room != nullptr ? reinterpret_cast<char*>(room) : spare;
  std::memcpy(line, kLead.data(), kLead.size());
  char* at = std::to_chars(line + kLead.size(), line + kLongestLine, code).ptr;
  *at++ = ' ';
  std::memcpy(at, what.data(), what.size());
  at += what.size();
  *at++ = '\n';
  const auto length = static_cast<std::size_t>(at - line);
  if (room != nullptr) {
    sink.text.commit(length);
    if (sink.at_once) flush_messages(sink);
  } else {
    print_text(sink, std::string_view(line, length));
  }
}

void flush_messages(MessageSink& sink) {
  sink.text.flush();
  if (sink.text.file() != nullptr) std::fflush(sink.text.file());
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
