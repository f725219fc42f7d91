#include "sources/qt/QtImage.h"

#include <memory>

Image QtImage::fromQImage(const QImage& source)
{
    if (source.isNull())
        return {};
    QImage converted;
    Image::Format format;
    switch (source.format()) {
    case QImage::Format_Grayscale8:
        converted = source;
        format = Image::Format::Grey8;
        break;
    case QImage::Format_ARGB32:
    case QImage::Format_RGB32:
        converted = source;
        format = Image::Format::BGRA32;
        break;
    case QImage::Format_ARGB32_Premultiplied:
        converted = source;
        format = Image::Format::BGRA32Premultiplied;
        break;
    default:
        converted = source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        format = Image::Format::BGRA32;
        break;
    }
    // RGB32 stores 0xFF in the unused byte, so it reads as opaque BGRA.
    auto owner = std::make_shared<const QImage>(std::move(converted));
    Image image;
    image.width = owner->width();
    image.height = owner->height();
    image.stride = static_cast<int>(owner->bytesPerLine());
    image.format = format;
    image.pixels = owner->constBits();
    image.owner = owner;
    return image;
}

QImage QtImage::toQImage(const Image& image)
{
    if (image.isNull())
        return {};
    QImage::Format format = QImage::Format_Grayscale8;
    if (image.format == Image::Format::BGRA32)
        format = QImage::Format_ARGB32;
    else if (image.format == Image::Format::BGRA32Premultiplied)
        format = QImage::Format_ARGB32_Premultiplied;
    // The cleanup function owns a copy of the shared pointer, so the pixels outlive every QImage copy.
    auto* keepAlive = new std::shared_ptr<const void>(image.owner);
    return QImage(
        image.pixels, image.width, image.height, image.stride, format,
        [](void* p) { delete static_cast<std::shared_ptr<const void>*>(p); }, keepAlive);
}
