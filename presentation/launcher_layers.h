#pragma once
// The one shader of the launcher, compiled at start. Its C++ twin, launcher_layers_cpu.h, is
// the same program line for line for the CPU device: change both together. The renderer hands
// both to the device, which runs the one it can.
#include <string_view>

namespace lumenark {

inline constexpr std::string_view launcherLayersName = "launcher_layers.hlsl";

inline constexpr std::string_view launcherLayersSource = R"hlsl(
cbuffer Draw : register(b0)
{
    float4 rect;
    float4 texrect;
    float4 tint;
    float4 params;
};

Texture2D image : register(t0);
SamplerState imageSampler : register(s0);

struct VsOut
{
    float4 position : SV_Position;
    float2 uv : TEXCOORD0;
    float2 local : TEXCOORD1;
};

static const float2 corners[6] =
{
    float2(0, 0), float2(1, 0), float2(0, 1),
    float2(0, 1), float2(1, 0), float2(1, 1)
};

VsOut vs(uint index : SV_VertexID)
{
    VsOut o;
    float2 q = corners[index];
    float2 p = rect.xy + q * rect.zw;
    if (params.w == 10.0)
    {
        p = index == 0 ? rect.xy : (index == 1 ? rect.zw : texrect.xy);
        q = float2(0.5, 0.5);
    }
    o.position = float4(p / params.xy * float2(2, -2) + float2(-1, 1), 0, 1);
    o.uv = texrect.xy + q * texrect.zw;
    o.local = q;
    return o;
}

float hash(float2 v)
{
    return frac(sin(dot(v, float2(127.1, 311.7))) * 43758.5453);
}

float noise(float2 p)
{
    float2 i = floor(p);
    float2 f = frac(p);
    f = f * f * (3.0 - 2.0 * f);
    float a = hash(i);
    float b = hash(i + float2(1, 0));
    float c = hash(i + float2(0, 1));
    float d = hash(i + float2(1, 1));
    return lerp(lerp(a, b, f.x), lerp(c, d, f.x), f.y);
}

float4 ps(VsOut i) : SV_Target
{
    float t = params.z;
    float2 q = i.local;
    float mode = params.w;
    float4 c = image.Sample(imageSampler, i.uv) * tint;
    if (mode == 1.0)
    {
        float y = q.y;
        float x = (q.x - 0.5) * 2.0;
        float wobble = 0.15 * sin(16.0 * y - 4.0 * t) + 0.10 * sin(31.0 * y + 5.0 * t);
        float n = noise(float2(7.0 * q.x, 8.0 * y + 2.0 * t));
        float fire = saturate((1.0 - abs(x + wobble)) * (y + 0.1) * 2.2 - (1.0 - y) * 0.9 + 0.4 * n);
        float a = smoothstep(0.25, 0.8, fire) * smoothstep(0.0, 0.16, y) * (1.0 - smoothstep(0.88, 1.0, y));
        return float4(lerp(float3(1.0, 0.09, 0.005), float3(1.0, 0.8, 0.2), fire), a * tint.a);
    }
    if (mode == 2.0)
    {
        float n = noise(float2(5.0 * q.x + 0.02 * t, 3.0 * q.y + 0.04 * t));
        float a = n * n * smoothstep(0.0, 0.3, q.y) * (1.0 - smoothstep(0.5, 1.0, q.y));
        return float4(tint.rgb, a * tint.a);
    }
    if (mode == 3.0)
    {
        float fade = saturate(1.0 - q.y);
        c.a *= fade * fade * 0.32;
        return c;
    }
    if (mode == 4.0)
    {
        c.rgb *= 0.78 + 0.22 * sin(320.0 * q.y + 0.5 * sin(0.4 * t));
        c.a *= 0.14;
        return c;
    }
    if (mode == 5.0)
    {
        float d = length((q - 0.5) * 2.0);
        float g = saturate(1.0 - d);
        return float4(tint.rgb, g * g * tint.a);
    }
    if (mode == 6.0)
    {
        float2 s = rect.zw;
        float2 p = (q - 0.5) * s;
        float r = min(texrect.x, min(s.x, s.y) * 0.5);
        float2 d = abs(p) - (s * 0.5 - r);
        float dist = length(max(d, 0.0)) + min(max(d.x, d.y), 0.0) - r;
        float a = saturate(0.5 - dist);
        if (texrect.y > 0.0)
        {
            a *= saturate(dist + texrect.y + 0.5);
        }
        return float4(tint.rgb, a * tint.a);
    }
    return c;
}
)hlsl";

} // namespace lumenark
