#include "app/Credits.h"

#include <ZXing/ZXVersion.h>

namespace Credits {
std::string zxingVersion()
{
    // ZXing reports no version at run time; the one built against is the one linked, as its soname follows it.
    return std::to_string(ZXING_VERSION_MAJOR) + '.' + std::to_string(ZXING_VERSION_MINOR) + '.'
           + std::to_string(ZXING_VERSION_PATCH);
}
} // namespace Credits
