#pragma once

#include "ocr/OCR.h"
#include "ocr/OutputMode.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class CaptureController;

// The capture command: from the shortcut or the menu to the text on the clipboard, the history entry, the sound
// and the heads-up message.
class Capture : public QObject
{
    Q_OBJECT

public:
    using Recognize = std::function<void(Image, std::vector<std::string>, bool, OCR::Completion)>;
    Capture(CaptureController& controller, Recognize recognize, QObject* parent = nullptr);

    // Starts a selection unless one is open. Main thread only.
    void captureText();
    // True from the start of a selection until its region has gone to the recognizer (or it was cancelled).
    bool busy() const { return m_busy; }
    // Puts a result on the clipboard under the mode, records it and says so. Main thread only.
    void deliver(const OCRResult& result, Settings::OutputMode mode);

signals:
    // A heads-up message the capture showed, for anyone who follows the flow.
    void messageShown(const QString& message);

private:
    void showMessage(const QString& message);

    CaptureController& m_controller;
    Recognize m_recognize;
    bool m_busy = false;
};
