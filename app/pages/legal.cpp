// The Legal page with its notices, and the legal footer drawn on every page.
#include "app/app.h"

#include <array>
#include <string>

namespace lumenark {
namespace {

constexpr std::array<std::wstring_view, 3> legalNotices{
    L"Lumenark Recomp is an independent project, not affiliated with or endorsed by Quarrant "
    L"Amusements or Ostrel Interactive.",
    L"No game files are included: the game's C++ is generated on this machine from the user's "
    L"own ROM files.",
    L"Game names are used only to identify compatibility; all marks belong to their respective "
    L"owners.",
};

struct ParagraphSection {
    std::wstring_view heading;
    std::wstring_view paragraph;
};

constexpr std::array<ParagraphSection, 3> legalSections{{
    {L"Your ROM files",
     L"The setup needs ROM files of your own board, obtained legally. The project includes no "
     L"game files and does not provide ROM files, links to them, or instructions for obtaining "
     L"them. Whether a copy is lawful depends on how it was obtained and on the law where you "
     L"live."},
    {L"Method",
     L"Static recompilation done locally from your ROM: the setup reads your files on this "
     L"machine, generates C++ with the project's generators and compiles it here. Generated "
     L"code, game executables and CMOS seeds stay on this machine and are never distributed."},
    {L"Licenses",
     L"The launcher is released under the terms in LICENSE. The components it uses and their "
     L"licenses are listed in THIRD_PARTY_NOTICES.md. Nothing in this application is legal "
     L"advice."},
}};

constexpr ColorF footerFill{0.04f, 0.034f, 0.038f, 1.0f};
constexpr ColorF footerEdge{0.38f, 0.05f, 0.06f, 1.0f};
constexpr ColorF footerDivider{0.35f, 0.33f, 0.36f, 1.0f};
constexpr ColorF firstNoticeColor{0.8f, 0.8f, 0.84f, 1.0f};
constexpr ColorF lastNoticeColor{0.62f, 0.62f, 0.67f, 1.0f};

} // namespace

void App::drawLegalPage() {
    const float r = designWidth() - 246;
    canvas_.drawText(L"Legal", 226, 140, 28, UiPalette::text, 0.5f);
    canvas_.drawRoundedRect({226, 186, r, 734}, 10, UiPalette::panel, 0);
    canvas_.drawRoundedRect({226, 186, r, 734}, 10, UiPalette::border, 1.2f);
    canvas_.drawText(L"Notice", 256, 206, 19, UiPalette::text, 0.3f);
    for (std::size_t k = 0; k < legalNotices.size(); ++k) {
        canvas_.drawText(fitText(legalNotices[k], 15, r - 60, false), 256,
                         236 + 22 * static_cast<float>(k), 15, UiPalette::body, 0.1f);
    }
    float y = 314;
    for (const ParagraphSection& section : legalSections) {
        drawParagraphSection(section.heading, section.paragraph, 256, y, r - 60);
    }
    if (!backend_.ownershipConfirmed()) {
        canvas_.drawText(L"Verify and Build stay disabled until you confirm:", 256, 766, 14,
                         UiPalette::warning, 0.1f);
    }
}

void App::drawLegalBlock() {
    const float f = designWidth() - 32;
    canvas_.drawRoundedRect({16, 972, f, 44}, 8, footerFill, 0);
    canvas_.drawRoundedRect({16, 972, f, 44}, 8, footerEdge, 1);
    const ColorF ink = UiPalette::text;
    canvas_.drawLine(44, 984, 44, 1003, 2, ink);
    canvas_.drawLine(37, 1004, 51, 1004, 2, ink);
    canvas_.drawLine(35, 988, 53, 988, 2, ink);
    for (const float px : {35.0f, 53.0f}) {
        canvas_.drawLine(px, 988, px - 4, 996, 1.5f, ink);
        canvas_.drawLine(px, 988, px + 4, 996, 1.5f, ink);
        canvas_.drawLine(px - 4, 996, px + 4, 996, 1.5f, ink);
    }
    canvas_.drawText(L"Legal", 66, 985, 16, ink, 0.3f);
    canvas_.drawLine(124, 982, 124, 1006, 1, footerDivider);
    const std::wstring first = std::wstring(legalNotices[0]) + L" " + std::wstring(legalNotices[1]);
    canvas_.drawText(fitText(first, 12, f - 140, false), 138, 979, 12, firstNoticeColor, 0.1f);
    canvas_.drawText(fitText(legalNotices[2], 12, f - 140, false), 138, 996, 12, lastNoticeColor,
                     0.1f);
}

} // namespace lumenark
