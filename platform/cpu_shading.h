#pragma once
// What a shader's C++ twin needs to run on the CPU device: HLSL's vector types and intrinsics
// (frac, saturate, lerp, smoothstep, ...) in 32-bit floats with HLSL's meanings, a texture
// behind the linear clamping sampler, the draw's constant buffer, the stage outputs the
// rasteriser interpolates, and the program type that hands the two stages to the device. The
// program itself lives with its HLSL text above the seam.
#include "platform/render_device.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace platform::hlsl {

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
        // One texel: every tap is the same and the blend of equal taps is that texel.
        if (width == 1 && height == 1 && std::isfinite(uv.x) && std::isfinite(uv.y)) {
            return texel(0, 0);
        }
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
    explicit Draw(const DrawConstants& k)
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

// A program's two stages: the vertex stage for one corner of a draw, the pixel stage for one
// point of it with the interpolated outputs.
struct CpuShaderProgram {
    VsOut (*vs)(const Draw& draw, unsigned index) = nullptr;
    float4 (*ps)(const Draw& draw, const Texture2D& image, const VsOut& input) = nullptr;
};

} // namespace platform::hlsl
