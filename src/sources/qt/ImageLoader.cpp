#include "sources/qt/ImageLoader.h"

#include "sources/heif/HeifDecoder.h"
#include "sources/poppler/PdfRender.h"
#include "sources/poppler/PopplerText.h"
#include "sources/qt/QtImage.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <filesystem>
#include <fstream>

namespace ImageLoader {
namespace {

const std::string pageSeparator = " \u2014 p";

std::vector<Page> pdfPages(const std::string& path, const std::string& name)
{
    const auto sizes = PdfRender::renderablePages(path, pdfScale);
    if (!sizes)
        return {};
    std::vector<Page> pages;
    pages.reserve(sizes->size());
    int position = 0;
    for (const PdfRender::PageSize& size : *sizes) {
        ++position;
        Page page;
        page.label = sizes->size() == 1 ? name : name + pageSeparator + std::to_string(position);
        // The text layer must be read from the page that was rendered, so pageIndex is the page's number in the
        // document even when an empty page before it was left out and the label counts on.
        const int number = size.pageNumber;
        page.loadImage = [path, number] { return PdfRender::render(path, number, pdfScale); };
        page.pdfPath = path;
        page.pageIndex = number;
        page.textWords = [path, number] { return PageText::layer(path, number, pdfScale); };
        pages.push_back(std::move(page));
    }
    return pages;
}

// A JPEG cut short still decodes, as a picture whose lower part is grey; it counts as unreadable instead. Scan data
// cannot hold an end-of-image marker (FF D9) or start-of-scan marker (FF DA), so a complete file meets an end
// marker before a scan marker when read backwards.
bool isTruncatedJpeg(const QByteArray& bytes)
{
    if (!bytes.startsWith("\xFF\xD8\xFF"))
        return false;
    for (qsizetype i = bytes.size() - 2; i >= 0; --i) {
        if (static_cast<unsigned char>(bytes[i]) != 0xFF)
            continue;
        const auto marker = static_cast<unsigned char>(bytes[i + 1]);
        if (marker == 0xD9)
            return false;
        if (marker == 0xDA)
            return true;
    }
    return true;
}

// A BMP states its file size in its header; fewer bytes on disk mean rows are missing.
bool isTruncatedBmp(const QByteArray& bytes)
{
    if (!bytes.startsWith("BM") || bytes.size() < 6)
        return false;
    const auto byte = [&](int i) { return std::uint32_t{static_cast<unsigned char>(bytes[i])}; };
    const std::uint32_t declared = byte(2) | byte(3) << 8 | byte(4) << 16 | byte(5) << 24;
    return declared > static_cast<std::uint64_t>(bytes.size());
}

// Qt shows a GIF whose first frame is cut short with the missing part blank. Walks the blocks up to the end of the
// first frame's data; running off the end means the frame is incomplete.
bool isTruncatedGif(const QByteArray& bytes)
{
    if (!bytes.startsWith("GIF8"))
        return false;
    const qsizetype size = bytes.size();
    const auto at = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const auto colourTable = [&](unsigned flags) { return (flags & 0x80) ? qsizetype{3} << ((flags & 7) + 1) : 0; };
    // Skips data sub-blocks from i; returns the position after the terminator, or -1 past the end.
    const auto skipBlocks = [&](qsizetype i) -> qsizetype {
        while (i < size && at(i) != 0)
            i += at(i) + 1;
        return i < size ? i + 1 : -1;
    };
    if (size < 13)
        return true;
    qsizetype i = 13 + colourTable(at(10));
    while (i >= 0 && i < size) {
        if (at(i) == 0x21) { // extension: label, then sub-blocks
            i = i + 2 <= size ? skipBlocks(i + 2) : -1;
        } else if (at(i) == 0x2C) { // image descriptor, colour table, LZW code size, then the frame's data
            if (i + 10 > size)
                return true;
            i += 10 + colourTable(at(i + 9)) + 1;
            return i > size || skipBlocks(i) < 0;
        } else {
            return true; // trailer or garbage before any frame
        }
    }
    return true;
}

// The format of the common picture files from their first bytes; empty for the rest, which Qt recognizes by their
// content.
QByteArray formatOf(const QByteArray& bytes)
{
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return "png";
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return "jpeg";
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return "gif";
    if (bytes.startsWith(QByteArrayView("II*\0", 4)) || bytes.startsWith(QByteArrayView("MM\0*", 4)))
        return "tiff";
    if (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return "webp";
    return {};
}

bool tooLarge(QSize size)
{
    return size.width() > maxImageSide || size.height() > maxImageSide
           || std::int64_t{size.width()} * size.height() > maxImagePixels;
}

std::optional<Image> decodeWithQt(const std::string& path)
{
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::ReadOnly) || file.size() <= 0)
        return std::nullopt;
    // Mapped, not read, where the file system allows: the truncation check and the decoder share the pages the
    // kernel already holds.
    const uchar* mapped = file.map(0, file.size());
    constexpr qint64 maxReadBytes = qint64{1} << 30; // a bigger file is no picture within the pixel limits
    QByteArray bytes = mapped ? QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), file.size())
                       : file.size() <= maxReadBytes ? file.readAll()
                                                     : QByteArray();
    if (bytes.isEmpty())
        return std::nullopt;
    if (isTruncatedJpeg(bytes) || isTruncatedBmp(bytes) || isTruncatedGif(bytes))
        return std::nullopt;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    // Naming the format spares Qt from loading every image plugin to ask which one reads the file.
    QImageReader reader(&buffer, formatOf(bytes));
    reader.setAutoTransform(true);
    // Qt's own guard, for formats whose header gives no size: the limit is in megabytes of decoded image.
    reader.setAllocationLimit(static_cast<int>(maxImagePixels * 4 / (1024 * 1024) + 1));
    const QSize size = reader.size();
    if (size.isValid() && tooLarge(size))
        return std::nullopt;
    QImage image;
    if (!reader.read(&image) || image.isNull() || tooLarge(image.size()))
        return std::nullopt;
    // The decoded image owns its pixels, so the mapping may go when the file closes.
    return QtImage::fromQImage(image);
}

std::optional<Image> decodePicture(const std::string& path)
{
    std::uint8_t head[32] = {};
    std::ifstream file(path, std::ios::binary);
    file.read(reinterpret_cast<char*>(head), sizeof head);
    if (!file && file.gcount() <= 0)
        return std::nullopt; // unreadable or empty
    if (HeifDecoder::recognizes(head, static_cast<int>(file.gcount())))
        return HeifDecoder::decode(path, maxImagePixels, maxImageSide);
    return decodeWithQt(path);
}

} // namespace

std::vector<Page> pages(const std::string& path, Pixels pixels)
{
    try {
        const std::filesystem::path location(path);
        std::error_code error;
        // Directories, devices and FIFOs never decode, and opening a FIFO would block.
        if (!std::filesystem::is_regular_file(location, error))
            return {};
        const std::string name = location.filename().string();
        if (isPdf(path))
            return pdfPages(path, name);

        auto image = decodePicture(path);
        if (!image || image->isNull())
            return {};
        Page page;
        page.label = name;
        if (pixels == Pixels::Keep) {
            page.loadImage = [image = std::move(*image)] { return std::optional<Image>(image); };
        } else {
            page.loadImage = [path]() -> std::optional<Image> {
                auto again = decodePicture(path);
                if (!again || again->isNull())
                    return std::nullopt;
                return again;
            };
        }
        return {std::move(page)};
    } catch (...) {
        return {};
    }
}
} // namespace ImageLoader
