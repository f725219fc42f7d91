#include "app/Credits.h"

#include <gif_lib.h>

namespace Credits {
std::string giflibVersion()
{
    // giflib has no run-time version call; its soname changes with the major version.
    return std::to_string(GIFLIB_MAJOR) + '.' + std::to_string(GIFLIB_MINOR) + '.' + std::to_string(GIFLIB_RELEASE);
}
} // namespace Credits
