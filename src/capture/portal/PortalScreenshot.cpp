#include "capture/portal/PortalScreenshot.h"

#include "capture/portal/PortalRequest.h"
#include "ui/qt/HUD.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {
const QString screenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");

enum class Known
{
    Unknown,
    Granted,
    Denied,
};
Known permission = Known::Unknown;
bool preparing = false;
bool asking = false;

void remember(PortalScreenshot::Status status)
{
    if (status == PortalScreenshot::Status::Taken)
        permission = Known::Granted;
    else if (status == PortalScreenshot::Status::Refused)
        permission = Known::Denied;
    // A portal that did not answer says nothing about the permission.
}

QRect desktopRect()
{
    QRect united;
    for (QScreen* screen : QGuiApplication::screens())
        united = united.united(screen->geometry());
    return united;
}

// The picture shows the screens' layout when it has the layout's proportions at no fewer pixels than points. One
// of a single output of several, or of another size altogether, would put the selection on the wrong pixels.
bool fitsScreens(QSize picture, const QRect& layout)
{
    if (layout.isEmpty() || picture.isEmpty())
        return false;
    const double sx = double(picture.width()) / layout.width();
    const double sy = double(picture.height()) / layout.height();
    // A pixel of rounding either way at each edge.
    const double slack = 2.0 / std::min(layout.width(), layout.height());
    return std::abs(sx - sy) <= slack * std::max(sx, sy) + 1e-9 && std::min(sx, sy) >= 1 - slack;
}
} // namespace

namespace PortalScreenshot {
void take(std::function<void(Outcome)> done)
{
    const QVariantMap options{{QStringLiteral("interactive"), false}, {QStringLiteral("modal"), false}};
    Portal::request(screenshotInterface, QStringLiteral("Screenshot"), {QString(), options},
                    [done = std::move(done)](Portal::Answer answer) {
                        Outcome outcome;
                        if (!answer.response) {
                            outcome.problem = QStringLiteral("The desktop’s screenshot service did not answer");
                            done(outcome);
                            return;
                        }
                        if (*answer.response != Portal::Response::Success) {
                            outcome.status = Status::Refused;
                            done(outcome);
                            return;
                        }
                        const QUrl uri(answer.results.value(QStringLiteral("uri")).toString());
                        QImage desktop;
                        if (uri.isLocalFile()) {
                            const QString file = uri.toLocalFile();
                            QImageReader reader(file);
                            desktop = reader.read();
                            // Only a picture is the portal's screenshot; anything else there is not ours to delete.
                            if (!desktop.isNull())
                                QFile::remove(file);
                        }
                        if (desktop.isNull())
                            outcome.problem = QStringLiteral("Couldn’t read the desktop’s screenshot");
                        else if (!fitsScreens(desktop.size(), desktopRect()))
                            outcome.problem = QStringLiteral("The desktop’s screenshot doesn’t match the screens");
                        else {
                            outcome.desktop = std::move(desktop);
                            outcome.status = Status::Taken;
                        }
                        done(outcome);
                    });
}

QImage screenPart(const QImage& desktop, const QRect& desktopRect, const QRect& screenRect)
{
    if (desktop.isNull() || desktopRect.isEmpty() || !desktopRect.contains(screenRect))
        return {};
    const double sx = double(desktop.width()) / desktopRect.width();
    const double sy = double(desktop.height()) / desktopRect.height();
    const int left = int(std::lround((screenRect.x() - desktopRect.x()) * sx));
    const int top = int(std::lround((screenRect.y() - desktopRect.y()) * sy));
    const int right = int(std::lround((screenRect.x() + screenRect.width() - desktopRect.x()) * sx));
    const int bottom = int(std::lround((screenRect.y() + screenRect.height() - desktopRect.y()) * sy));
    QImage part = desktop.copy(left, top, right - left, bottom - top);
    part.setDevicePixelRatio(1);
    return part;
}
} // namespace PortalScreenshot

namespace PortalCapture {
void prepare(std::function<void()> proceed)
{
    if (preparing)
        return; // a second press while the portal is still answering the first
    preparing = true;
    PortalScreenshot::take([proceed = std::move(proceed)](PortalScreenshot::Outcome outcome) {
        preparing = false;
        remember(outcome.status);
        if (outcome.status == PortalScreenshot::Status::Failed) {
            frozenDesktop() = QImage();
            HUD::show(outcome.problem);
            return;
        }
        frozenDesktop() = std::move(outcome.desktop);
        proceed();
    });
}

bool granted()
{
    return permission != Known::Denied;
}

void askPermission()
{
    if (asking)
        return;
    asking = true;
    PortalScreenshot::take([](PortalScreenshot::Outcome outcome) {
        asking = false;
        remember(outcome.status);
    });
}

QImage& frozenDesktop()
{
    static QImage desktop;
    return desktop;
}
} // namespace PortalCapture

std::optional<ScreenShot> PortalScreenGrabber::grab(QScreen* screen)
{
    QImage& desktop = PortalCapture::frozenDesktop();
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (!screen || desktop.isNull())
        return std::nullopt;
    ScreenShot shot{screen, screen->geometry(),
                    PortalScreenshot::screenPart(desktop, desktopRect(), screen->geometry())};
    // The capture flow asks for the screens in order: after the last one the picture is spent, so a later capture
    // can never show an old one.
    if (screens.isEmpty() || screen == screens.last())
        desktop = QImage();
    if (shot.image.isNull())
        return std::nullopt;
    return shot;
}
