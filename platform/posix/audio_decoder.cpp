#include "platform/audio_decoder.h"

#include <sndfile.h>

#include <stdexcept>
#include <vector>

namespace platform {

namespace {

// The width of the file's own samples; codecs without one decode to 16 bits, as the system's
// decoder gives them.
std::uint32_t sampleWidthOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 8;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 32;
    case SF_FORMAT_DOUBLE:
        return 64;
    default:
        return 16;
    }
}

class SndfileDecoder final : public AudioFileDecoder {
public:
    explicit SndfileDecoder(const std::filesystem::path& path)
        : file_(::sf_open(path.c_str(), SFM_READ, &info_)) {
        if (file_ == nullptr || info_.channels <= 0) {
            throw std::runtime_error("open MP3");
        }
        block_.resize(framesPerBlock * static_cast<std::size_t>(info_.channels));
    }
    SndfileDecoder(const SndfileDecoder&) = delete;
    SndfileDecoder& operator=(const SndfileDecoder&) = delete;
    ~SndfileDecoder() override {
        if (file_ != nullptr) {
            ::sf_close(file_);
        }
    }

    DecodedAudioFormat format() const override {
        return DecodedAudioFormat{static_cast<std::uint32_t>(info_.samplerate),
                                  static_cast<std::uint32_t>(info_.channels),
                                  sampleWidthOf(info_.format)};
    }

    bool readBlock(const std::function<void(std::span<const std::byte>)>& consume) override {
        const sf_count_t frames = ::sf_readf_short(file_, block_.data(), framesPerBlock);
        if (::sf_error(file_) != SF_ERR_NO_ERROR) {
            throw std::runtime_error("decode MP3");
        }
        if (frames <= 0) {
            return false;
        }
        const auto bytes = static_cast<std::size_t>(frames) *
                           static_cast<std::size_t>(info_.channels) * sizeof(short);
        consume(std::as_bytes(std::span(block_)).first(bytes));
        return true;
    }

private:
    static constexpr sf_count_t framesPerBlock = 65536;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
    std::vector<short> block_;
};

} // namespace

std::unique_ptr<AudioFileDecoder> openAudioFileDecoder(const std::filesystem::path& path) {
    return std::make_unique<SndfileDecoder>(path);
}

} // namespace platform
