#pragma once

#include "export/TextBoundaries.h"

// Qt's Unicode data: QTextBoundaryFinder for grapheme clusters, full lower case then case folding for comparison.
class QtText final : public TextBoundaries
{
public:
    std::vector<std::string_view> graphemes(std::string_view text) const override;
    std::string caseless(std::string_view text) const override;
};
