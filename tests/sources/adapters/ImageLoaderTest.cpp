#include "sources/qt/ImageLoader.h"

#include "LoaderFixtures.h"
#include "sources/poppler/PopplerText.h"

#include <QImage>
#include <QImageWriter>

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>

using namespace LoaderFixtures;

namespace {

const std::string dash = " \u2014 p";

class ImageLoaderTest : public ::testing::Test
{
protected:
    std::string at(const std::string& name) const { return m_dir.filePath(QString::fromStdString(name)).toStdString(); }

    // A 60 × 40 picture: red left half, blue right half, so that orientation and channel order both show.
    static QImage picture()
    {
        QImage image(60, 40, QImage::Format_RGB32);
        image.fill(Qt::red);
        for (int y = 0; y < 40; ++y)
            for (int x = 30; x < 60; ++x)
                image.setPixel(x, y, qRgb(0, 0, 255));
        return image;
    }

    std::string pdfWithText(const std::string& name, int pageCount)
    {
        std::vector<PageDrawing> pages;
        for (int i = 1; i <= pageCount; ++i)
            pages.push_back(
                [i](QPainter& p) { p.drawText(QPointF(20, 40), QString("Words on page %1 of the file").arg(i)); });
        writePdf(at(name), pages);
        return at(name);
    }

    QTemporaryDir m_dir;
};

// The B, G, R bytes of a pixel, whatever the image's layout.
std::array<int, 3> bgr(const Image& image, int x, int y)
{
    const std::uint8_t* p = image.row(y) + static_cast<std::ptrdiff_t>(x) * Image::bytesPerPixel(image.format);
    if (image.format == Image::Format::Grey8)
        return {p[0], p[0], p[0]};
    return {p[0], p[1], p[2]};
}

void expectRedBlue(const Image& image, const std::string& what, int tolerance = 40)
{
    ASSERT_EQ(image.width, 60) << what;
    ASSERT_EQ(image.height, 40) << what;
    const auto left = bgr(image, 10, 20);
    const auto right = bgr(image, 50, 20);
    EXPECT_NEAR(left[2], 255, tolerance) << what;
    EXPECT_NEAR(left[0], 0, tolerance) << what;
    EXPECT_NEAR(right[0], 255, tolerance) << what;
    EXPECT_NEAR(right[2], 0, tolerance) << what;
}

// Writes two frames of 60 × 40: red/blue halves, then all green.
void writeAnimatedGif(const std::string& path)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    ASSERT_NE(gif, nullptr);
    GifColorType colours[4] = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}, {0, 0, 0}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    ASSERT_EQ(EGifPutScreenDesc(gif, 60, 40, 2, 0, map), GIF_OK);
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_EQ(EGifPutImageDesc(gif, 0, 0, 60, 40, false, nullptr), GIF_OK);
        for (int y = 0; y < 40; ++y) {
            GifPixelType line[60];
            for (int x = 0; x < 60; ++x)
                line[x] = frame == 1 ? 2 : (x < 30 ? 0 : 1);
            ASSERT_EQ(EGifPutLine(gif, line, 60), GIF_OK);
        }
    }
    GifFreeMapObject(map);
    ASSERT_EQ(EGifCloseFile(gif, &error), GIF_OK);
}

} // namespace

TEST_F(ImageLoaderTest, OnePagePdfIsLabelledWithTheBareName)
{
    const auto pages = ImageLoader::pages(pdfWithText("report.pdf", 1));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].label, "report.pdf");
    EXPECT_EQ(pages[0].pageIndex, 1);
    EXPECT_EQ(pages[0].pdfPath, at("report.pdf"));
    const auto image = pages[0].image();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 1000);
}

TEST_F(ImageLoaderTest, PagesOfALongerPdfAreNumbered)
{
    pdfWithText("SCAN.PDF", 3);
    const auto pages = ImageLoader::pages(at("SCAN.PDF"));
    ASSERT_EQ(pages.size(), 3u);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(pages[k - 1].label, "SCAN.PDF" + dash + std::to_string(k));
        EXPECT_EQ(pages[k - 1].pageIndex, k);
    }
}

TEST_F(ImageLoaderTest, PdfPagesRenderOnlyWhenAsked)
{
    // The listing holds no pixels: once the file is gone, a page has nothing left to render.
    const auto pages = ImageLoader::pages(pdfWithText("lazy.pdf", 2));
    ASSERT_EQ(pages.size(), 2u);
    ASSERT_TRUE(pages[1].image());
    std::filesystem::remove(at("lazy.pdf"));
    EXPECT_FALSE(pages[0].image());
}

