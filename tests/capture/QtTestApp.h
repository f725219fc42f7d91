#pragma once

#include <QApplication>

// One QApplication for the whole test program, created on first use on the test (main) thread.
inline QApplication& testApp()
{
    static int argc = 1;
    static char name[] = "capture_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
