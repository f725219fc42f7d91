#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

// The welcome window: on the first run it asks for agreement to the terms before anything else runs; later the
// same window, with a single "Done", is the guide. Main thread only.
class Welcome : public QObject
{
    Q_OBJECT

public:
    static Welcome& shared();

    // Shows the first-run window; `onAgree` runs after "Agree & Start". Closing the window any other way quits.
    void presentFirstRun(std::function<void()> onAgree);
    void presentGuide();
    // The window shown now, or null.
    QWidget* window() const { return m_window; }
    bool isFirstRun() const { return m_isFirstRun; }

    // The primary button: on the first run stores the accepted terms version, then closes and runs the agree
    // action.
    void finish();

private:
    void present();
    void closed();

    QPointer<QWidget> m_window;
    std::function<void()> m_onAgree;
    bool m_agreed = false;
    bool m_isFirstRun = false;
};
