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

    // Writes a 60 × 40 picture, red left half and blue right half, so that orientation and channel order both show.
    std::string writePicture(const std::string& name, const char* format)
    {
        Drawn::ensureApplication();
        QImage image(60, 40, QImage::Format_RGB32);
        image.fill(Qt::red);
        for (int y = 0; y < 40; ++y)
            for (int x = 30; x < 60; ++x)
                image.setPixel(x, y, qRgb(0, 0, 255));
        EXPECT_TRUE(QImageWriter(QString::fromStdString(at(name)), format).write(image)) << name;
        return at(name);
    }

    // Writes a GIF of 60 × 40 frames, red/blue halves then all green, on a logical screen of the given size.
    std::string writeGif(const std::string& name, int frames, int screenWidth = 60, int screenHeight = 40)
    {
        int error = 0;
        GifFileType* gif = EGifOpenFileName(at(name).c_str(), false, &error);
        EXPECT_NE(gif, nullptr);
        GifColorType colours[4] = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}, {0, 0, 0}};
        ColorMapObject* map = GifMakeMapObject(4, colours);
        EGifSetGifVersion(gif, true);
        EXPECT_EQ(EGifPutScreenDesc(gif, screenWidth, screenHeight, 2, 0, map), GIF_OK);
        for (int frame = 0; frame < frames; ++frame) {
            EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, 60, 40, false, nullptr), GIF_OK);
            for (int y = 0; y < 40; ++y) {
                GifPixelType line[60];
                for (int x = 0; x < 60; ++x)
                    line[x] = frame == 1 ? 2 : (x < 30 ? 0 : 1);
                EXPECT_EQ(EGifPutLine(gif, line, 60), GIF_OK);
            }
        }
        GifFreeMapObject(map);
        EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
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

void expectRedBlue(const std::optional<Image>& image, const std::string& what, int tolerance = 0)
{
    ASSERT_TRUE(image) << what;
    ASSERT_EQ(image->width, 60) << what;
    ASSERT_EQ(image->height, 40) << what;
    const auto left = bgr(*image, 10, 20);
    const auto right = bgr(*image, 50, 20);
    EXPECT_NEAR(left[2], 255, tolerance) << what;
    EXPECT_NEAR(left[0], 0, tolerance) << what;
    EXPECT_NEAR(right[0], 255, tolerance) << what;
    EXPECT_NEAR(right[2], 0, tolerance) << what;
}

std::string textPage(const std::string& words)
{
    return "BT /F1 12 Tf 20 700 Td (" + words + ") Tj ET";
}

} // namespace

// Pages are listed from the file's page sizes alone and rendered when asked; an empty or gigantic page is left out
// but the labels count on, and a page's text layer is read from the page that was rendered.
TEST_F(ImageLoaderTest, PdfPagesAreListedWithoutTheUnrenderableOnesAndRenderOnlyWhenAsked)
{
    writeHandPdf(at("one.pdf"), {{"0 0 612 792", textPage("The only page")}});
    EXPECT_EQ(ImageLoader::pages(at("one.pdf")).at(0).label, "one.pdf");

    writeHandPdf(at("gaps.pdf"), {{"0 0 612 792", textPage("Text of the first page of this document")},
                                  {"0 0 0 792", textPage("Text of the empty page of this document")},
                                  {"0 0 14400 14400", textPage("Text of the huge page of this document")},
                                  {"0 0 612 792", textPage("Text of the last page of this document")}});
    const auto pages = ImageLoader::pages(at("gaps.pdf"));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].label, "gaps.pdf" + dash + "1");
    EXPECT_EQ(pages[1].label, "gaps.pdf" + dash + "2");
    EXPECT_EQ(pages[0].pageIndex, 1);
    EXPECT_EQ(pages[1].pageIndex, 4);
    const auto layer = PageText::layer(*pages[1].pdfPath, *pages[1].pageIndex, ImageLoader::pdfScale);
    EXPECT_EQ(layer.value_or(PageText::Layer{}).text, "Text of the last page of this document");
    const auto image = pages[1].image();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 1530);
    EXPECT_EQ(image->height, 1980);
    // The listing holds no pixels: once the file is gone, a page has nothing left to render.
    std::filesystem::remove(at("gaps.pdf"));
    EXPECT_FALSE(pages[0].image());
}

TEST_F(ImageLoaderTest, PicturesInEveryOfferedFormat)
{
    for (const char* format : {"png", "jpg", "tiff", "bmp", "webp"}) {
        const auto pages = ImageLoader::pages(writePicture(std::string("picture.") + format, format));
        ASSERT_EQ(pages.size(), 1u) << format;
        EXPECT_EQ(pages[0].label, std::string("picture.") + format);
        expectRedBlue(pages[0].image(), format, 40);
    }
    // An animated GIF gives its first frame, also when cut inside the second.
    const std::string gif = readFile(writeGif("anim.gif", 2));
    writeFile(at("anim-cut.gif"), gif.substr(0, gif.size() - 40));
    for (const char* name : {"anim.gif", "anim-cut.gif"}) {
        const auto pages = ImageLoader::pages(at(name));
        ASSERT_EQ(pages.size(), 1u) << name;
        expectRedBlue(pages[0].image(), name);
    }
}

