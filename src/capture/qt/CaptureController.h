#pragma once

#include "capture/qt/ScreenGrabber.h"

#include <QObject>
#include <QPointer>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class RegionPicker;

// Runs one region selection over all screens at a time: freezes every screen, shows a picker on each and reports
// the chosen region with its pixels. Main thread only.
class CaptureController : public QObject
{
    Q_OBJECT

public:
    struct Picked
    {
        QRectF globalRect;          // logical desktop coordinates
        std::optional<Image> image; // no value when the screens could not be read
    };
    // Gets the picked region, or nothing when the user cancelled.
    using Completion = std::function<void(std::optional<Picked>)>;

    // Returns the controller of the running session's screens, created on first use.
    static CaptureController& shared();
    explicit CaptureController(std::unique_ptr<ScreenGrabber> grabber, QObject* parent = nullptr);
    ~CaptureController() override;

    // Starts a selection and calls `completion` once, on a later turn of the event loop. Returns false, dropping
    // the completion, when a selection is already running.
    bool beginSelection(Completion completion);
    bool isSelecting() const { return !m_pickers.empty(); }
    std::vector<RegionPicker*> pickers() const;

private:
    void finish(RegionPicker* from, std::optional<QRectF> globalRect);
    void complete(Completion completion, std::optional<Picked> picked);

    std::unique_ptr<ScreenGrabber> m_grabber;
    std::vector<QPointer<RegionPicker>> m_pickers;
    Completion m_completion;
};
