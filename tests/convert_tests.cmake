# The converter's tests: its readers and writers of BDF and PCL fonts, the
# symbol sets, and whole runs of kestrune-convert.
add_executable(kestrune_convert_tests
  convert/symbol_sets_test.cpp
  convert/face_test.cpp
  convert/bdf_reader_test.cpp
  convert/bdf_face_test.cpp
  convert/bdf_writer_test.cpp
  convert/pcl_face_test.cpp
  convert/pack_test.cpp
  convert/convert_test.cpp
  convert/png_face_test.cpp
  convert/png_convert_test.cpp
)
target_link_libraries(kestrune_convert_tests PRIVATE
  kestrune_convert kestrune_testsupport kestrune_fontbuilder GTest::gtest GTest::gtest_main)
target_compile_options(kestrune_convert_tests PRIVATE ${KESTRUNE_TEST_CODE_OPTIONS})
target_precompile_headers(kestrune_convert_tests PRIVATE <gtest/gtest.h>)
target_compile_definitions(kestrune_convert_tests PRIVATE
  SAMPLE_FONT="${PROJECT_SOURCE_DIR}/examples/sample.sfp"
  README_FILE="${PROJECT_SOURCE_DIR}/README.md"
  KESTRUNE_CONVERT_EXE="$<TARGET_FILE:kestrune-convert>")
add_dependencies(kestrune_convert_tests kestrune-convert)
gtest_discover_tests(kestrune_convert_tests DISCOVERY_TIMEOUT 30 ${KESTRUNE_TEST_ENVIRONMENT})
