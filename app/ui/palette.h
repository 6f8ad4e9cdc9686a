#pragma once
// The launcher's nine named colours; every page and widget draws with these and only the values
// it names besides them.
#include "presentation/renderer.h"

namespace lumenark {

struct UiPalette {
    static constexpr ColorF text{0.93f, 0.93f, 0.95f, 1.0f};      // titles, values, labels
    static constexpr ColorF muted{0.58f, 0.58f, 0.63f, 1.0f};     // captions, disabled, pending
    static constexpr ColorF body{0.78f, 0.78f, 0.82f, 1.0f};      // paragraph lines
    static constexpr ColorF border{0.2f, 0.19f, 0.22f, 1.0f};     // outlines, separators
    static constexpr ColorF accent{0.88f, 0.10f, 0.11f, 1.0f};    // the brand red; met, done
    static constexpr ColorF hot{1.0f, 0.24f, 0.20f, 1.0f};        // hover and focus rings
    static constexpr ColorF warning{1.0f, 0.70f, 0.28f, 1.0f};    // warnings, failures
    static constexpr ColorF panel{0.058f, 0.056f, 0.064f, 0.97f}; // panel and card fills
    static constexpr ColorF inset{0.034f, 0.033f, 0.039f, 1.0f};  // path fields, code boxes
};

// The badge of a requirement row.
enum class RequirementKind : int { neutral = 0, met = 1, warning = 2 };

} // namespace lumenark
