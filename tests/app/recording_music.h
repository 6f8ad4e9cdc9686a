#pragma once
// The menu music over a recording voice: what the player asks of its voice (each gain it sets,
// its starts and stops), at the time of the fixture's clock, which is also the player's clock.
#include "presentation/menu_music.h"
#include "tests/app/app_fixture.h"
#include "tests/support/sine_wav.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

struct VoiceEvent {
    std::uint64_t milliseconds = 0;
    std::string what; // "volume", "start" or "stop"
    float volume = 0; // "volume"
};

struct VoiceLog {
    std::vector<VoiceEvent> events;

    // The last gain set, 0 before any.
    float lastVolume() const {
        for (auto it = events.rbegin(); it != events.rend(); ++it) {
            if (it->what == "volume") {
                return it->volume;
            }
        }
        return 0;
    }
    std::size_t count(const std::string& what) const {
        std::size_t n = 0;
        for (const VoiceEvent& event : events) {
            n += event.what == what ? 1 : 0;
        }
        return n;
    }
};

class RecordingVoice final : public platform::SourceVoice {
public:
    RecordingVoice(std::shared_ptr<FakeClock> clock, std::shared_ptr<VoiceLog> log)
        : clock_(std::move(clock)), log_(std::move(log)) {}
    bool setVolume(float volume) override {
        record("volume", volume);
        return true;
    }
    bool start() override {
        record("start", 0);
        return true;
    }
    bool stop() override {
        record("stop", 0);
        return true;
    }
    bool submit(const platform::LoopingBuffer&) override { return true; }

private:
    void record(const char* what, float volume) {
        log_->events.push_back({clock_->tickMilliseconds(), what, volume});
    }

    std::shared_ptr<FakeClock> clock_;
    std::shared_ptr<VoiceLog> log_;
};

class RecordingEngine final : public platform::AudioEngine {
public:
    RecordingEngine(std::shared_ptr<FakeClock> clock, std::shared_ptr<VoiceLog> log)
        : clock_(std::move(clock)), log_(std::move(log)) {}
    std::unique_ptr<platform::MasteringVoice> createMasteringVoice() override {
        return std::make_unique<platform::MasteringVoice>();
    }
    std::unique_ptr<platform::SourceVoice> createSourceVoice(const platform::PcmFormat&) override {
        return std::make_unique<RecordingVoice>(clock_, log_);
    }

private:
    std::shared_ptr<FakeClock> clock_;
    std::shared_ptr<VoiceLog> log_;
};

// A player of a short generated tone (written to `wav`) on the recording voice.
inline std::unique_ptr<lumenark::MenuMusic> recordedMenuMusic(const std::filesystem::path& wav,
                                                              std::shared_ptr<FakeClock> clock,
                                                              std::shared_ptr<VoiceLog> log) {
    testsupport::writeSineWav(wav, testsupport::SineWav{});
    lumenark::MenuMusicServices services;
    services.clockMilliseconds = [clock] { return clock->tickMilliseconds(); };
    services.createEngine = [clock, log]() -> std::unique_ptr<platform::AudioEngine> {
        return std::make_unique<RecordingEngine>(clock, log);
    };
    return std::make_unique<lumenark::MenuMusic>(wav, std::move(services));
}

} // namespace apptest
