#include "app/qt/QuietQt.h"

#include <QtGlobal>

#include <cstdlib>

namespace {
QtMessageHandler previous = nullptr;
bool installed = false;

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg)
        return;
    if (previous != nullptr)
        previous(type, context, message);
}
} // namespace

void QuietQt::install()
{
    if (installed || std::getenv("AM_DEBUG") != nullptr)
        return;
    previous = qInstallMessageHandler(&handler);
    installed = true;
}

void QuietQt::uninstall()
{
    if (!installed)
        return;
    qInstallMessageHandler(previous);
    installed = false;
}