TEST_F(ImageLoaderTest, EmptyAndGiganticPdfPagesAreLeftOutButKeepTheirTextLayer)
{
    const std::string text = "BT /F1 12 Tf 20 700 Td (Text of the %s page of this document) Tj ET";
    auto content = [&](const char* which) {
        char buffer[128];
        std::snprintf(buffer, sizeof buffer, text.c_str(), which);
        return std::string(buffer);
    };
    writeHandPdf(at("gaps.pdf"), {{"0 0 612 792", content("first")},
                                  {"0 0 0 792", content("empty")},
                                  {"0 0 14400 14400", content("huge")},
                                  {"0 0 612 792", content("last")}});
    const auto pages = ImageLoader::pages(at("gaps.pdf"));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].label, "gaps.pdf" + dash + "1");
    EXPECT_EQ(pages[1].label, "gaps.pdf" + dash + "2");
    // The label counts on, but the text layer read for the second page is that of the page that was rendered.
    EXPECT_EQ(pages[1].pageIndex, 4);
    EXPECT_EQ(PageText::plain(*pages[1].pdfPath, *pages[1].pageIndex), "Text of the last page of this document");
    const auto image = pages[1].image();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 1530);
    EXPECT_EQ(image->height, 1980);
}

TEST_F(ImageLoaderTest, LockedPdfGivesNoPages)
{
    // A standard security handler whose user password is not empty: Poppler cannot open it without one.
    const std::string encrypt = "<< /Filter /Standard /V 1 /R 2 /Length 40 /P -4 "
                                "/O <0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef> "
                                "/U <fedcba9876543210fedcba9876543210fedcba9876543210fedcba9876543210> >>";
    writeHandPdf(at("locked.pdf"), {{"0 0 612 792", "BT /F1 12 Tf 20 700 Td (secret words of the page) Tj ET"}},
                 "/Encrypt 6 0 R /ID [<00112233445566778899aabbccddeeff> <00112233445566778899aabbccddeeff>]", encrypt);
    EXPECT_TRUE(ImageLoader::pages(at("locked.pdf")).empty());
    EXPECT_FALSE(PageText::plain(at("locked.pdf"), 1));
}

TEST_F(ImageLoaderTest, PicturesInEveryOfferedFormat)
{
    ensureGui();
    for (const char* format : {"png", "jpg", "tiff", "bmp", "webp"}) {
        const std::string file = at(std::string("picture.") + format);
        ASSERT_TRUE(QImageWriter(QString::fromStdString(file), format).write(picture())) << format;
        const auto pages = ImageLoader::pages(file);
        ASSERT_EQ(pages.size(), 1u) << format;
        EXPECT_EQ(pages[0].label, std::string("picture.") + format);
        EXPECT_FALSE(pages[0].pdfPath);
        EXPECT_FALSE(pages[0].pageIndex);
        const auto image = pages[0].image();
        ASSERT_TRUE(image) << format;
        expectRedBlue(*image, format);
    }
}

// A long list of pictures must not hold every decoded picture until its turn: a reloading page decodes its file again
// when asked, and a file that went bad in between gives no image rather than stale or broken pixels.
TEST_F(ImageLoaderTest, ReloadingPagesDecodeWhenAskedAndNoticeAChangedFile)
{
    ensureGui();
    ASSERT_TRUE(QImageWriter(QString::fromStdString(at("kept.png")), "png").write(picture()));
    ASSERT_TRUE(QImageWriter(QString::fromStdString(at("gone.png")), "png").write(picture()));
    ASSERT_TRUE(QImageWriter(QString::fromStdString(at("spoilt.png")), "png").write(picture()));

    const auto kept = ImageLoader::pages(at("kept.png"), ImageLoader::Pixels::Reload);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].label, "kept.png");
    expectRedBlue(*kept[0].image(), "first decode", 0);
    expectRedBlue(*kept[0].image(), "second decode", 0);

    const auto gone = ImageLoader::pages(at("gone.png"), ImageLoader::Pixels::Reload);
    const auto spoilt = ImageLoader::pages(at("spoilt.png"), ImageLoader::Pixels::Reload);
    const auto held = ImageLoader::pages(at("spoilt.png"));
    ASSERT_EQ(gone.size(), 1u);
    ASSERT_EQ(spoilt.size(), 1u);
    std::filesystem::remove(at("gone.png"));
    writeBytes(at("spoilt.png"), readBytes(at("kept.png")).substr(0, 60));
    EXPECT_FALSE(gone[0].image());
    EXPECT_FALSE(spoilt[0].image());
    // Pages that keep their pixels are unaffected by what happens to the file.
    expectRedBlue(*held[0].image(), "kept pixels", 0);

    EXPECT_TRUE(ImageLoader::pages(at("gone.png"), ImageLoader::Pixels::Reload).empty());
}

TEST_F(ImageLoaderTest, AnimatedGifGivesItsFirstFrame)
{
    writeAnimatedGif(at("anim.gif"));
    const std::string bytes = readBytes(at("anim.gif"));
    // Cut inside the second frame: the first is whole and still counts.
    writeBytes(at("anim-cut.gif"), bytes.substr(0, bytes.size() - 40));
    ASSERT_EQ(ImageLoader::pages(at("anim-cut.gif")).size(), 1u);
    expectRedBlue(*ImageLoader::pages(at("anim-cut.gif"))[0].image(), "cut gif", 0);
    const auto pages = ImageLoader::pages(at("anim.gif"));
    ASSERT_EQ(pages.size(), 1u);
    expectRedBlue(*pages[0].image(), "gif", 0);
}

