#pragma once

#include "ocr/engines/Drawn.h"
#include "support/Process.h"

#include <gtest/gtest.h>

// Runs the executable with empty settings and data folders, so no saved language list of the machine's user
// leaks in.
inline TestSupport::Outcome ambrel(const TestSupport::TempDir& home, const std::vector<std::string>& arguments,
                                   std::map<std::string, std::optional<std::string>> environment = {},
                                   std::chrono::seconds timeout = std::chrono::seconds(120))
{
    environment.emplace("XDG_CONFIG_HOME", (home / "config").string());
    environment.emplace("XDG_DATA_HOME", (home / "data").string());
    return TestSupport::run(AMBREL_EXECUTABLE, arguments, environment, timeout);
}

// A line of text as a screen or a scanner shows it.
inline QImage textPicture(const std::string& text)
{
    return Drawn::screenText({text}, 28, false);
}

inline void save(const QImage& image, const std::filesystem::path& path, const char* format = "PNG")
{
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), format));
}
