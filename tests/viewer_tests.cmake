# kestrune-view's tests: their own executable, on the viewer's library, the
# test support and stb (to read the contact sheet back). Included from
# tests/CMakeLists.txt; the viewer's targets are defined later, in
# src/viewer/, which is fine for linking and generator expressions.

add_executable(kestrune_viewer_tests viewer_test.cpp check_test.cpp agreement_test.cpp)
target_link_libraries(kestrune_viewer_tests PRIVATE
  kestrune_view kestrune_agreement kestrune_testsupport kestrune_png GTest::gtest GTest::gtest_main)
target_compile_options(kestrune_viewer_tests PRIVATE ${KESTRUNE_TEST_CODE_OPTIONS})
target_precompile_headers(kestrune_viewer_tests PRIVATE <gtest/gtest.h>)
target_compile_definitions(kestrune_viewer_tests PRIVATE
  KESTRUNE_EXE="$<TARGET_FILE:kestrune>"
  KESTRUNE_VIEW_EXE="$<TARGET_FILE:kestrune-view>"
  SAMPLE_FONT="${PROJECT_SOURCE_DIR}/examples/sample.sfp"
  KESTRUNE_BUILD_DIR="${PROJECT_BINARY_DIR}"
  KESTRUNE_PACKAGE_VERSION="${PROJECT_VERSION}"
  CMAKE_EXE="${CMAKE_COMMAND}")
add_dependencies(kestrune_viewer_tests kestrune kestrune-view)
if(KESTRUNE_JSON_FOUND)
  target_link_libraries(kestrune_viewer_tests PRIVATE kestrune_json)
  target_compile_definitions(kestrune_viewer_tests PRIVATE KESTRUNE_HAVE_JSON)
endif()
gtest_discover_tests(kestrune_viewer_tests DISCOVERY_TIMEOUT 30 ${KESTRUNE_TEST_ENVIRONMENT})
