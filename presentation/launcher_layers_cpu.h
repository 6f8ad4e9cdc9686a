#pragma once
// The C++ twin of launcher_layers.h for the CPU device, written line for line from the HLSL
// over the shading kit below the seam. Change both together. The renderer hands it to the
// device beside the HLSL text.
#include "platform/cpu_shading.h"

#include <cmath>

namespace lumenark::hlsl {

// The twin reads as the HLSL does.
using namespace platform::hlsl;

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

inline constexpr CpuShaderProgram launcherLayersCpuProgram{vs, ps};

} // namespace lumenark::hlsl
