// The version kestrune's usage text names, byte for byte as the tool has
// always printed it (scripts in use read it). The package's version, which
// kestrune-view --version reports, is the project's VERSION in the top
// CMakeLists.txt, given to the viewer's compiler as KESTRUNE_PACKAGE_VERSION.
#pragma once

#define KESTRUNE_USAGE_VERSION "0.91beta"
