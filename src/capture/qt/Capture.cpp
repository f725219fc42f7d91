#include "capture/qt/Capture.h"

#include "capture/Delivery.h"
#include "capture/qt/CaptureController.h"
#include "capture/qt/Platform.h"
#include "capture/qt/Sound.h"
#include "store/qt/HistoryStore.h"
#include "store/qt/SettingsStore.h"
#include "ui/qt/HUD.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPointer>

Capture::Capture(CaptureController& controller, Recognize recognize, QObject* parent)
    : QObject(parent)
    , m_controller(controller)
    , m_recognize(std::move(recognize))
{}

void Capture::captureText()
{
    if (m_busy)
        return; // a second press while the pickers are open
    if (!Permissions::screenRecordingGranted()) {
        Permissions::requestScreenRecording();
        Permissions::openScreenRecordingSettings();
        showMessage(QStringLiteral("Allow screen capture, then try again"));
        return;
    }
    m_busy = true;
    QPointer<Capture> self(this);
    const bool started = m_controller.beginSelection([self](std::optional<CaptureController::Picked> picked) {
        if (!self)
            return;
        self->m_busy = false;
        if (!picked)
            return; // cancelled
        if (!picked->image) {
            self->showMessage(QStringLiteral("Couldn’t capture that region"));
            return;
        }
        // Read now: a change of the setting while recognition runs does not affect this capture.
        const Settings::OutputMode mode = Settings::outputMode();
        self->m_recognize(std::move(*picked->image), Settings::languages(), Settings::usesLanguageCorrection(mode),
                          [self, mode](OCRResult result) {
                              // On a recognition worker: hop to the main thread before touching anything.
                              QMetaObject::invokeMethod(
                                  qApp,
                                  [self, mode, result = std::move(result)] {
                                      if (self)
                                          self->deliver(result, mode);
                                  },
                                  Qt::QueuedConnection);
                          });
    });
    // Another selection (not ours) is open: ours never started, so nothing would ever clear the flag.
    if (!started)
        m_busy = false;
}

void Capture::deliver(const OCRResult& result, Settings::OutputMode mode)
{
    const std::optional<Delivery::Choice> choice = Delivery::choose(result, mode);
    if (!choice) {
        showMessage(QString::fromUtf8(Delivery::noTextFound.data(), qsizetype(Delivery::noTextFound.size())));
        return;
    }
    // Clipboard first, then history, then sound, then the message.
    // A table goes on the clipboard twice: as the mode's text, and as HTML cells that spreadsheets paste as cells.
    auto* data = new QMimeData;
    data->setText(QString::fromStdString(choice->text));
    if (!choice->html.empty())
        data->setHtml(QString::fromStdString(choice->html));
    QApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    HistoryStore::shared().add(choice->text, choice->isTable);
    if (Settings::playSound())
        Sound::playCapture();
    showMessage(QString::fromUtf8(Delivery::checkMark.data(), qsizetype(Delivery::checkMark.size()))
                + QString::fromStdString(choice->message));
}

void Capture::showMessage(const QString& message)
{
    HUD::show(message);
    emit messageShown(message);
}
