// The menu music: decoding, the loop crossfade, and the player's fades, duck and turns, over a
// recording voice and a clock the test moves.
#include "presentation/menu_music.h"

#include "tests/support/sine_wav.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using lumenark::MenuMusic;
using testsupport::SineWav;

std::string labelOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(no error)";
}

// ---- recording engine ----

enum class FailAt { nothing, engine, masteringVoice, sourceVoice, initialGain, loop, start };

struct Recording {
    FailAt failAt = FailAt::nothing;
    std::vector<std::string> events;
    std::vector<float> volumes;
    platform::PcmFormat format{};
    platform::LoopingBuffer buffer{};
    std::vector<std::int16_t> submittedSamples;
    bool running = false;
};

class RecordingSourceVoice final : public platform::SourceVoice {
public:
    explicit RecordingSourceVoice(std::shared_ptr<Recording> log) : log_(std::move(log)) {}
    ~RecordingSourceVoice() override { log_->events.push_back("destroy source voice"); }
    bool setVolume(float volume) override {
        log_->volumes.push_back(volume);
        return !(log_->failAt == FailAt::initialGain);
    }
    bool start() override {
        log_->events.push_back("start");
        if (log_->failAt == FailAt::start) {
            return false;
        }
        log_->running = true;
        return true;
    }
    bool stop() override {
        log_->events.push_back("stop");
        log_->running = false;
        return true;
    }
    bool submit(const platform::LoopingBuffer& buffer) override {
        log_->events.push_back("submit");
        log_->buffer = buffer;
        log_->submittedSamples.assign(buffer.samples, buffer.samples + buffer.sampleCount);
        return log_->failAt != FailAt::loop;
    }

private:
    std::shared_ptr<Recording> log_;
};

class RecordingMasteringVoice final : public platform::MasteringVoice {
public:
    explicit RecordingMasteringVoice(std::shared_ptr<Recording> log) : log_(std::move(log)) {}
    ~RecordingMasteringVoice() override { log_->events.push_back("destroy mastering voice"); }

private:
    std::shared_ptr<Recording> log_;
};

class RecordingEngine final : public platform::AudioEngine {
public:
    explicit RecordingEngine(std::shared_ptr<Recording> log) : log_(std::move(log)) {}
    ~RecordingEngine() override { log_->events.push_back("release engine"); }
    std::unique_ptr<platform::MasteringVoice> createMasteringVoice() override {
        if (log_->failAt == FailAt::masteringVoice) {
            throw std::runtime_error("output device");
        }
        return std::make_unique<RecordingMasteringVoice>(log_);
    }
    std::unique_ptr<platform::SourceVoice>
    createSourceVoice(const platform::PcmFormat& format) override {
        if (log_->failAt == FailAt::sourceVoice) {
            throw std::runtime_error("music voice");
        }
        log_->format = format;
        return std::make_unique<RecordingSourceVoice>(log_);
    }

private:
    std::shared_ptr<Recording> log_;
};

// ---- fixture ----

class MenuMusicTest : public testing::Test {
protected:
    lumenark::MenuMusicServices services() {
        auto log = recording_;
        auto now = now_;
        return {[now] { return *now; },
                [log]() -> std::unique_ptr<platform::AudioEngine> {
                    if (log->failAt == FailAt::engine) {
                        throw std::runtime_error("audio engine");
                    }
                    return std::make_unique<RecordingEngine>(log);
                }};
    }

    std::filesystem::path wav(const SineWav& sine, const std::string& name = "menu.wav") {
        const auto path = folder_ / name;
        testsupport::writeSineWav(path, sine);
        return path;
    }

    std::unique_ptr<MenuMusic> music(const SineWav& sine = {44100, 2, 16, 44100}) {
        return std::make_unique<MenuMusic>(wav(sine), services());
    }

    // Ticks every `step` ms until `until` ms after the current time; the last result.
    bool tickFor(MenuMusic& player, int percent, std::uint64_t step, std::uint64_t until) {
        bool result = false;
        const std::uint64_t end = *now_ + until;
        while (*now_ < end) {
            *now_ += step;
            result = player.tick(percent);
        }
        return result;
    }

    void playAtFullLevel(MenuMusic& player) {
        player.tick(100);
        tickFor(player, 100, 10, 450);
        ASSERT_FLOAT_EQ(player.level(), 1.0f);
    }

    testsupport::TempFolder folder_{"menu_music"};
    std::shared_ptr<Recording> recording_ = std::make_shared<Recording>();
    std::shared_ptr<std::uint64_t> now_ = std::make_shared<std::uint64_t>(1000000);
};

