#include "platform/audio_decoder.h"

#include "platform/win32/system_library.h"

#include <windows.h>

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <stdexcept>

namespace platform {

namespace {

void check(HRESULT result, const char* label) {
    if (FAILED(result)) {
        throw std::runtime_error(label);
    }
}

// Owns one COM reference.
template <typename T> class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { reset(); }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T** put() {
        reset();
        return &object_;
    }
    void reset() {
        if (object_ != nullptr) {
            object_->Release();
            object_ = nullptr;
        }
    }

private:
    T* object_ = nullptr;
};

// Media Foundation's calls, from the system folder. The N editions of Windows have none unless
// the player installed them; there the music is what fails, not the launcher's start.
struct MediaFoundation {
    decltype(&::MFStartup) startup = nullptr;
    decltype(&::MFShutdown) shutdown = nullptr;
    decltype(&::MFCreateMediaType) createMediaType = nullptr;
    decltype(&::MFCreateSourceReaderFromURL) createSourceReaderFromUrl = nullptr;

    bool complete() const {
        return startup != nullptr && shutdown != nullptr && createMediaType != nullptr &&
               createSourceReaderFromUrl != nullptr;
    }
};

const MediaFoundation& mediaFoundation() {
    static const MediaFoundation calls = [] {
        using win32::systemFunction;
        MediaFoundation found;
        found.startup = systemFunction<decltype(&::MFStartup)>(L"mfplat.dll", "MFStartup");
        found.shutdown = systemFunction<decltype(&::MFShutdown)>(L"mfplat.dll", "MFShutdown");
        found.createMediaType =
            systemFunction<decltype(&::MFCreateMediaType)>(L"mfplat.dll", "MFCreateMediaType");
        found.createSourceReaderFromUrl = systemFunction<decltype(&::MFCreateSourceReaderFromURL)>(
            L"mfreadwrite.dll", "MFCreateSourceReaderFromURL");
        return found;
    }();
    return calls;
}

class MediaFoundationSession {
public:
    MediaFoundationSession() : calls_(mediaFoundation()) {
        if (!calls_.complete()) {
            throw std::runtime_error("Media Foundation");
        }
        check(calls_.startup(MF_VERSION, MFSTARTUP_LITE), "Media Foundation");
    }
    MediaFoundationSession(const MediaFoundationSession&) = delete;
    MediaFoundationSession& operator=(const MediaFoundationSession&) = delete;
    ~MediaFoundationSession() { calls_.shutdown(); }

    const MediaFoundation& calls() const { return calls_; }

private:
    const MediaFoundation& calls_;
};

class BufferLock {
public:
    explicit BufferLock(IMFMediaBuffer* buffer) : buffer_(buffer) {
        check(buffer_->Lock(&data_, nullptr, &length_), "decoded samples");
    }
    BufferLock(const BufferLock&) = delete;
    BufferLock& operator=(const BufferLock&) = delete;
    ~BufferLock() { buffer_->Unlock(); }
    std::span<const std::byte> bytes() const {
        return {reinterpret_cast<const std::byte*>(data_), length_};
    }

private:
    IMFMediaBuffer* buffer_;
    BYTE* data_ = nullptr;
    DWORD length_ = 0;
};

constexpr DWORD firstAudioStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);

class MediaFoundationDecoder final : public AudioFileDecoder {
public:
    explicit MediaFoundationDecoder(const std::filesystem::path& path) {
        check(session_.calls().createSourceReaderFromUrl(path.wstring().c_str(), nullptr,
                                                         reader_.put()),
              "open MP3");
        check(reader_->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE),
              "select audio stream");
        check(reader_->SetStreamSelection(firstAudioStream, TRUE), "select audio stream");
        ComRef<IMFMediaType> wanted;
        check(session_.calls().createMediaType(wanted.put()), "audio type");
        check(wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio), "audio type");
        check(wanted->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM), "PCM format");
        check(reader_->SetCurrentMediaType(firstAudioStream, nullptr, wanted.get()), "MP3 decoder");
        ComRef<IMFMediaType> current;
        check(reader_->GetCurrentMediaType(firstAudioStream, current.put()), "decoded format");
        UINT32 value = 0;
        check(current->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &value), "sample rate");
        format_.sampleRate = value;
        check(current->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &value), "channel count");
        format_.channels = value;
        check(current->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &value), "sample width");
        format_.bitsPerSample = value;
    }

    DecodedAudioFormat format() const override { return format_; }

    bool readBlock(const std::function<void(std::span<const std::byte>)>& consume) override {
        DWORD flags = 0;
        ComRef<IMFSample> sample;
        check(reader_->ReadSample(firstAudioStream, 0, nullptr, &flags, nullptr, sample.put()),
              "decode MP3");
        if ((flags & (MF_SOURCE_READERF_ERROR | MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED)) != 0) {
            throw std::runtime_error("MP3 stream changed");
        }
        if (sample.get() != nullptr) {
            ComRef<IMFMediaBuffer> buffer;
            check(sample->ConvertToContiguousBuffer(buffer.put()), "decoded buffer");
            const BufferLock lock(buffer.get());
            consume(lock.bytes());
        }
        return (flags & MF_SOURCE_READERF_ENDOFSTREAM) == 0;
    }

private:
    // Shut down last, after the reader is released.
    MediaFoundationSession session_;
    ComRef<IMFSourceReader> reader_;
    DecodedAudioFormat format_;
};

} // namespace

std::unique_ptr<AudioFileDecoder> openAudioFileDecoder(const std::filesystem::path& path) {
    return std::make_unique<MediaFoundationDecoder>(path);
}

} // namespace platform
