#include "app/QuickOCR.h"

#include "app/OCRText.h"
#include "ocr/tesseract/TesseractOCR.h"
#include "sources/ImageLoader.h"
#include "sources/png/PngDecoder.h"

#include <filesystem>
#include <future>
#include <ostream>

std::optional<int> QuickOCR::run(const std::string& path, Settings::OutputMode mode,
                                 const std::optional<std::vector<std::string>>& languages, std::ostream& out)
{
    if (!languages)
        return std::nullopt;
    std::error_code error;
    // A file named .pdf is a PDF to the loader whatever it holds; FIFOs and devices are never opened here.
    if (ImageLoader::isPdf(path) || !std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    std::optional<Image> image = PngDecoder::decode(path, ImageLoader::maxImagePixels, ImageLoader::maxImageSide);
    if (!image)
        return std::nullopt;

    std::promise<OCRResult> recognized;
    TesseractRecognizer().recognize(std::move(*image), *languages, Settings::usesLanguageCorrection(mode),
                                    [&recognized](OCRResult result) { recognized.set_value(std::move(result)); });
    out << OCRText::forPage(recognized.get_future().get(), mode) << '\n';
    out.flush();
    return 0;
}
