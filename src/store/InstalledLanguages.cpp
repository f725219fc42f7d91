#include "store/Languages.h"

// Kept apart from Languages.cpp: only these need the installed set, which the Tesseract adapter defines, so the
// catalogue rules link and test without an engine.

std::vector<std::string> Languages::sanitized(const std::vector<std::string>& codes)
{
    return sanitized(codes, supported());
}

std::vector<OCRLanguage> Languages::verified()
{
    return verified(supported());
}

std::vector<OCRLanguage> Languages::others()
{
    return others(supported());
}

std::vector<OCRLanguage> Languages::all()
{
    return all(supported());
}

std::string Languages::systemDefault(std::string_view localeLanguage)
{
    return systemDefault(localeLanguage, supported());
}

std::string Languages::summary(const std::vector<std::string>& selectedCodes)
{
    return summary(selectedCodes, supported());
}
