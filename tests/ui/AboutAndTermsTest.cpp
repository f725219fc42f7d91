// The welcome window's terms links, the shipped terms and privacy texts, and the About box's credits.
#include "UiTest.h"
#include "app/Credits.h"
#include "app/qt/About.h"
#include "ui/qt/Welcome.h"

#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

#include <regex>

namespace {
using AboutAndTermsTest = UiTest;

QStringList labelTexts(const QWidget& window)
{
    QStringList texts;
    for (const QLabel* label : window.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}
} // namespace

TEST_F(AboutAndTermsTest, WelcomeLinksOpenTheShippedTexts)
{
    Welcome::shared().presentGuide();
    QWidget* window = Welcome::shared().window();
    ASSERT_NE(window, nullptr);
    auto* links = window->findChild<QLabel*>(QStringLiteral("legalLinks"));
    ASSERT_NE(links, nullptr);
    emit links->linkActivated(QStringLiteral("terms"));
    QDialog* terms = nullptr;
    for (QDialog* dialog : window->findChildren<QDialog*>(QStringLiteral("legalDialog")))
        if (dialog->isVisible() && dialog->windowTitle() == QStringLiteral("Ambrel Terms"))
            terms = dialog;
    ASSERT_NE(terms, nullptr);
    terms->close();

    // The shortcuts in Linux notation, and on X11 no word of a permission, which X11 does not have.
    const QString all = labelTexts(*window).join(u'\n');
    EXPECT_TRUE(all.contains(QStringLiteral("Shift+Super+2"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("Ctrl+Shift+O"))) << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("permission"), Qt::CaseInsensitive)) << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("Screen capture"))) << all.toStdString();
    window->close();
}

TEST_F(AboutAndTermsTest, AboutNamesTheLicenceAndEveryLibraryWithItsVersion)
{
    const std::vector<Credits::Library> libraries = Credits::libraries();
    const std::regex version(R"(\d+\.\d+(\.\d+)?.*)");
    for (const Credits::Library& library : libraries) {
        EXPECT_TRUE(std::regex_match(library.version, version)) << library.name << " " << library.version;
        EXPECT_FALSE(library.licence.empty()) << library.name;
    }

    QMessageBox* box = About::show();
    ASSERT_NE(box, nullptr);
    const QString text = box->text();
    EXPECT_TRUE(text.contains(QStringLiteral("GPL-3.0-or-later"))) << text.toStdString();
    for (const Credits::Library& library : libraries)
        EXPECT_TRUE(text.contains(QString::fromStdString(library.version))) << library.name;
    EXPECT_TRUE(text.contains(QString::fromLatin1(qVersion())));
    box->close();
}
