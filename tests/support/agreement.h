// The viewer, the check and kestrune held to each other on one font, each
// run in this process over the same bytes and judged by what it prints.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kestrune::testsupport {

// Empty when they agree: the characters the viewer lists are those the
// check checks and those kestrune -fix -l finds, and the viewer ends with 1
// exactly when the check FAILs cut-short or font-header. Else what differs,
// with what each printed.
std::string disagreement(std::span<const std::uint8_t> font);

}  // namespace kestrune::testsupport
