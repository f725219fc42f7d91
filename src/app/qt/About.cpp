#include "app/qt/About.h"

#include "app/Credits.h"
#include "app/qt/AppInfo.h"
#include "app/qt/Legal.h"
#include "app/qt/StatusIcon.h"

#include <QLabel>
#include <QMessageBox>

namespace About {
QString html()
{
    QString libraries;
    for (const Credits::Library& library : Credits::libraries())
        libraries += QStringLiteral("<tr><td>%1</td><td>&nbsp;%2</td><td>&nbsp;%3</td></tr>")
                         .arg(QString::fromStdString(library.name).toHtmlEscaped(),
                              QString::fromStdString(library.version).toHtmlEscaped(),
                              QString::fromStdString(library.licence).toHtmlEscaped());
    return QStringLiteral("<b>Ambrel</b><br>Version %1<br><br>Grab text from your screen — and keep the structure."
                          "<br><br>Licence: %2 (%3), without any warranty.<br>"
                          "<a href=\"terms\">Terms</a> &nbsp; <a href=\"privacy\">Privacy</a>"
                          "<br><br>Built on:<table>%4</table>")
        .arg(AppInfo::version().toHtmlEscaped(), QLatin1String(Credits::licence), QLatin1String(Credits::licenceId),
             libraries);
}

QMessageBox* show()
{
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("About Ambrel"), html(), QMessageBox::Ok);
    box->setObjectName(QStringLiteral("aboutBox"));
    box->setTextFormat(Qt::RichText);
    box->setTextInteractionFlags(Qt::TextBrowserInteraction);
    box->setIconPixmap(StatusIcon::appIcon().pixmap(64, 64));
    box->setAttribute(Qt::WA_DeleteOnClose);
    // The links open the shipped texts, not a browser.
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label->setOpenExternalLinks(false);
        QObject::connect(label, &QLabel::linkActivated, box, [](const QString& link) {
            Legal::show(link == QLatin1String("terms") ? Legal::Document::Terms : Legal::Document::Privacy);
        });
    }
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}
} // namespace About
