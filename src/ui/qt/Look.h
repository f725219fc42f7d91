#pragma once

#include <QColor>
#include <QPalette>

// The look the windows share, following the palette so that it suits light and dark desktops.
namespace Look {
// Returns the colour of secondary text (dates, subtitles, footers): the text colour at 60 % over whatever lies
// beneath, so it also reads on a highlighted row.
inline QColor secondaryText(const QPalette& palette)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.6f);
    return color;
}
} // namespace Look
