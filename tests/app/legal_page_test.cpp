// The Legal page: its heading, notices and the three sections one after the other.
#include "app/ui/palette.h"
#include "tests/app/frame_calls.h"
#include "tests/app/page_scene.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using apptest::DrawCalls;
using apptest::PageScene;
using apptest::PageState;

TEST(LegalPage, NoticesAndSectionsFollowEachOther) {
    PageScene scene;
    scene.start(PageState::noGameBuilt, lumenark::NavSection::legal);
    const DrawCalls calls = scene.frame();
    const auto heading = apptest::findText(calls, L"Legal");
    ASSERT_TRUE(heading);
    EXPECT_FLOAT_EQ(heading->rect.x, 226);
    EXPECT_NEAR(heading->size, 28, 0.01);
    const auto second = apptest::findText(calls, L"No game files are included: the game's C++ is "
                                                 L"generated on this machine from the user's own "
                                                 L"ROM files.");
    ASSERT_TRUE(second);
    EXPECT_FLOAT_EQ(second->rect.x, 256);
    EXPECT_FLOAT_EQ(second->rect.y, 258);
    const auto third = apptest::findTextStartingWith(calls, L"Game names are used only");
    ASSERT_TRUE(third);
    EXPECT_FLOAT_EQ(third->rect.y, 280);
    // Each section starts where the one before ended: heading, lines 22.5 apart, then 12 more.
    const std::vector<std::wstring> headings{L"Your ROM files", L"Method", L"Licenses"};
    float y = 314;
    for (const std::wstring& heading : headings) {
        auto at = std::find_if(calls.begin(), calls.end(), [&](const apptest::DrawCall& call) {
            return call.kind == apptest::DrawKind::text && call.text == heading;
        });
        ASSERT_NE(at, calls.end());
        EXPECT_FLOAT_EQ(at->rect.y, y);
        EXPECT_NEAR(at->size, 19, 0.01);
        std::size_t lines = 0;
        for (++at; at != calls.end() && at->kind == apptest::DrawKind::text &&
                   apptest::sameColor(at->color, lumenark::UiPalette::body);
             ++at, ++lines) {
            EXPECT_FLOAT_EQ(at->rect.x, 256);
            EXPECT_FLOAT_EQ(at->rect.y, y + 30 + 22.5f * static_cast<float>(lines));
            // Wrapped to R - 60 = 1230 at 7.5 a character.
            EXPECT_LE(static_cast<float>(at->text.size()) * 7.5f, 1230);
        }
        EXPECT_GE(lines, 1u) << static_cast<int>(y);
        y += 30 + 22.5f * static_cast<float>(lines) + 12;
    }
    std::wstring body;
    for (const apptest::DrawCall& call : calls) {
        if (call.kind == apptest::DrawKind::text &&
            apptest::sameColor(call.color, lumenark::UiPalette::body) && call.rect.y > 314) {
            body += call.text + L" ";
        }
    }
    EXPECT_TRUE(body.ends_with(L"Nothing in this application is legal advice. "));
}

} // namespace
