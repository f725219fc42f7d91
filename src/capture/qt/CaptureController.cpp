#include "capture/qt/CaptureController.h"

#include "capture/qt/Platform.h"
#include "capture/qt/RegionPicker.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

CaptureController& CaptureController::shared()
{
    static CaptureController* controller = new CaptureController(Platform::makeScreenGrabber());
    return *controller;
}

CaptureController::CaptureController(std::unique_ptr<ScreenGrabber> grabber, QObject* parent)
    : QObject(parent)
    , m_grabber(std::move(grabber))
{}

CaptureController::~CaptureController()
{
    for (const QPointer<RegionPicker>& picker : m_pickers)
        delete picker.data();
}

std::vector<RegionPicker*> CaptureController::pickers() const
{
    std::vector<RegionPicker*> result;
    for (const QPointer<RegionPicker>& picker : m_pickers)
        if (picker)
            result.push_back(picker);
    return result;
}

bool CaptureController::beginSelection(Completion completion)
{
    if (!m_pickers.empty())
        return false;
    // Every screen is read before any picker appears, so no picker is in another screen's picture.
    std::vector<ScreenShot> shots;
    for (QScreen* screen : QGuiApplication::screens()) {
        std::optional<ScreenShot> shot = m_grabber->grab(screen);
        if (!shot || shot->image.isNull()) {
            complete(std::move(completion), Picked{});
            return true;
        }
        shots.push_back(std::move(*shot));
    }
    if (shots.empty()) {
        complete(std::move(completion), Picked{});
        return true;
    }

    m_completion = std::move(completion);
    for (ScreenShot& shot : shots) {
        auto* picker = new RegionPicker(std::move(shot),
                                        [this](RegionPicker* from, std::optional<QRectF> rect) { finish(from, rect); });
        m_pickers.emplace_back(picker);
        // A tiling compositor (sway) would tile a plain window beside others and below its bar: full screen is
        // the one state every Wayland compositor gives the whole output. X11 places it by its geometry.
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            picker->showFullScreen();
        else
            picker->show();
        picker->raise();
    }
    // The first screen's picker takes the keyboard, so Escape works whichever window had the focus.
    m_pickers.front()->activateWindow();
    m_pickers.front()->takeKeyboard();
    return true;
}

void CaptureController::finish(RegionPicker* from, std::optional<QRectF> globalRect)
{
    Completion completion = std::move(m_completion);
    m_completion = nullptr;
    std::optional<Picked> picked;
    if (globalRect && from)
        picked = Picked{*globalRect, from->shot().crop(*globalRect)};
    for (const QPointer<RegionPicker>& picker : m_pickers) {
        if (!picker)
            continue;
        picker->releaseKeyboard();
        picker->close(); // deletes itself once its own event handler has returned
    }
    m_pickers.clear();
    if (completion)
        complete(std::move(completion), std::move(picked));
}

void CaptureController::complete(Completion completion, std::optional<Picked> picked)
{
    QTimer::singleShot(0, this,
                       [completion = std::move(completion), picked = std::move(picked)] { completion(picked); });
}
