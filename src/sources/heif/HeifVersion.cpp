#include "app/Credits.h"

#include <libheif/heif.h>

namespace Credits {
std::string libheifVersion()
{
    return heif_get_version();
}
} // namespace Credits
