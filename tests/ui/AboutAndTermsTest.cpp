// The welcome guide's terms links and shortcuts, and the About box's credits.
#include "UiTest.h"
#include "app/Credits.h"
#include "app/qt/About.h"
#include "ui/qt/Welcome.h"

#include <QDialog>
#include <QLabel>
#include <QMessageBox>

#include <regex>

namespace {
using AboutAndTermsTest = UiTest;
} // namespace

TEST_F(AboutAndTermsTest, TheGuidesLinksAreReachedWithTabAndOpenTheShippedTerms)
{
    Welcome::shared().presentGuide();
    QWidget* guide = Welcome::shared().window();
    ASSERT_NE(guide, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(guide));
    // The shortcuts in Linux notation, and on X11 no word of a permission, which X11 does not have.
    QStringList texts;
    for (const QLabel* label : guide->findChildren<QLabel*>())
        texts << label->text();
    const QString all = texts.join(u'\n');
    EXPECT_TRUE(all.contains(QStringLiteral("Shift+Super+2")) && all.contains(QStringLiteral("Ctrl+Shift+O")))
        << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("permission"), Qt::CaseInsensitive)) << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("Screen capture"))) << all.toStdString();

    auto* links = guide->findChild<QLabel*>(QStringLiteral("legalLinks"));
    ASSERT_NE(links, nullptr);
    bool reached = false;
    for (int i = 0; i < 12 && !reached; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached = QApplication::focusWidget() == links;
    }
    EXPECT_TRUE(reached);
    emit links->linkActivated(QStringLiteral("terms"));
    QDialog* terms = nullptr;
    for (QDialog* dialog : guide->findChildren<QDialog*>(QStringLiteral("legalDialog")))
        if (dialog->isVisible() && dialog->windowTitle() == QStringLiteral("Ambrel Terms"))
            terms = dialog;
    ASSERT_NE(terms, nullptr);
    terms->close();
    ASSERT_TRUE(QTest::qWaitForWindowActive(guide));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(eventually([] { return Welcome::shared().window() == nullptr; }));
}

TEST_F(AboutAndTermsTest, AboutNamesTheLicenceAndEveryLibraryWithItsVersion)
{
    const std::vector<Credits::Library> libraries = Credits::libraries();
    QMessageBox* box = About::show();
    ASSERT_NE(box, nullptr);
    const QString text = box->text();
    EXPECT_TRUE(text.contains(QStringLiteral("GPL-3.0-or-later"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromLatin1(qVersion())));
    for (const Credits::Library& library : libraries) {
        EXPECT_TRUE(std::regex_match(library.version, std::regex(R"(\d+\.\d+(\.\d+)?.*)"))) << library.name;
        EXPECT_FALSE(library.licence.empty()) << library.name;
        EXPECT_TRUE(text.contains(QString::fromStdString(library.version))) << library.name;
    }
    box->close();
}
