#include "app/Credits.h"

#include <poppler-version.h>

namespace Credits {
std::string popplerVersion()
{
    return poppler::version_string();
}
} // namespace Credits