// ---- decoding ----

struct FormatCase {
    const char* name;
    SineWav wav;
    const char* label; // null: accepted
    friend void PrintTo(const FormatCase& c, std::ostream* out) { *out << c.name; }
};

class DecodeFormat : public MenuMusicTest, public testing::WithParamInterface<FormatCase> {};

TEST_P(DecodeFormat, AcceptsOnly16BitMonoOrStereoFrom8To48Kilohertz) {
    const FormatCase& c = GetParam();
    std::vector<std::int16_t> samples;
    const auto path = wav(c.wav);
    if (c.label != nullptr) {
        EXPECT_EQ(labelOf([&] { lumenark::decodeAudioFile(path, samples); }), c.label);
        return;
    }
    const lumenark::WaveFormat format = lumenark::decodeAudioFile(path, samples);
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.channels, c.wav.channels);
    EXPECT_EQ(format.samplesPerSecond, c.wav.sampleRate);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.blockAlign, c.wav.channels * 2);
    EXPECT_EQ(format.averageBytesPerSecond, c.wav.channels * 2u * c.wav.sampleRate);
    EXPECT_EQ(format.extraSize, 0);
    ASSERT_EQ(samples.size(), c.wav.frames * c.wav.channels);
    for (const std::uint64_t frame : {std::uint64_t{0}, c.wav.frames / 3, c.wav.frames - 1}) {
        for (std::uint32_t channel = 0; channel < c.wav.channels; ++channel) {
            EXPECT_EQ(samples[frame * c.wav.channels + channel],
                      testsupport::sineSample16(c.wav, frame, channel));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodeFormat,
    testing::Values(FormatCase{"mono_8000", {8000, 1, 16, 4000}, nullptr},
                    FormatCase{"stereo_48000", {48000, 2, 16, 24000}, nullptr},
                    FormatCase{"stereo_44100", {44100, 2, 16, 22050}, nullptr},
                    FormatCase{"width_24", {44100, 2, 24, 4410}, "unsupported MP3 format"},
                    FormatCase{"width_8", {44100, 1, 8, 4410}, "unsupported MP3 format"},
                    FormatCase{"channels_3", {44100, 3, 16, 4410}, "unsupported MP3 format"},
                    FormatCase{"rate_96000", {96000, 2, 16, 9600}, "unsupported MP3 format"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuMusicTest, MissingOrUndecodableFileIsNotOpened) {
    std::vector<std::int16_t> samples;
    EXPECT_EQ(labelOf([&] { lumenark::decodeAudioFile(folder_ / "absent.wav", samples); }),
              "open MP3");
    testsupport::writeFile(folder_ / "noise.wav", std::string(4096, '\x5A'));
    EXPECT_EQ(labelOf([&] { lumenark::decodeAudioFile(folder_ / "noise.wav", samples); }),
              "open MP3");
}

// Media Foundation missing (the N editions of Windows) fails the decoder's start: the player is
// not made and no engine or voice is either.
TEST_F(MenuMusicTest, ADecoderThatCannotStartMakesNothing) {
    lumenark::MenuMusicServices withoutDecoder = services();
    withoutDecoder.openDecoder =
        [](const std::filesystem::path&) -> std::unique_ptr<platform::AudioFileDecoder> {
        throw std::runtime_error("Media Foundation");
    };
    const auto path = wav({44100, 2, 16, 4410});
    EXPECT_EQ(labelOf([&] { MenuMusic player(path, withoutDecoder); }), "Media Foundation");
    EXPECT_TRUE(recording_->events.empty());
}

TEST_F(MenuMusicTest, FileWithoutSamplesIsEmpty) {
    std::vector<std::int16_t> samples;
    const auto path = wav({44100, 2, 16, 0});
    EXPECT_EQ(labelOf([&] { lumenark::decodeAudioFile(path, samples); }), "empty MP3");
}

// A decoder that hands out prepared blocks.
class ScriptedDecoder final : public platform::AudioFileDecoder {
public:
    ScriptedDecoder(platform::DecodedAudioFormat format, std::vector<std::size_t> blockBytes)
        : format_(format), blockBytes_(std::move(blockBytes)) {}
    platform::DecodedAudioFormat format() const override { return format_; }
    bool readBlock(const std::function<void(std::span<const std::byte>)>& consume) override {
        if (next_ == blockBytes_.size()) {
            return false;
        }
        const std::size_t bytes = blockBytes_[next_++];
        if (storage_.size() < bytes) {
            storage_.resize(bytes, std::byte{0x11});
        }
        consume(std::span<const std::byte>(storage_).first(bytes));
        return true;
    }

private:
    platform::DecodedAudioFormat format_;
    std::vector<std::size_t> blockBytes_;
    std::size_t next_ = 0;
    std::vector<std::byte> storage_;
};

TEST(DecodeAudio, BlockThatSplitsAFrameIsRefused) {
    ScriptedDecoder decoder({44100, 2, 16}, {8, 6});
    std::vector<std::int16_t> samples;
    EXPECT_EQ(labelOf([&] { lumenark::decodeAudio(decoder, samples); }),
              "invalid or oversized decoded MP3");
}

TEST(DecodeAudio, EmptyBlocksAloneGiveEmpty) {
    ScriptedDecoder decoder({44100, 1, 16}, {0, 0});
    std::vector<std::int16_t> samples;
    EXPECT_EQ(labelOf([&] { lumenark::decodeAudio(decoder, samples); }), "empty MP3");
}

TEST(DecodeAudio, HoldsAtMostTheSampleLimit) {
    constexpr std::size_t block = 1u << 21; // bytes
    const std::size_t blocksToLimit = lumenark::maxMenuMusicSamples * 2 / block;
    std::vector<std::int16_t> samples;
    {
        ScriptedDecoder exact({48000, 2, 16}, std::vector<std::size_t>(blocksToLimit, block));
        lumenark::decodeAudio(exact, samples);
        EXPECT_EQ(samples.size(), lumenark::maxMenuMusicSamples);
    }
    std::vector<std::size_t> blocks(blocksToLimit, block);
    blocks.push_back(4);
    ScriptedDecoder over({48000, 2, 16}, blocks);
    EXPECT_EQ(labelOf([&] { lumenark::decodeAudio(over, samples); }),
              "invalid or oversized decoded MP3");
}

// ---- loop crossfade ----

TEST(LoopCrossfade, IsAQuarterOfThePieceUpToEightSeconds) {
    EXPECT_EQ(lumenark::loopCrossfadeFrames(441000, 44100), 110250u); // 10 s: 2.5 s
    EXPECT_EQ(lumenark::loopCrossfadeFrames(60 * 44100, 44100), 8u * 44100);
    EXPECT_EQ(lumenark::loopCrossfadeFrames(3, 44100), 0u);
}

TEST(LoopCrossfade, TailFadesIntoTheBeginningWithEqualPower) {
    const SineWav sine{8000, 2, 16, 8000, 220.0, 0.5}; // no sum reaches the clamp
    std::vector<std::int16_t> samples;
    for (std::uint64_t frame = 0; frame < sine.frames; ++frame) {
        for (std::uint32_t c = 0; c < sine.channels; ++c) {
            samples.push_back(testsupport::sineSample16(sine, frame, c));
        }
    }
    const auto original = samples;
    const std::size_t fade = lumenark::applyLoopCrossfade(samples, 2, 8000);
    ASSERT_EQ(fade, 2000u);
    const std::size_t tailStart = 8000 - fade;
    // The head and the body before the tail are untouched.
    EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + tailStart * 2, original.begin()));
    for (std::size_t j = 0; j < fade; j += 97) {
        const double theta = j * (std::numbers::pi / 2) / fade;
        for (std::size_t c = 0; c < 2; ++c) {
            const double expected = original[j * 2 + c] * std::sin(theta) +
                                    original[(tailStart + j) * 2 + c] * std::cos(theta);
            EXPECT_NEAR(samples[(tailStart + j) * 2 + c], expected, 1.05) << "frame " << j;
        }
    }
    // The last tail frame leads into frame `fade`, where the loop resumes.
    EXPECT_NEAR(samples[(8000 - 1) * 2], original[(fade - 1) * 2], 25.0);
}

TEST(LoopCrossfade, SumsBeyondTheSampleRangeAreClamped) {
    std::vector<std::int16_t> loud(16, 32767);
    std::vector<std::int16_t> quiet(16, -32768);
    lumenark::applyLoopCrossfade(loud, 1, 8000);
    lumenark::applyLoopCrossfade(quiet, 1, 8000);
    EXPECT_EQ(loud[14], 32767); // j = 2 of 4: 32767 * (sin + cos) is over the top
    EXPECT_EQ(quiet[14], -32768);
}

// ---- construction and teardown ----

TEST_F(MenuMusicTest, PreparesALoopFromTheCrossfadePointWithoutStarting) {
    const SineWav sine{44100, 2, 16, 44100 * 10};
    auto player = music(sine);
    EXPECT_EQ(recording_->format.channels, 2u);
    EXPECT_EQ(recording_->format.sampleRate, 44100u);
    EXPECT_EQ(recording_->events, (std::vector<std::string>{"submit"}));
    EXPECT_EQ(recording_->volumes, (std::vector<float>{0.0f}));
    EXPECT_EQ(recording_->buffer.sampleCount, sine.frames * 2);
    EXPECT_EQ(recording_->buffer.loopBeginFrames, 110250u);
    EXPECT_EQ(recording_->buffer.loopLengthFrames, sine.frames - 110250u);
    // The crossfaded samples are what the voice plays.
    std::vector<std::int16_t> decoded;
    lumenark::decodeAudioFile(folder_ / "menu.wav", decoded);
    lumenark::applyLoopCrossfade(decoded, 2, 44100);
    EXPECT_EQ(recording_->submittedSamples, decoded);
    EXPECT_FALSE(player->playing());
    EXPECT_FLOAT_EQ(player->level(), 0.0f);
    EXPECT_FLOAT_EQ(player->duck(), 1.0f);
}

TEST_F(MenuMusicTest, TeardownGoesVoiceThenMasteringVoiceThenEngine) {
    music().reset();
    EXPECT_EQ(recording_->events,
              (std::vector<std::string>{"submit", "destroy source voice", "destroy mastering voice",
                                        "release engine"}));
}

struct OutputFailure {
    const char* name;
    FailAt failAt;
    const char* label;
    std::vector<std::string> teardown;
    friend void PrintTo(const OutputFailure& c, std::ostream* out) { *out << c.name; }
};

class OutputFailureTest : public MenuMusicTest,
                          public testing::WithParamInterface<OutputFailure> {};

TEST_P(OutputFailureTest, ThrowsItsLabelAndUndoesWhatWasMade) {
    recording_->failAt = GetParam().failAt;
    EXPECT_EQ(labelOf([&] { music(); }), GetParam().label);
    std::vector<std::string> events;
    for (const auto& event : recording_->events) {
        if (event != "submit") {
            events.push_back(event);
        }
    }
    EXPECT_EQ(events, GetParam().teardown);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, OutputFailureTest,
    testing::Values(
        OutputFailure{"engine", FailAt::engine, "audio engine", {}},
        OutputFailure{"mastering", FailAt::masteringVoice, "output device", {"release engine"}},
        OutputFailure{"source",
                      FailAt::sourceVoice,
                      "music voice",
                      {"destroy mastering voice", "release engine"}},
        OutputFailure{"gain",
                      FailAt::initialGain,
                      "initial gain",
                      {"destroy source voice", "destroy mastering voice", "release engine"}},
        OutputFailure{"loop",
                      FailAt::loop,
                      "music loop",
                      {"destroy source voice", "destroy mastering voice", "release engine"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- tick ----

TEST_F(MenuMusicTest, FirstTickStartsTheVoiceAtZeroThenFadesInOver440Milliseconds) {
    auto player = music();
    *now_ += 5000; // time before the first tick does not count
    EXPECT_FALSE(player->tick(100));
    EXPECT_EQ(recording_->events.back(), "start");
    EXPECT_TRUE(player->playing());
    EXPECT_FLOAT_EQ(player->level(), 0.0f);
    EXPECT_EQ(recording_->volumes.size(), 1u); // only the initial gain

    *now_ += 110;
    EXPECT_FALSE(player->tick(100));
    EXPECT_FLOAT_EQ(player->level(), 0.25f);
    EXPECT_FLOAT_EQ(recording_->volumes.back(), 0.25f * 1.386f);
    tickFor(*player, 100, 10, 330);
    EXPECT_NEAR(player->level(), 1.0f, 1e-5);
    tickFor(*player, 100, 10, 10);
    EXPECT_FLOAT_EQ(player->level(), 1.0f);
    EXPECT_FLOAT_EQ(player->lastVolume(), 1.386f);
}

TEST_F(MenuMusicTest, FadeOutReportsTrueFor160MillisecondsThenStops) {
    auto player = music();
    playAtFullLevel(*player);
    int trueTurns = 0;
    bool result = true;
    for (int turn = 0; turn < 16; ++turn) {
        *now_ += 10;
        result = player->tick(0);
        trueTurns += result ? 1 : 0;
    }
    EXPECT_EQ(trueTurns, 15);
    EXPECT_FALSE(result);
    EXPECT_FALSE(player->playing());
    EXPECT_EQ(recording_->events.back(), "stop");
    EXPECT_FLOAT_EQ(recording_->volumes.back(), 0.0f);
    EXPECT_FALSE(recording_->running);

    // Silent and stopped: a target of 0 does nothing; a positive one starts the voice again.
    const auto eventsBefore = recording_->events.size();
    *now_ += 10;
    EXPECT_FALSE(player->tick(0));
    EXPECT_EQ(recording_->events.size(), eventsBefore);
    *now_ += 10;
    player->tick(40);
    EXPECT_EQ(recording_->events.back(), "start");
}

TEST_F(MenuMusicTest, FadeTowardsALowerVolumeIsNotAFadeOut) {
    auto player = music();
    playAtFullLevel(*player);
    *now_ += 80;
    EXPECT_FALSE(player->tick(30));
    EXPECT_FLOAT_EQ(player->level(), 0.5f);
    tickFor(*player, 30, 10, 100);
    EXPECT_FLOAT_EQ(player->level(), 0.3f);
}

TEST_F(MenuMusicTest, VolumeIsSetOnlyWhenItChanges) {
    auto player = music();
    playAtFullLevel(*player);
    const auto calls = recording_->volumes.size();
    tickFor(*player, 100, 10, 200);
    EXPECT_EQ(recording_->volumes.size(), calls);
}

TEST_F(MenuMusicTest, DuckDipsToSixtyPercentWithin26MillisecondsAndRecoversAfter540) {
    auto player = music();
    playAtFullLevel(*player);
    const std::uint64_t click = *now_;
    player->setDuckUntil(click + 320);
    tickFor(*player, 100, 2, 24);
    EXPECT_GT(player->duck(), 0.6f);
    tickFor(*player, 100, 2, 2);
    EXPECT_NEAR(player->lastVolume(), 1.386f * 0.6f, 1e-4);
    tickFor(*player, 100, 2, 292); // 318 ms after the click
    EXPECT_FLOAT_EQ(player->duck(), 0.6f);
    tickFor(*player, 100, 2, 212); // 530 ms
    EXPECT_LT(player->duck(), 1.0f);
    tickFor(*player, 100, 2, 12); // 542 ms
    EXPECT_FLOAT_EQ(player->duck(), 1.0f);
    EXPECT_FLOAT_EQ(player->lastVolume(), 1.386f);
}

TEST_F(MenuMusicTest, SilenceStopsAtOnceAndClearsTheDuck) {
    auto player = music();
    playAtFullLevel(*player);
    player->setDuckUntil(*now_ + 320);
    tickFor(*player, 100, 2, 10);
    player->silence();
    EXPECT_EQ(recording_->events.back(), "stop");
    EXPECT_FLOAT_EQ(recording_->volumes.back(), 0.0f);
    EXPECT_FALSE(player->playing());
    EXPECT_FLOAT_EQ(player->level(), 0.0f);
    EXPECT_FLOAT_EQ(player->lastVolume(), 0.0f);
    EXPECT_FLOAT_EQ(player->duck(), 1.0f);
    // Not ducked any more when it starts again.
    *now_ += 10;
    player->tick(100);
    tickFor(*player, 100, 10, 450);
    EXPECT_FLOAT_EQ(player->lastVolume(), 1.386f);
}

TEST_F(MenuMusicTest, VoiceThatCannotStartLeavesThePlayerSilentForGood) {
    recording_->failAt = FailAt::start;
    auto player = music();
    EXPECT_FALSE(player->tick(100));
    EXPECT_FALSE(player->hasVoice());
    EXPECT_EQ(recording_->events.back(), "destroy source voice");
    const auto events = recording_->events.size();
    *now_ += 10;
    EXPECT_FALSE(player->tick(100));
    player->silence();
    EXPECT_EQ(recording_->events.size(), events);
}

// ---- the system's own output ----

TEST_F(MenuMusicTest, PlaysAGeneratedFileOnTheSystemOutput) {
#ifndef _WIN32
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
#endif
    const auto path = wav({44100, 2, 16, 44100});
    std::unique_ptr<MenuMusic> player;
    try {
        player = std::make_unique<MenuMusic>(path);
    } catch (const std::runtime_error& error) {
#ifdef _WIN32
        GTEST_SKIP() << "no audio output here: " << error.what();
#else
        FAIL() << error.what();
#endif
    }
    EXPECT_FALSE(player->tick(100));
    EXPECT_TRUE(player->playing());
    player->silence();
    EXPECT_FALSE(player->playing());
}

} // namespace
