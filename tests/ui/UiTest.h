#pragma once

#include "capture/QtTestApp.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

// Runs the event loop until the condition holds, for at most five seconds; returns whether it holds. (QTest's
// QTRY macros report to QTest, not to GoogleTest, and would let a timed-out test pass.)
template <typename Condition> bool eventually(Condition condition)
{
    return QTest::qWaitFor(condition, 5000);
}

// A home of its own, with the session named, since screen-capture permission depends on it ("x11" allows capture,
// "none" does not).
class UiTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        ::setenv("AMBREL_PLATFORM", "x11", 1);
    }
    void TearDown() override { ::unsetenv("AMBREL_PLATFORM"); }
};
