#include "sources/qt/ImageLoader.h"

#include "sources/Confined.h"
#include "sources/heif/HeifDecoder.h"
#include "sources/poppler/PdfRender.h"
#include "sources/poppler/PopplerText.h"
#include "sources/qt/QtImage.h"

#include <QBuffer>
#include <QImageReader>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace ImageLoader {
namespace {

const std::string pageSeparator = " \u2014 p";

const std::string tooLargeToRead = "too large to read";
const std::string couldNotRead = "could not read";

std::vector<Page> pdfPages(const std::string& path, const std::string& name, std::string* problem)
{
    const auto sizes = PdfRender::renderablePages(path, pdfScale);
    if (!sizes) {
        if (problem)
            *problem = couldNotRead;
        return {};
    }
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
        page.loadImage = [path, number, name, problem = page.problem]() -> std::optional<Image> {
            PdfRender::Rendered rendered = PdfRender::renderPage(path, number, pdfScale);
            if (!rendered.image)
                *problem = "page " + std::to_string(number) + " of " + name + ": "
                           + (rendered.tooLarge ? tooLargeToRead : couldNotRead);
            return std::move(rendered.image);
        };
        page.pixels = std::uint64_t(std::max(0, size.width)) * std::uint64_t(std::max(0, size.height));
        page.pdfPath = path;
        page.pageIndex = number;
        page.textWords = [path, number] { return PageText::layer(path, number, pdfScale); };
        pages.push_back(std::move(page));
    }
    // A page renders while its text layer is read, each in a helper of its own.
    Confined::prepare(2);
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

// The bytes of a regular file, mapped where the file system allows. The name is used as the bytes it is, so any
// name the file system holds opens.
class FileBytes
{
public:
    explicit FileBytes(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return;
        struct stat status
        {};
        constexpr off_t maxBytes = off_t{1} << 30; // a bigger file is no picture within the pixel limits
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0 && status.st_size <= maxBytes) {
            Confined::allow(static_cast<std::uint64_t>(status.st_size)); // the mapping counts as memory
            void* mapped = ::mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (mapped != MAP_FAILED) {
                m_mapped = mapped;
                m_size = static_cast<std::size_t>(status.st_size);
                m_bytes = QByteArray::fromRawData(static_cast<const char*>(mapped), static_cast<qsizetype>(m_size));
            }
        }
        ::close(fd);
    }
    ~FileBytes()
    {
        if (m_mapped)
            ::munmap(m_mapped, m_size);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    const QByteArray& bytes() const { return m_bytes; }

private:
    void* m_mapped = nullptr;
    std::size_t m_size = 0;
    QByteArray m_bytes;
};

struct Probe
{
    bool readable = false;
    QSize size; // when the header gives it
};

// Looks at a picture's header, without decoding its pixels: whether it can be a complete picture, and its size.
Probe probe(const QByteArray& bytes)
{
    if (bytes.isEmpty() || isTruncatedJpeg(bytes) || isTruncatedBmp(bytes) || isTruncatedGif(bytes))
        return {};
    if (HeifDecoder::recognizes(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                static_cast<int>(std::min<qsizetype>(bytes.size(), 32))))
        return {true, {}};
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, formatOf(bytes));
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};
    return {true, reader.size()};
}

std::optional<Image> decodeWithQt(const QByteArray& mapped)
{
    // Qt reads from a QBuffer; the copy shares the mapped pages rather than their contents.
    QByteArray bytes = mapped;
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
    // The decoder's buffer, its conversion and the reply.
    Confined::allow(size.isValid() ? std::uint64_t{3} * 4 * static_cast<std::uint64_t>(size.width()) * size.height()
                                   : std::uint64_t{3} * 4 * maxImagePixels);
    QImage image;
    if (!reader.read(&image) || image.isNull() || tooLarge(image.size()))
        return std::nullopt;
    return QtImage::fromQImage(image);
}

std::optional<Image> decodePicture(const std::string& path)
{
    const FileBytes file(path);
    if (!probe(file.bytes()).readable)
        return std::nullopt;
    const auto* head = reinterpret_cast<const std::uint8_t*>(file.bytes().constData());
    if (HeifDecoder::recognizes(head, static_cast<int>(std::min<qsizetype>(file.bytes().size(), 32)))) {
        Confined::allow(std::uint64_t{3} * 4 * maxImagePixels);
        return HeifDecoder::decode(path, maxImagePixels, maxImageSide);
    }
    return decodeWithQt(file.bytes());
}

