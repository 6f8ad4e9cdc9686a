#include "tests/app/draw_calls.h"

#include <cmath>
#include <string>

namespace apptest {
namespace {

constexpr float tolerance = 0.002f;

bool near(float a, float b) {
    return std::fabs(a - b) <= tolerance * std::max(1.0f, std::fabs(a));
}

} // namespace

std::vector<std::wstring> textsOf(const DrawCalls& calls) {
    std::vector<std::wstring> texts;
    for (const DrawCall& call : calls) {
        if (call.kind == DrawKind::text) {
            texts.push_back(call.text);
        }
    }
    return texts;
}

std::optional<DrawCall> findText(const DrawCalls& calls, const std::wstring& text) {
    for (const DrawCall& call : calls) {
        if (call.kind == DrawKind::text && call.text == text) {
            return call;
        }
    }
    return std::nullopt;
}

std::optional<DrawCall> findTextStartingWith(const DrawCalls& calls, const std::wstring& prefix) {
    for (const DrawCall& call : calls) {
        if (call.kind == DrawKind::text && call.text.starts_with(prefix)) {
            return call;
        }
    }
    return std::nullopt;
}

DrawCalls callsOf(const DrawCalls& calls, DrawKind kind) {
    DrawCalls found;
    for (const DrawCall& call : calls) {
        if (call.kind == kind) {
            found.push_back(call);
        }
    }
    return found;
}

bool sameColor(const lumenark::ColorF& a, const lumenark::ColorF& b) {
    return near(a.r, b.r) && near(a.g, b.g) && near(a.b, b.b) && near(a.a, b.a);
}

testing::AssertionResult colorIs(const lumenark::ColorF& actual, const lumenark::ColorF& expected) {
    if (sameColor(actual, expected)) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << "colour (" << actual.r << ", " << actual.g << ", " << actual.b << ", " << actual.a
           << ") expected (" << expected.r << ", " << expected.g << ", " << expected.b << ", "
           << expected.a << ")";
}

bool sameRect(const lumenark::RectF& a, const lumenark::RectF& b) {
    return near(a.x, b.x) && near(a.y, b.y) && near(a.width, b.width) && near(a.height, b.height);
}

bool sameCall(const DrawCall& a, const DrawCall& b) {
    if (a.kind != b.kind || !sameColor(a.color, b.color)) {
        return false;
    }
    const auto samePoints = [&](std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            if (std::fabs(a.points[i] - b.points[i]) > 0.01f) {
                return false;
            }
        }
        return true;
    };
    switch (a.kind) {
    case DrawKind::fill:
        return sameRect(a.rect, b.rect);
    case DrawKind::roundedRect:
        return sameRect(a.rect, b.rect) && near(a.radius, b.radius) && near(a.border, b.border);
    case DrawKind::triangle:
        return samePoints(6);
    case DrawKind::line:
        return samePoints(4) && near(a.width, b.width);
    case DrawKind::text:
        return a.text == b.text && near(a.rect.x, b.rect.x) && near(a.rect.y, b.rect.y) &&
               near(a.size, b.size) && (a.text.size() < 2 || near(a.tracking, b.tracking));
    case DrawKind::effect:
        return sameRect(a.rect, b.rect) && a.mode == b.mode && near(a.time, b.time);
    }
    return false;
}

void PrintTo(const DrawCall& call, std::ostream* out) {
    static constexpr const char* names[] = {"fill", "roundedRect", "triangle",
                                            "line", "text",        "effect"};
    *out << names[static_cast<int>(call.kind)] << " rect(" << call.rect.x << ", " << call.rect.y
         << ", " << call.rect.width << ", " << call.rect.height << ") color(" << call.color.r
         << ", " << call.color.g << ", " << call.color.b << ", " << call.color.a << ")";
    switch (call.kind) {
    case DrawKind::roundedRect:
        *out << " radius " << call.radius << " border " << call.border;
        break;
    case DrawKind::triangle:
    case DrawKind::line:
        *out << " points";
        for (const float p : call.points) {
            *out << " " << p;
        }
        *out << " width " << call.width;
        break;
    case DrawKind::text:
        *out << " \"";
        for (const wchar_t ch : call.text) {
            *out << (ch < 128 ? static_cast<char>(ch) : '?');
        }
        *out << "\" size " << call.size << " tracking " << call.tracking;
        break;
    case DrawKind::effect:
        *out << " mode " << static_cast<int>(call.mode) << " time " << call.time;
        break;
    case DrawKind::fill:
        break;
    }
}

} // namespace apptest
