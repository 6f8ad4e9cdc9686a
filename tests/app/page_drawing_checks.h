#pragma once
// What the page tests share: the rounded rectangles at a place, and the check that the App's page
// entry point, drawn through its renderer and read back from the recording device, draws call
// by call what the page draws on a recording canvas.
#include "app/app.h"
#include "tests/app/app_fixture.h"
#include "tests/app/draw_calls.h"
#include "tests/app/frame_calls.h"
#include "tests/app/recording_canvas.h"

#include <gtest/gtest.h>

#include <functional>

namespace apptest {

// The rounded rectangles drawn exactly over this rectangle, in drawing order.
inline DrawCalls roundedAt(const DrawCalls& calls, const lumenark::RectF& rect) {
    DrawCalls found;
    for (const DrawCall& call : callsOf(calls, DrawKind::roundedRect)) {
        if (sameRect(call.rect, rect)) {
            found.push_back(call);
        }
    }
    return found;
}

inline testing::AssertionResult
appDrawsAsOnACanvas(const AppFixture& fixture, lumenark::App& app, void (lumenark::App::*page)(),
                    const std::function<void(RecordingCanvas&)>& drawOnCanvas) {
    app.renderer()->beginFrame();
    (app.*page)();
    app.renderer()->endFrame(1);
    const DrawCalls drawn = lastFrameCalls(*fixture.device, *app.renderer());
    RecordingCanvas expected;
    drawOnCanvas(expected);
    if (drawn.size() != expected.calls.size()) {
        return testing::AssertionFailure()
               << drawn.size() << " calls drawn, " << expected.calls.size() << " expected";
    }
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        if (!sameCall(drawn[i], expected.calls[i])) {
            return testing::AssertionFailure()
                   << "call " << i << ": " << testing::PrintToString(drawn[i]) << " expected "
                   << testing::PrintToString(expected.calls[i]);
        }
    }
    return testing::AssertionSuccess();
}

} // namespace apptest
