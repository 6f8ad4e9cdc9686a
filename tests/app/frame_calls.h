#pragma once
// The calls of a frame that a recording render device kept, read back in design units: fills,
// rounded rectangles, effects, triangles (the two triangles of a line become the line) and
// texts (runs of glyphs of a font whose every character has the same advance).
#include "platform/render_device.h"
#include "presentation/renderer.h"
#include "tests/app/app_fixture.h"
#include "tests/app/draw_calls.h"

namespace apptest {

// glyphAdvance: the font's advance in atlas pixels (the fixture's fixedAdvanceAtlas).
DrawCalls decodeFrame(const platform::FrameRecording& frame, const lumenark::Renderer& renderer,
                      float glyphAdvance);

// The last frame the fixture's device kept, at the fixture font's advance; none before a frame.
DrawCalls lastFrameCalls(const testsupport::DeviceLog& device, const lumenark::Renderer& renderer);

} // namespace apptest