// "W H" of a picture whose header gives its size, "0 0" for one whose header does not.
const Confined::Job probeJob{"picture-probe", [](std::string_view path) -> std::optional<std::string> {
                                 const FileBytes file{std::string(path)};
                                 const Probe found = probe(file.bytes());
                                 if (!found.readable)
                                     return std::nullopt;
                                 const QSize size = found.size.isValid() ? found.size : QSize(0, 0);
                                 return std::to_string(size.width()) + ' ' + std::to_string(size.height());
                             }};

const Confined::Job decodeJob{"picture-decode", [](std::string_view path) -> std::optional<std::string> {
                                  const auto image = decodePicture(std::string(path));
                                  if (!image || image->isNull())
                                      return std::nullopt;
                                  return Confined::packImage(*image);
                              }};

struct Decoded
{
    std::optional<Image> image;
    std::string problem; // when there is no image
};

Decoded decodeConfined(const std::string& path)
{
    Confined::Reply reply = decodeJob.run(path);
    if (reply.outcome == Confined::Outcome::TooLarge)
        return {std::nullopt, tooLargeToRead};
    std::optional<Image> image =
        reply.outcome == Confined::Outcome::Done ? Confined::unpackImage(std::move(reply.bytes)) : std::nullopt;
    if (!image)
        return {std::nullopt, couldNotRead};
    return {std::move(image), {}};
}

// Why a picture cannot be listed, or nothing when its header promises a readable picture within the limits; then
// `pixels` is the picture's size from its header.
std::string refusal(const std::string& path, std::uint64_t& pixels)
{
    const Confined::Reply reply = probeJob.run(path);
    if (reply.outcome == Confined::Outcome::TooLarge)
        return tooLargeToRead;
    if (reply.outcome != Confined::Outcome::Done)
        return couldNotRead;
    int width = 0;
    int height = 0;
    const char* end = reply.bytes.data() + reply.bytes.size();
    const auto parsed = std::from_chars(reply.bytes.data(), end, width);
    std::from_chars(std::min(parsed.ptr + 1, end), end, height);
    pixels = std::uint64_t(std::max(0, width)) * std::uint64_t(std::max(0, height));
    if (tooLarge(QSize(width, height)))
        return tooLargeToRead + " (" + std::to_string(width) + " \u00D7 " + std::to_string(height) + " pixels; at most "
               + std::to_string(maxImageSide) + " a side and " + std::to_string(maxImagePixels / 1'000'000)
               + " megapixels)";
    return {};
}

} // namespace

std::vector<Page> pages(const std::string& path, Pixels pixels, std::string* problem)
{
    std::string ignored;
    std::string& why = problem ? *problem : ignored;
    try {
        const std::filesystem::path location(path);
        std::error_code error;
        // Directories, devices and FIFOs never decode, and opening a FIFO would block.
        const std::filesystem::file_status status = std::filesystem::status(location, error);
        if (!std::filesystem::exists(status)) {
            why = "not found";
            return {};
        }
        if (!std::filesystem::is_regular_file(status)) {
            why = "not a regular file";
            return {};
        }
        const std::string name = location.filename().string();
        if (isPdf(path))
            return pdfPages(path, name, &why);

        Page page;
        page.label = name;
        why = refusal(path, page.pixels);
        if (!why.empty())
            return {};
        if (pixels == Pixels::Keep) {
            Decoded decoded = decodeConfined(path);
            if (!decoded.image) {
                why = decoded.problem;
                return {};
            }
            page.loadImage = [image = std::move(*decoded.image)] { return std::optional<Image>(image); };
        } else {
            page.loadImage = [path, name, problem = page.problem]() -> std::optional<Image> {
                Decoded decoded = decodeConfined(path);
                if (!decoded.image)
                    *problem = name + ": " + decoded.problem;
                return std::move(decoded.image);
            };
        }
        return {std::move(page)};
    } catch (...) {
        why = couldNotRead;
        return {};
    }
}
} // namespace ImageLoader
