// The checked-in sample font is exactly what its generator makes.
#include <gtest/gtest.h>

#include "font_builder.h"
#include "run_tool.h"

namespace kestrune {
namespace {

TEST(SampleFont, MatchesItsGenerator) {
  const std::string path = testsupport::temp_dir() + "/sample.sfp";
  const testsupport::ToolResult result = testsupport::run_tool(MAKE_SAMPLE_FONT_EXE, {path});
  ASSERT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(fontbuilder::read_file(path), fontbuilder::read_file(SAMPLE_FONT))
      << "regenerate examples/sample.sfp with make_sample_font";
}

}  // namespace
}  // namespace kestrune
