#include "app/qt/Legal.h"

#include "app/qt/StatusIcon.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <array>

// The texts live in a resource of a static library, which the linker keeps only when something refers to it.
static void loadLegalResource()
{
    Q_INIT_RESOURCE(legal);
}

namespace Legal {
namespace {
const char* resource(Document document)
{
    return document == Document::Terms ? ":/legal/terms.html" : ":/legal/privacy.html";
}

const char* webPage(Document document)
{
    return document == Document::Terms ? "https://ambrel.app/eula" : "https://ambrel.app/privacy";
}
} // namespace

QString html(Document document)
{
    static const bool loaded = (loadLegalResource(), true);
    (void)loaded;
    QFile file(QString::fromLatin1(resource(document)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString title(Document document)
{
    return document == Document::Terms ? QStringLiteral("Ambrel Terms") : QStringLiteral("Ambrel Privacy");
}

QDialog* show(Document document, QWidget* parent)
{
    static std::array<QPointer<QDialog>, 2> open;
    QPointer<QDialog>& existing = open[document == Document::Terms ? 0 : 1];
    if (!existing) {
        auto* dialog = new QDialog(parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setObjectName(QStringLiteral("legalDialog"));
        dialog->setWindowTitle(title(document));
        dialog->setWindowIcon(StatusIcon::appIcon());
        dialog->resize(520, 560);
        auto* layout = new QVBoxLayout(dialog);
        auto* text = new QTextBrowser;
        text->setObjectName(QStringLiteral("legalText"));
        text->setOpenExternalLinks(true);
        text->setHtml(html(document));
        layout->addWidget(text, 1);
        auto* web =
            new QLabel(QStringLiteral("Also on the web: <a href=\"%1\">%1</a>").arg(QLatin1String(webPage(document))));
        web->setOpenExternalLinks(true);
        layout->addWidget(web);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
        QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
        layout->addWidget(buttons);
        existing = dialog;
    }
    existing->show();
    existing->raise();
    existing->activateWindow();
    return existing;
}
} // namespace Legal
