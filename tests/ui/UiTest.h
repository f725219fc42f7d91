#pragma once

#include "capture/QtTestApp.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

// Runs the event loop until the condition holds, for at most five seconds; returns whether it holds. (QTest's
// QTRY macros report to QTest, not to GoogleTest, and would let a timed-out test pass.)
template <typename Condition> bool eventually(Condition condition)
{
    return QTest::qWaitFor(condition, 5000);
}

using UiTest = X11HomeTest;