TEST_F(ImageLoaderTest, HeicThroughLibheif)
{
    if (!heif_have_encoder_for_format(heif_compression_HEVC))
        GTEST_SKIP() << "libheif has no HEVC encoder here";
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    ASSERT_EQ(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code, heif_error_Ok);
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_image* image = nullptr;
    ASSERT_EQ(heif_image_create(60, 40, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code, heif_error_Ok);
    heif_image_add_plane(image, heif_channel_interleaved, 60, 40, 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            std::uint8_t* p = plane + y * stride + x * 3;
            p[0] = x < 30 ? 255 : 0;
            p[1] = 0;
            p[2] = x < 30 ? 0 : 255;
        }
    ASSERT_EQ(heif_context_encode_image(context, image, encoder, nullptr, nullptr).code, heif_error_Ok);
    ASSERT_EQ(heif_context_write_to_file(context, at("photo.heic").c_str()).code, heif_error_Ok);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);

    const auto pages = ImageLoader::pages(at("photo.heic"));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].label, "photo.heic");
    expectRedBlue(*pages[0].image(), "heic", 60);
}

namespace {

std::uint32_t crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

std::string bigEndian(std::uint32_t value)
{
    return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

std::string pngChunk(const std::string& type, const std::string& data)
{
    return bigEndian(static_cast<std::uint32_t>(data.size())) + type + data + bigEndian(crc32(type + data));
}

} // namespace

TEST_F(ImageLoaderTest, DecompressionBombsAreRefusedBeforeDecoding)
{
    // A PNG header that claims 100000 × 100000 pixels (40 GB decoded) over a few bytes of data.
    const std::string ihdr = bigEndian(100000) + bigEndian(100000) + std::string("\x08\x00\x00\x00\x00", 5);
    const std::string idat("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9);
    writeBytes(at("bomb.png"), std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", idat)
                                   + pngChunk("IEND", ""));
    EXPECT_TRUE(ImageLoader::pages(at("bomb.png")).empty());

    // A GIF whose logical screen is 65535 × 65535 with one small frame.
    int error = 0;
    GifFileType* gif = EGifOpenFileName(at("bomb.gif").c_str(), false, &error);
    ASSERT_NE(gif, nullptr);
    GifColorType colours[2] = {{0, 0, 0}, {255, 255, 255}};
    ColorMapObject* map = GifMakeMapObject(2, colours);
    EGifPutScreenDesc(gif, 65535, 65535, 1, 0, map);
    EGifPutImageDesc(gif, 0, 0, 2, 2, false, nullptr);
    GifPixelType line[2] = {0, 1};
    EGifPutLine(gif, line, 2);
    EGifPutLine(gif, line, 2);
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
    EXPECT_TRUE(ImageLoader::pages(at("bomb.gif")).empty());
}

TEST_F(ImageLoaderTest, BadInputsGiveNoPages)
{
    ensureGui();
    // Cut files: Qt would show the part that arrived of a JPEG, BMP or GIF frame, the rest blank.
    for (const char* format : {"png", "jpg", "bmp"}) {
        const std::string whole = at(std::string("whole.") + format);
        ASSERT_TRUE(QImageWriter(QString::fromStdString(whole), format).write(picture())) << format;
        const std::string bytes = readBytes(whole);
        writeBytes(at(std::string("cut.") + format), bytes.substr(0, bytes.size() * 2 / 3));
    }
    writeAnimatedGif(at("whole.gif"));
    writeBytes(at("cut.gif"), readBytes(at("whole.gif")).substr(0, 60));
    writeBytes(at("empty.jpg"), "");
    writeBytes(at("empty.pdf"), "");
    writeBytes(at("notes.png"), "These are notes, not a picture.\n");
    writeBytes(at("notes.pdf"), "These are notes, not a PDF.\n");
    writeBytes(at("cut.pdf"), "%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n2 0 obj\n<< /Ty");
    writeBytes(at("fake.heic"), std::string("\0\0\0\x18"
                                            "ftypheic\0\0\0\0mif1heic",
                                            24));
    std::filesystem::create_directory(at("folder.png"));
    std::filesystem::create_directory(at("folder.pdf"));
    // Opening a FIFO for reading blocks until a writer comes: the loader must not even try.
    ASSERT_EQ(mkfifo(at("pipe.png").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(at("pipe.pdf").c_str(), 0600), 0);

    for (const char* name :
         {"cut.png", "cut.jpg", "cut.bmp", "cut.gif", "empty.jpg", "empty.pdf", "notes.png", "notes.pdf", "cut.pdf",
          "fake.heic", "folder.png", "folder.pdf", "pipe.png", "pipe.pdf", "missing.png", "missing.pdf"})
        EXPECT_TRUE(ImageLoader::pages(at(name)).empty()) << name;
    EXPECT_TRUE(ImageLoader::pages("").empty());
}
