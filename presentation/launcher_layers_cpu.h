#pragma once
// The C++ twin of launcher_layers.h for the CPU device, written line for line from the HLSL in
// 32-bit floats with HLSL's meanings of frac, saturate, lerp and smoothstep. Change both
// together. Header-only: the CPU device below the seam runs it without linking this layer.
#include "platform/render_device.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lumenark::hlsl {

struct float2 {
    float x, y;
};
struct float3 {
    float x, y, z;
};
struct float4 {
    float x, y, z, w;
    float2 xy() const { return {x, y}; }
    float2 zw() const { return {z, w}; }
    float3 rgb() const { return {x, y, z}; }
};

inline float2 operator+(float2 a, float2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline float2 operator-(float2 a, float2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline float2 operator*(float2 a, float2 b) {
    return {a.x * b.x, a.y * b.y};
}
inline float2 operator/(float2 a, float2 b) {
    return {a.x / b.x, a.y / b.y};
}
inline float2 operator*(float2 a, float s) {
    return {a.x * s, a.y * s};
}
inline float2 operator-(float2 a, float s) {
    return {a.x - s, a.y - s};
}
inline float2 operator-(float s, float2 a) {
    return {s - a.x, s - a.y};
}
inline float2 operator*(float s, float2 a) {
    return {s * a.x, s * a.y};
}
inline float4 operator*(float4 a, float4 b) {
    return {a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w};
}

inline float frac(float v) {
    return v - std::floor(v);
}
inline float2 frac(float2 v) {
    return {frac(v.x), frac(v.y)};
}
inline float2 floor(float2 v) {
    return {std::floor(v.x), std::floor(v.y)};
}
inline float2 abs(float2 v) {
    return {std::fabs(v.x), std::fabs(v.y)};
}
inline float2 max(float2 v, float s) {
    return {std::max(v.x, s), std::max(v.y, s)};
}
inline float saturate(float v) {
    return std::min(std::max(v, 0.0f), 1.0f);
}
inline float lerp(float a, float b, float s) {
    return a + (b - a) * s;
}
inline float3 lerp(float3 a, float3 b, float s) {
    return {lerp(a.x, b.x, s), lerp(a.y, b.y, s), lerp(a.z, b.z, s)};
}
inline float smoothstep(float e0, float e1, float v) {
    const float t = saturate((v - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
inline float dot(float2 a, float2 b) {
    return a.x * b.x + a.y * b.y;
}
inline float length(float2 v) {
    return std::sqrt(dot(v, v));
}

// A B8G8R8A8 texture behind the linear, clamping sampler.
struct Texture2D {
    const std::uint32_t* texels = nullptr;
    std::uint32_t width = 1;
    std::uint32_t height = 1;

    float4 texel(std::uint32_t x, std::uint32_t y) const {
        const std::uint32_t v = texels[static_cast<std::size_t>(y) * width + x];
        constexpr float unit = 1.0f / 255.0f;
        return {static_cast<float>((v >> 16) & 0xFF) * unit,
                static_cast<float>((v >> 8) & 0xFF) * unit, static_cast<float>(v & 0xFF) * unit,
                static_cast<float>(v >> 24) * unit};
    }

    float4 Sample(float2 uv) const {
        const float fx = uv.x * static_cast<float>(width) - 0.5f;
        const float fy = uv.y * static_cast<float>(height) - 0.5f;
        const float x0 = std::floor(fx);
        const float y0 = std::floor(fy);
        const float ax = fx - x0;
        const float ay = fy - y0;
        const std::uint32_t xa = clampIndex(x0, width);
        const std::uint32_t xb = clampIndex(x0 + 1.0f, width);
        const std::uint32_t ya = clampIndex(y0, height);
        const std::uint32_t yb = clampIndex(y0 + 1.0f, height);
        const float4 t00 = texel(xa, ya);
        const float4 t10 = texel(xb, ya);
        const float4 t01 = texel(xa, yb);
        const float4 t11 = texel(xb, yb);
        return {mix(t00.x, t10.x, t01.x, t11.x, ax, ay), mix(t00.y, t10.y, t01.y, t11.y, ax, ay),
                mix(t00.z, t10.z, t01.z, t11.z, ax, ay), mix(t00.w, t10.w, t01.w, t11.w, ax, ay)};
    }

private:
    static std::uint32_t clampIndex(float i, std::uint32_t size) {
        if (!(i > 0.0f)) {
            return 0;
        }
        const float last = static_cast<float>(size - 1);
        return static_cast<std::uint32_t>(i < last ? i : last);
    }
    static float mix(float a, float b, float c, float d, float ax, float ay) {
        return lerp(lerp(a, b, ax), lerp(c, d, ax), ay);
    }
};

// The constant buffer Draw.
struct Draw {
    float4 rect, texrect, tint, params;
    explicit Draw(const platform::DrawConstants& k)
        : rect{k.rect[0], k.rect[1], k.rect[2], k.rect[3]}, texrect{k.texrect[0], k.texrect[1],
                                                                    k.texrect[2], k.texrect[3]},
          tint{k.tint[0], k.tint[1], k.tint[2], k.tint[3]}, params{k.params[0], k.params[1],
                                                                   k.params[2], k.params[3]} {}
};

struct VsOut {
    float4 position;
    float2 uv;
    float2 local;
};

inline constexpr float2 corners[6] = {{0, 0}, {1, 0}, {0, 1}, {0, 1}, {1, 0}, {1, 1}};

inline VsOut vs(const Draw& draw, unsigned index) {
    const float4& rect = draw.rect;
    const float4& texrect = draw.texrect;
    const float4& params = draw.params;
    VsOut o;
    float2 q = corners[index];
    float2 p = rect.xy() + q * rect.zw();
    if (params.w == 10.0f) {
        p = index == 0 ? rect.xy() : (index == 1 ? rect.zw() : texrect.xy());
        q = float2{0.5f, 0.5f};
    }
    const float2 ndc = p / params.xy() * float2{2, -2} + float2{-1, 1};
    o.position = float4{ndc.x, ndc.y, 0, 1};
    o.uv = texrect.xy() + q * texrect.zw();
    o.local = q;
    return o;
}

inline float hash(float2 v) {
    return frac(std::sin(dot(v, float2{127.1f, 311.7f})) * 43758.5453f);
}

inline float noise(float2 p) {
    float2 i = floor(p);
    float2 f = frac(p);
    f = f * f * (3.0f - 2.0f * f);
    float a = hash(i);
    float b = hash(i + float2{1, 0});
    float c = hash(i + float2{0, 1});
    float d = hash(i + float2{1, 1});
    return lerp(lerp(a, b, f.x), lerp(c, d, f.x), f.y);
}

inline float4 ps(const Draw& draw, const Texture2D& image, const VsOut& i) {
    const float4& rect = draw.rect;
    const float4& texrect = draw.texrect;
    const float4& tint = draw.tint;
    const float4& params = draw.params;
    float t = params.z;
    float2 q = i.local;
    float mode = params.w;
    float4 c = image.Sample(i.uv) * tint;
    if (mode == 1.0f) {
        float y = q.y;
        float x = (q.x - 0.5f) * 2.0f;
        float wobble =
            0.15f * std::sin(16.0f * y - 4.0f * t) + 0.10f * std::sin(31.0f * y + 5.0f * t);
        float n = noise(float2{7.0f * q.x, 8.0f * y + 2.0f * t});
        float fire = saturate((1.0f - std::fabs(x + wobble)) * (y + 0.1f) * 2.2f -
                              (1.0f - y) * 0.9f + 0.4f * n);
        float a = smoothstep(0.25f, 0.8f, fire) * smoothstep(0.0f, 0.16f, y) *
                  (1.0f - smoothstep(0.88f, 1.0f, y));
        const float3 rgb = lerp(float3{1.0f, 0.09f, 0.005f}, float3{1.0f, 0.8f, 0.2f}, fire);
        return float4{rgb.x, rgb.y, rgb.z, a * tint.w};
    }
    if (mode == 2.0f) {
        float n = noise(float2{5.0f * q.x + 0.02f * t, 3.0f * q.y + 0.04f * t});
        float a = n * n * smoothstep(0.0f, 0.3f, q.y) * (1.0f - smoothstep(0.5f, 1.0f, q.y));
        return float4{tint.x, tint.y, tint.z, a * tint.w};
    }
    if (mode == 3.0f) {
        float fade = saturate(1.0f - q.y);
        c.w *= fade * fade * 0.32f;
        return c;
    }
    if (mode == 4.0f) {
        const float shade = 0.78f + 0.22f * std::sin(320.0f * q.y + 0.5f * std::sin(0.4f * t));
        c.x *= shade;
        c.y *= shade;
        c.z *= shade;
        c.w *= 0.14f;
        return c;
    }
    if (mode == 5.0f) {
        float d = length((q - 0.5f) * 2.0f);
        float g = saturate(1.0f - d);
        return float4{tint.x, tint.y, tint.z, g * g * tint.w};
    }
    if (mode == 6.0f) {
        float2 s = rect.zw();
        float2 p = (q - 0.5f) * s;
        float r = std::min(texrect.x, std::min(s.x, s.y) * 0.5f);
        float2 d = abs(p) - (s * 0.5f - r);
        float dist = length(max(d, 0.0f)) + std::min(std::max(d.x, d.y), 0.0f) - r;
        float a = saturate(0.5f - dist);
        if (texrect.y > 0.0f) {
            a *= saturate(dist + texrect.y + 0.5f);
        }
        return float4{tint.x, tint.y, tint.z, a * tint.w};
    }
    return c;
}

} // namespace lumenark::hlsl
