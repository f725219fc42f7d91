#pragma once

// Keeps Qt's own diagnostics (a decoder's "libpng error", a missing runtime directory) off the command line's
// standard error, which carries only Ambrel's messages. With AM_DEBUG set they pass as usual.
namespace QuietQt {
void install();
void uninstall();
} // namespace QuietQt
