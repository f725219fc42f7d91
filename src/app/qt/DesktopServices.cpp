#include "app/qt/DesktopServices.h"

#include "export/qt/QtText.h"
#include "ocr/tesseract/TessData.h"
#include "ocr/tesseract/TesseractOCR.h"
#include "sources/qt/ImageLoader.h"
#include "store/qt/SettingsStore.h"

const Services& desktopServices()
{
    static const TesseractRecognizer recognizer;
    static const ImageLoader::Files files;
    static const TessData::InstalledModels installed;
    static const StoredSettings settings(installed);
    static const QtText text;
    static const Services services{recognizer, files, installed, settings, text};
    return services;
}
