#pragma once

#include "sources/Image.h"

#include <QImage>

namespace QtImage {
// Wraps a QImage without copying when its format is one ours can read; other formats are converted first.
// The returned image keeps the QImage's buffer alive.
Image fromQImage(const QImage& image);
// Returns a QImage that shares the image's buffer (read-only) and keeps it alive.
QImage toQImage(const Image& image);
} // namespace QtImage
