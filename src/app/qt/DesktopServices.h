#pragma once

#include "app/Services.h"

// Returns the real services of this desktop, made once per process: Tesseract and ZXing for recognition, Qt's
// readers, libheif and Poppler for files, the per-user settings store.
const Services& desktopServices();