// A long list of pictures must not hold every decoded picture until its turn: a reloading page decodes its file again
// when asked, and a file that went bad in between gives no image rather than stale or broken pixels.
TEST_F(ImageLoaderTest, ReloadingPagesDecodeWhenAskedAndNoticeAChangedFile)
{
    const auto kept = ImageLoader::pages(writePicture("kept.png", "png"), ImageLoader::Pixels::Reload);
    const auto gone = ImageLoader::pages(writePicture("gone.png", "png"), ImageLoader::Pixels::Reload);
    const auto spoilt = ImageLoader::pages(writePicture("spoilt.png", "png"), ImageLoader::Pixels::Reload);
    const auto held = ImageLoader::pages(at("spoilt.png"));
    ASSERT_EQ(kept.size() + gone.size() + spoilt.size() + held.size(), 4u);
    EXPECT_EQ(kept[0].label, "kept.png");
    expectRedBlue(kept[0].image(), "first decode");
    expectRedBlue(kept[0].image(), "second decode");

    std::filesystem::remove(at("gone.png"));
    writeFile(at("spoilt.png"), readFile(at("kept.png")).substr(0, 60));
    EXPECT_FALSE(gone[0].image());
    EXPECT_FALSE(spoilt[0].image());
    // Pages that keep their pixels are unaffected by what happens to the file.
    expectRedBlue(held[0].image(), "kept pixels");
    EXPECT_TRUE(ImageLoader::pages(at("gone.png"), ImageLoader::Pixels::Reload).empty());
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
    expectRedBlue(pages[0].image(), "heic", 60);
}

TEST_F(ImageLoaderTest, BadInputsGiveNoPages)
{
    // Cut files: Qt would show the part that arrived of a JPEG, BMP or GIF frame, the rest blank.
    for (const char* format : {"png", "jpg", "bmp"}) {
        const std::string bytes = readFile(writePicture(std::string("whole.") + format, format));
        writeFile(at(std::string("cut.") + format), bytes.substr(0, bytes.size() * 2 / 3));
    }
    writeFile(at("cut.gif"), readFile(writeGif("whole.gif", 2)).substr(0, 60));
    // Decompression bombs: a BMP header claiming 16000 × 16000 pixels (1 GB decoded) over 60 × 40 pixels of data
    // is refused by its header's size before decoding; a GIF whose logical screen is 65535 × 65535 (17 GB), which
    // Qt does not report as the size, is refused when decoding would allocate it.
    std::string bmp = readFile(writePicture("bomb.bmp", "bmp"));
    for (std::size_t offset : {18, 22}) // width and height, little-endian
        bmp.replace(offset, 4, std::string("\x80\x3E\0\0", 4));
    writeFile(at("bomb.bmp"), bmp);
    std::string why;
    EXPECT_TRUE(ImageLoader::pages(at("bomb.bmp"), ImageLoader::Pixels::Keep, &why).empty());
    EXPECT_TRUE(why.starts_with("too large to read (16000 \u00D7 16000 pixels")) << why;
    writeGif("bomb.gif", 1, 65535, 65535);
    // A standard security handler whose user password is not empty: Poppler cannot open it without one.
    const std::string encrypt = "<< /Filter /Standard /V 1 /R 2 /Length 40 /P -4 "
                                "/O <0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef> "
                                "/U <fedcba9876543210fedcba9876543210fedcba9876543210fedcba9876543210> >>";
    writeHandPdf(at("locked.pdf"), {{"0 0 612 792", textPage("secret words of the page")}},
                 "/Encrypt 6 0 R /ID [<00112233445566778899aabbccddeeff> <00112233445566778899aabbccddeeff>]", encrypt);
    writeFile(at("empty.jpg"), "");
    writeFile(at("empty.pdf"), "");
    writeFile(at("notes.png"), "These are notes, not a picture.\n");
    writeFile(at("notes.pdf"), "These are notes, not a PDF.\n");
    writeFile(at("cut.pdf"), "%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n2 0 obj\n<< /Ty");
    writeFile(at("fake.heic"), std::string("\0\0\0\x18"
                                           "ftypheic\0\0\0\0mif1heic",
                                           24));
    std::filesystem::create_directory(at("folder.png"));
    std::filesystem::create_directory(at("folder.pdf"));
    // Opening a FIFO for reading blocks until a writer comes: the loader must not even try.
    ASSERT_EQ(mkfifo(at("pipe.png").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(at("pipe.pdf").c_str(), 0600), 0);

    for (const char* name : {"cut.png", "cut.jpg", "cut.bmp", "cut.gif", "bomb.gif", "empty.jpg", "empty.pdf",
                             "notes.png", "notes.pdf", "cut.pdf", "locked.pdf", "fake.heic", "folder.png", "folder.pdf",
                             "pipe.png", "pipe.pdf", "missing.png", "missing.pdf"})
        EXPECT_TRUE(ImageLoader::pages(at(name)).empty()) << name;
    EXPECT_TRUE(ImageLoader::pages("").empty());
    EXPECT_FALSE(PageText::layer(at("locked.pdf"), 1, ImageLoader::pdfScale));
}
