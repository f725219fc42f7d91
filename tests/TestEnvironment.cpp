// Linked into every test program: fixes the environment before main runs, so that tests see the same locale,
// time zone and Qt platform on every machine. The OpenMP limit is set by CTest instead, because libgomp reads it
// when it is loaded, before any code of ours runs.
#include <cstdlib>

namespace {
const bool environmentFixed = [] {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::setenv("TZ", "Europe/Amsterdam", 1);
    return true;
}();
} // namespace
