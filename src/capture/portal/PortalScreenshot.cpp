#include "capture/portal/PortalScreenshot.h"

#include "capture/portal/PortalRequest.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

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
} // namespace

namespace PortalScreenshot {
void take(std::function<void(Outcome)> done)
{
    const QVariantMap options{{QStringLiteral("interactive"), false}, {QStringLiteral("modal"), false}};
    Portal::request(screenshotInterface, QStringLiteral("Screenshot"), {QString(), options},
                    [done = std::move(done)](Portal::Answer answer) {
                        Outcome outcome;
                        if (!answer.response) {
                            done(outcome);
                            return;
                        }
                        if (*answer.response != Portal::Response::Success) {
                            outcome.status = Status::Refused;
                            done(outcome);
                            return;
                        }
                        const QUrl uri(answer.results.value(QStringLiteral("uri")).toString());
                        if (uri.isLocalFile()) {
                            const QString file = uri.toLocalFile();
                            outcome.desktop = QImage(file);
                            QFile::remove(file);
                        }
                        if (!outcome.desktop.isNull())
                            outcome.status = Status::Taken;
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
