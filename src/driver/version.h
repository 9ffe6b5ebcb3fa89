// The version both tools report: kestrune in its usage text, kestrune-view
// for --version.
#pragma once

#define KESTRUNE_VERSION "0.91beta"
