#include "platform/audio_voice.h"

#include "platform/win32/system_library.h"

#include <windows.h>

#include <mmsystem.h>
#include <xaudio2.h>

#include <stdexcept>

namespace platform {

namespace {

using XAudio2CreateFunction = HRESULT(WINAPI*)(IXAudio2**, UINT32, XAUDIO2_PROCESSOR);

// The engine is created from the system's own XAudio2 2.9. The module stays loaded for the
// process: the engine's audio thread may still be winding down after the last release.
XAudio2CreateFunction engineFactory() {
    static const XAudio2CreateFunction factory =
        win32::systemFunction<XAudio2CreateFunction>(L"xaudio2_9.dll", "XAudio2Create");
    return factory;
}

class XAudio2MasteringVoice final : public MasteringVoice {
public:
    explicit XAudio2MasteringVoice(IXAudio2MasteringVoice* voice) : voice_(voice) {}
    XAudio2MasteringVoice(const XAudio2MasteringVoice&) = delete;
    XAudio2MasteringVoice& operator=(const XAudio2MasteringVoice&) = delete;
    ~XAudio2MasteringVoice() override { voice_->DestroyVoice(); }

private:
    IXAudio2MasteringVoice* voice_;
};

class XAudio2SourceVoice final : public SourceVoice {
public:
    explicit XAudio2SourceVoice(IXAudio2SourceVoice* voice) : voice_(voice) {}
    XAudio2SourceVoice(const XAudio2SourceVoice&) = delete;
    XAudio2SourceVoice& operator=(const XAudio2SourceVoice&) = delete;
    ~XAudio2SourceVoice() override { voice_->DestroyVoice(); }

    bool setVolume(float volume) override { return SUCCEEDED(voice_->SetVolume(volume)); }
    bool start() override { return SUCCEEDED(voice_->Start(0)); }
    bool stop() override { return SUCCEEDED(voice_->Stop(0)); }
    bool submit(const LoopingBuffer& buffer) override {
        XAUDIO2_BUFFER submitted{};
        submitted.AudioBytes = static_cast<UINT32>(buffer.sampleCount * sizeof(std::int16_t));
        submitted.pAudioData = reinterpret_cast<const BYTE*>(buffer.samples);
        submitted.PlayBegin = 0;
        submitted.PlayLength = 0;
        submitted.LoopBegin = buffer.loopBeginFrames;
        submitted.LoopLength = buffer.loopLengthFrames;
        submitted.LoopCount = XAUDIO2_LOOP_INFINITE;
        return SUCCEEDED(voice_->SubmitSourceBuffer(&submitted, nullptr));
    }

private:
    IXAudio2SourceVoice* voice_;
};

class XAudio2Engine final : public AudioEngine {
public:
    XAudio2Engine() {
        const XAudio2CreateFunction factory = engineFactory();
        if (factory == nullptr || FAILED(factory(&engine_, 0, XAUDIO2_DEFAULT_PROCESSOR)) ||
            engine_ == nullptr) {
            throw std::runtime_error("audio engine");
        }
    }
    XAudio2Engine(const XAudio2Engine&) = delete;
    XAudio2Engine& operator=(const XAudio2Engine&) = delete;
    ~XAudio2Engine() override { engine_->Release(); }

    std::unique_ptr<MasteringVoice> createMasteringVoice() override {
        // Some XAudio2 implementations fault instead of failing when no output device exists.
        if (::waveOutGetNumDevs() == 0) {
            throw std::runtime_error("output device");
        }
        IXAudio2MasteringVoice* voice = nullptr;
        if (FAILED(engine_->CreateMasteringVoice(&voice, XAUDIO2_DEFAULT_CHANNELS,
                                                 XAUDIO2_DEFAULT_SAMPLERATE, 0, nullptr, nullptr,
                                                 AudioCategory_GameMedia)) ||
            voice == nullptr) {
            throw std::runtime_error("output device");
        }
        return std::make_unique<XAudio2MasteringVoice>(voice);
    }

    std::unique_ptr<SourceVoice> createSourceVoice(const PcmFormat& format) override {
        WAVEFORMATEX wave{};
        wave.wFormatTag = WAVE_FORMAT_PCM;
        wave.nChannels = static_cast<WORD>(format.channels);
        wave.nSamplesPerSec = format.sampleRate;
        wave.wBitsPerSample = 16;
        wave.nBlockAlign = static_cast<WORD>(format.channels * 2);
        wave.nAvgBytesPerSec = wave.nBlockAlign * format.sampleRate;
        wave.cbSize = 0;
        IXAudio2SourceVoice* voice = nullptr;
        if (FAILED(engine_->CreateSourceVoice(&voice, &wave, 0, 2.0f, nullptr, nullptr, nullptr)) ||
            voice == nullptr) {
            throw std::runtime_error("music voice");
        }
        return std::make_unique<XAudio2SourceVoice>(voice);
    }

private:
    IXAudio2* engine_ = nullptr;
};

} // namespace

std::unique_ptr<AudioEngine> createAudioEngine() {
    return std::make_unique<XAudio2Engine>();
}

} // namespace platform
