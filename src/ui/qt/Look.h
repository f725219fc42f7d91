#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
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

// Makes `label` a hint under a setting: wrapped, a little smaller, its text at 65 % of the text colour.
inline void makeHint(QLabel* label)
{
    label->setWordWrap(true);
    QFont small = label->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    label->setFont(small);
    QPalette faint = label->palette();
    QColor color = faint.color(QPalette::WindowText);
    color.setAlphaF(0.65f);
    faint.setColor(QPalette::WindowText, color);
    label->setPalette(faint);
}
} // namespace Look
