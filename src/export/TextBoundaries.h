#pragma once

#include <string>
#include <string_view>
#include <vector>

// User-perceived characters and caseless comparison of UTF-8 text, which sheet names need. The core holds no
// Unicode character database, so these come from the desktop's library. Implementation: export/qt/QtText.h.
class TextBoundaries
{
public:
    virtual ~TextBoundaries() = default;
    // Returns the extended grapheme clusters of well-formed UTF-8 text, in order, as views into it.
    virtual std::vector<std::string_view> graphemes(std::string_view text) const = 0;
    // Returns a form of well-formed UTF-8 text that is equal for two texts exactly when they differ only in case.
    virtual std::string caseless(std::string_view text) const = 0;
};
