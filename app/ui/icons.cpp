#include "app/ui/icons.h"

#include <cmath>
#include <numbers>

namespace lumenark {
namespace {

// Draws in the icon's own 24 x 24 coordinates.
class IconPen {
public:
    IconPen(Canvas& canvas, float x, float y, ColorF color)
        : canvas_(canvas), x_(x), y_(y), color_(color) {}

    void line(float x0, float y0, float x1, float y1, float width) {
        canvas_.drawLine(x_ + x0, y_ + y0, x_ + x1, y_ + y1, width, color_);
    }
    void fill(float x, float y, float w, float h) { fill(x, y, w, h, color_); }
    void fill(float x, float y, float w, float h, ColorF color) {
        canvas_.fillRect({x_ + x, y_ + y, w, h}, color);
    }
    void outline(float x, float y, float w, float h, float radius, float border) {
        canvas_.drawRoundedRect({x_ + x, y_ + y, w, h}, radius, color_, border);
    }
    void disc(float x, float y, float w, float h, float radius) {
        canvas_.drawRoundedRect({x_ + x, y_ + y, w, h}, radius, color_, 0.0f);
    }
    void triangle(float x0, float y0, float x1, float y1, float x2, float y2) {
        canvas_.fillTriangle(x_ + x0, y_ + y0, x_ + x1, y_ + y1, x_ + x2, y_ + y2, color_);
    }

private:
    Canvas& canvas_;
    float x_;
    float y_;
    ColorF color_;
};

void house(IconPen& pen) {
    pen.triangle(0, 11, 12, 0, 24, 11);
    pen.fill(4, 10, 16, 14);
    pen.fill(10, 15, 5, 9, {0.04f, 0.01f, 0.01f, 1.0f});
}

void gear(IconPen& pen) {
    for (int i = 0; i < 8; ++i) {
        const float angle = static_cast<float>(i) * std::numbers::pi_v<float> / 4.0f;
        const float c = std::cos(angle);
        const float s = std::sin(angle);
        pen.line(12 + 6 * c, 12 + 6 * s, 12 + 12 * c, 12 + 12 * s, 5);
    }
    pen.fill(5, 5, 14, 14);
    pen.fill(9, 9, 6, 6, {0.015f, 0.02f, 0.035f, 1.0f});
}

void folder(IconPen& pen) {
    pen.line(2, 6, 9, 6, 2);
    pen.line(9, 6, 11, 9, 2);
    pen.outline(1, 8, 22, 14, 2, 2);
}

void gamePad(IconPen& pen) {
    pen.outline(0, 6, 24, 13, 6, 2);
    pen.line(4.5f, 12.5f, 10.5f, 12.5f, 2);
    pen.line(7.5f, 9.5f, 7.5f, 15.5f, 2);
    pen.disc(15, 9, 3.5f, 3.5f, 1.7f);
    pen.disc(18, 12.5f, 3.5f, 3.5f, 1.7f);
}

void scales(IconPen& pen) {
    pen.line(12, 2, 12, 21, 2);
    pen.line(5, 22, 19, 22, 2);
    pen.line(3, 6, 21, 6, 2);
    for (const float px : {3.0f, 21.0f}) {
        pen.line(px, 6, px - 4, 14, 1.5f);
        pen.line(px, 6, px + 4, 14, 1.5f);
        pen.line(px - 4, 14, px + 4, 14, 1.5f);
    }
}

void sliders(IconPen& pen) {
    for (int i = 0; i < 3; ++i) {
        const auto y = static_cast<float>(7 * i);
        pen.line(2, 5 + y, 22, 5 + y, 2);
        pen.disc(4 + 6 * static_cast<float>((7 * i) % 3), 2 + y, 6, 6, 3);
    }
}

void play(IconPen& pen) {
    pen.triangle(6, 4, 20, 12, 6, 20);
}

void monitor(IconPen& pen) {
    pen.outline(1, 3, 22, 14, 2, 2);
    pen.line(12, 17, 12, 21, 2);
    pen.line(7, 21, 17, 21, 2);
}

void document(IconPen& pen) {
    pen.outline(4, 1, 16, 22, 2, 2);
    pen.line(8, 8, 16, 8, 1.5f);
    pen.line(8, 12, 16, 12, 1.5f);
    pen.line(8, 16, 14, 16, 1.5f);
}

void musicNote(IconPen& pen) {
    pen.line(9, 3, 9, 18, 2);
    pen.line(20, 1, 20, 16, 2);
    pen.line(9, 3, 20, 1, 2);
    pen.disc(3, 16, 8, 6, 3);
    pen.disc(14, 13, 8, 6, 3);
}

void pictureDocument(IconPen& pen) {
    pen.outline(4, 1, 16, 22, 2, 2);
    pen.fill(7, 5, 10, 7);
    pen.line(4, 15, 20, 15, 1.5f);
}

} // namespace

void drawIcon(Canvas& canvas, int glyph, float x, float y, ColorF color) {
    IconPen pen(canvas, x, y, color);
    switch (glyph) {
    case iconHouse:
        return house(pen);
    case iconGear:
        return gear(pen);
    case iconFolder:
        return folder(pen);
    case iconGamePad:
        return gamePad(pen);
    case iconScales:
        return scales(pen);
    case iconSliders:
        return sliders(pen);
    case iconPlay:
        return play(pen);
    case iconMonitor:
        return monitor(pen);
    case iconDocument:
        return document(pen);
    case iconMusicNote:
        return musicNote(pen);
    case iconPictureDocument:
        return pictureDocument(pen);
    default:
        return;
    }
}

} // namespace lumenark
