#pragma once

#include <QGuiApplication>

#include <cstdio>
#include <memory>

// Drawing text needs a QGuiApplication. Commands run before the application exists, so they make one on the
// offscreen platform, which needs no display; an application that already exists (the tests') is used as it is.
class GuiSession
{
public:
    GuiSession()
    {
        if (QCoreApplication::instance() == nullptr) {
            // Root shells and CI have no XDG_RUNTIME_DIR; Qt's complaint about it would be the only thing a
            // command prints on standard error, so it is dropped. Everything else goes to the usual handler.
            s_previous = qInstallMessageHandler(&filter);
            m_app = std::make_unique<QGuiApplication>(m_argc, m_argv);
        }
    }
    bool ok() const { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

private:
    static void filter(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
            return;
        if (s_previous != nullptr)
            s_previous(type, context, message);
        else
            fprintf(stderr, "%s\n", qPrintable(message));
    }

    static inline QtMessageHandler s_previous = nullptr;
    char m_name[7] = "ambrel";
    char m_option[10] = "-platform";
    char m_platform[10] = "offscreen";
    char* m_argv[4] = {m_name, m_option, m_platform, nullptr};
    int m_argc = 3;
    std::unique_ptr<QGuiApplication> m_app;
};
