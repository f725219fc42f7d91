#pragma once

class InstalledLanguages;
class PageSource;
class SettingsReader;
class TextBoundaries;
class TextRecognizer;

// The outside services the core's runners use: one real implementation of each, made and handed in once by the
// app (app/qt/DesktopServices.h).
struct Services
{
    const TextRecognizer& recognizer;
    const PageSource& pages;
    const InstalledLanguages& languages;
    const SettingsReader& settings;
    const TextBoundaries& text;
};
