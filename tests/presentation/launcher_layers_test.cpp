// The C++ twin of the launcher shader: corner table, triangle mode and each mode's documented
// values.
#include "presentation/launcher_layers_cpu.h"

#include "presentation/launcher_layers.h"

#include <gtest/gtest.h>

namespace lumenark::hlsl {
namespace {

platform::DrawConstants constants(float mode, float time = 0.0f) {
    return {{10, 20, 200, 100}, {0, 0, 1, 1}, {0.2f, 0.4f, 0.6f, 0.8f}, {400, 200, time, mode}};
}

const std::uint32_t whiteTexel = 0xFFFFFFFFu;
const Texture2D white{&whiteTexel, 1, 1};

float4 shade(const platform::DrawConstants& k, float qx, float qy, const Texture2D& image = white) {
    VsOut in{};
    in.uv = {qx, qy};
    in.local = {qx, qy};
    return ps(Draw(k), image, in);
}

TEST(LauncherLayersTest, QuadCornersCoverTheRectangleInClipSpace) {
    const Draw draw(constants(0));
    const float2 expected[6] = {{0, 0}, {1, 0}, {0, 1}, {0, 1}, {1, 0}, {1, 1}};
    for (unsigned i = 0; i < 6; ++i) {
        const VsOut out = vs(draw, i);
        EXPECT_FLOAT_EQ(out.local.x, expected[i].x);
        EXPECT_FLOAT_EQ(out.local.y, expected[i].y);
        // Pixel (10 + 200 qx, 20 + 100 qy) of a 400 x 200 viewport, y downwards.
        EXPECT_FLOAT_EQ(out.position.x, (10 + 200 * expected[i].x) / 400 * 2 - 1);
        EXPECT_FLOAT_EQ(out.position.y, 1 - (20 + 100 * expected[i].y) / 200 * 2);
        EXPECT_FLOAT_EQ(out.position.w, 1);
    }
}

TEST(LauncherLayersTest, TriangleModeUsesTheThreeGivenCorners) {
    platform::DrawConstants k = constants(10);
    k.rect[0] = 0;
    k.rect[1] = 0;
    k.rect[2] = 400;
    k.rect[3] = 0;
    k.texrect[0] = 200;
    k.texrect[1] = 200;
    const Draw draw(k);
    const float2 expected[3] = {{-1, 1}, {1, 1}, {0, -1}};
    for (unsigned i = 0; i < 3; ++i) {
        const VsOut out = vs(draw, i);
        EXPECT_FLOAT_EQ(out.position.x, expected[i].x);
        EXPECT_FLOAT_EQ(out.position.y, expected[i].y);
        EXPECT_FLOAT_EQ(out.local.x, 0.5f);
        // uv is the third corner's pixel position: far outside the white texture, which the
        // clamping sampler still answers with white.
        EXPECT_FLOAT_EQ(out.uv.x, 200 + 0.5f * k.texrect[2]);
    }
    VsOut in{};
    in.uv = vs(draw, 0).uv;
    const float4 c = ps(draw, white, in);
    EXPECT_FLOAT_EQ(c.x, 0.2f);
    EXPECT_FLOAT_EQ(c.w, 0.8f);
}

TEST(LauncherLayersTest, TexturedAndUnknownModesAreTheTintedSample) {
    const std::uint32_t texels[2] = {0x80FF0000u, 0xFF0000FFu}; // half-transparent red, blue
    const Texture2D image{texels, 2, 1};
    for (const float mode : {0.0f, 7.0f, 10.0f, 0.5f}) {
        const float4 left = shade(constants(mode), 0.25f, 0.5f, image);
        EXPECT_FLOAT_EQ(left.x, 0.2f) << mode;
        EXPECT_FLOAT_EQ(left.z, 0.0f) << mode;
        EXPECT_NEAR(left.w, 0.8f * 128 / 255, 1e-6) << mode;
        // Half-way between the texel centres: the linear blend.
        const float4 middle = shade(constants(mode), 0.5f, 0.5f, image);
        EXPECT_NEAR(middle.x, 0.2f * 0.5f, 1e-6) << mode;
        EXPECT_NEAR(middle.z, 0.6f * 0.5f, 1e-6) << mode;
    }
    // Clamped: beyond the edge is the edge texel.
    EXPECT_FLOAT_EQ(shade(constants(0), -3.0f, 0.5f, image).x, 0.2f);
    EXPECT_FLOAT_EQ(shade(constants(0), 4.0f, 0.5f, image).z, 0.6f);
}

TEST(LauncherLayersTest, ReflectionFadeRunsFromThirtyTwoPercentToNothing) {
    EXPECT_NEAR(shade(constants(3), 0.5f, 0.0f).w, 0.8f * 0.32f, 1e-6);
    EXPECT_FLOAT_EQ(shade(constants(3), 0.5f, 1.0f).w, 0.0f);
    EXPECT_NEAR(shade(constants(3), 0.5f, 0.5f).w, 0.8f * 0.25f * 0.32f, 1e-6);
    EXPECT_FLOAT_EQ(shade(constants(3), 0.5f, 0.5f).x, 0.2f);
}

TEST(LauncherLayersTest, ScanlinesDarkenBetweenSeventyEightAndOneHundredPercent) {
    for (float y = 0.0f; y <= 1.0f; y += 0.01f) {
        const float4 c = shade(constants(4, 3.0f), 0.5f, y);
        EXPECT_GE(c.x, 0.2f * 0.56f - 1e-5f);
        EXPECT_LE(c.x, 0.2f + 1e-5f);
        EXPECT_NEAR(c.w, 0.8f * 0.14f, 1e-6);
    }
    EXPECT_NEAR(shade(constants(4), 0.5f, 0.0f).x, 0.2f * 0.78f, 1e-6);
}

TEST(LauncherLayersTest, GlowIsFullAtTheCentreAndNothingAtTheInscribedEllipse) {
    EXPECT_FLOAT_EQ(shade(constants(5), 0.5f, 0.5f).w, 0.8f);
    EXPECT_FLOAT_EQ(shade(constants(5), 1.0f, 0.5f).w, 0.0f);
    EXPECT_FLOAT_EQ(shade(constants(5), 0.0f, 0.0f).w, 0.0f);
    EXPECT_NEAR(shade(constants(5), 0.75f, 0.5f).w, 0.8f * 0.25f, 1e-6);
    EXPECT_FLOAT_EQ(shade(constants(5), 0.75f, 0.5f).y, 0.4f);
}

// Rounded rectangle: 200 x 100 pixels, q picks the pixel.
float roundedAlpha(float radius, float border, float px, float py) {
    platform::DrawConstants k = constants(6);
    k.texrect[0] = radius;
    k.texrect[1] = border;
    return shade(k, px / 200.0f, py / 100.0f).w / 0.8f;
}

TEST(LauncherLayersTest, RoundedRectangleFillsOutlinesAndBecomesACapsule) {
    EXPECT_NEAR(roundedAlpha(20, 0, 100, 50), 1.0f, 1e-6);
    // The corner pixel lies outside the rounded corner; the same pixel of a sharp box is inside.
    EXPECT_FLOAT_EQ(roundedAlpha(20, 0, 1, 1), 0.0f);
    EXPECT_NEAR(roundedAlpha(0, 0, 1, 1), 1.0f, 1e-6);
    // The anti-aliased edge: half covered exactly on the border.
    EXPECT_NEAR(roundedAlpha(0, 0, 100, 0), 0.5f, 1e-6);
    // An outline 4 pixels wide: inside the band opaque, the centre empty.
    EXPECT_NEAR(roundedAlpha(20, 4, 100, 2), 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(roundedAlpha(20, 4, 100, 50), 0.0f);
    // A radius above half the smaller side is a capsule of radius 50.
    EXPECT_FLOAT_EQ(roundedAlpha(500, 0, 10, 10), 0.0f);
    EXPECT_NEAR(roundedAlpha(500, 0, 50, 50), 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(roundedAlpha(500, 0, 1, 50), 1.0f);
}

TEST(LauncherLayersTest, FireFadesAtBothEndsAndMovesWithTime) {
    float sum0 = 0;
    float sum1 = 0;
    for (int i = 0; i <= 20; ++i) {
        const float x = static_cast<float>(i) / 20.0f;
        EXPECT_FLOAT_EQ(shade(constants(1, 1.5f), x, 0.0f).w, 0.0f);
        EXPECT_FLOAT_EQ(shade(constants(1, 1.5f), x, 1.0f).w, 0.0f);
        for (int j = 1; j < 20; ++j) {
            const float y = static_cast<float>(j) / 20.0f;
            const float4 c = shade(constants(1, 0.0f), x, y);
            EXPECT_FLOAT_EQ(c.x, 1.0f);
            // Between deep red and yellow; the tint's rgb plays no part.
            EXPECT_GE(c.y, 0.09f - 1e-6f);
            EXPECT_LE(c.y, 0.8f + 1e-6f);
            EXPECT_LE(c.w, 0.8f + 1e-6f);
            sum0 += c.w;
            sum1 += shade(constants(1, 1.0f), x, y).w;
            EXPECT_EQ(c.w, shade(constants(1, 0.0f), x, y).w);
        }
    }
    EXPECT_GT(sum0, 0.0f);
    EXPECT_NE(sum0, sum1);
}

TEST(LauncherLayersTest, FogIsNoiseInAHorizontalBandAndDrifts) {
    float sum0 = 0;
    float sum1 = 0;
    for (int i = 0; i <= 20; ++i) {
        const float x = static_cast<float>(i) / 20.0f;
        EXPECT_FLOAT_EQ(shade(constants(2, 4.0f), x, 0.0f).w, 0.0f);
        EXPECT_FLOAT_EQ(shade(constants(2, 4.0f), x, 1.0f).w, 0.0f);
        for (int j = 0; j <= 20; ++j) {
            const float y = static_cast<float>(j) / 20.0f;
            const float4 c = shade(constants(2, 0.0f), x, y);
            EXPECT_FLOAT_EQ(c.z, 0.6f);
            EXPECT_LE(c.w, 0.8f);
            sum0 += c.w;
            sum1 += shade(constants(2, 30.0f), x, y).w;
        }
    }
    EXPECT_GT(sum0, 0.0f);
    EXPECT_NE(sum0, sum1);
}

TEST(LauncherLayersTest, NoiseStaysInTheUnitRange) {
    for (int i = 0; i < 400; ++i) {
        const float n = noise({static_cast<float>(i) * 0.37f, static_cast<float>(i % 17) * 1.3f});
        EXPECT_GE(n, 0.0f);
        EXPECT_LE(n, 1.0f);
    }
}

// The HLSL names the entry points and constant buffer the device binds.
TEST(LauncherLayersTest, ShaderTextDeclaresWhatTheDeviceBinds) {
    for (const char* part :
         {"cbuffer Draw : register(b0)", "Texture2D image : register(t0)",
          "SamplerState imageSampler : register(s0)", "VsOut vs(uint index : SV_VertexID)",
          "float4 ps(VsOut i) : SV_Target"}) {
        EXPECT_NE(launcherLayersSource.find(part), std::string_view::npos) << part;
    }
}

} // namespace
} // namespace lumenark::hlsl
