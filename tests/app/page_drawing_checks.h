#pragma once
// Checks the page tests share: a colour compared with its values in the message, and a page that
// the App draws through its renderer, read back from the recording device call by call.
#include "app/app.h"
#include "tests/app/app_fixture.h"
#include "tests/app/draw_calls.h"
#include "tests/app/frame_calls.h"

#include <gtest/gtest.h>

namespace apptest {

inline testing::AssertionResult colorIs(const lumenark::ColorF& actual,
                                        const lumenark::ColorF& expected) {
    if (sameColor(actual, expected)) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << "colour (" << actual.r << ", " << actual.g << ", " << actual.b << ", " << actual.a
           << ") expected (" << expected.r << ", " << expected.g << ", " << expected.b << ", "
           << expected.a << ")";
}

inline testing::AssertionResult sameCalls(const DrawCalls& drawn, const DrawCalls& expected) {
    if (drawn.size() != expected.size()) {
        return testing::AssertionFailure()
               << drawn.size() << " calls drawn, " << expected.size() << " expected";
    }
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        if (!sameCall(drawn[i], expected[i])) {
            return testing::AssertionFailure()
                   << "call " << i << ": " << testing::PrintToString(drawn[i]) << " expected "
                   << testing::PrintToString(expected[i]);
        }
    }
    return testing::AssertionSuccess();
}

// One frame holding only what the App's page entry point draws.
inline DrawCalls pageThroughRenderer(const AppFixture& fixture, lumenark::App& app,
                                     void (lumenark::App::*page)()) {
    app.renderer()->beginFrame();
    (app.*page)();
    app.renderer()->endFrame(1);
    return lastFrameCalls(*fixture.device, *app.renderer());
}

} // namespace apptest
