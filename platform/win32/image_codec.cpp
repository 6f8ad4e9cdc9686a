#include "platform/image_codec.h"

#include "platform/render_device.h"
#include "platform/win32/com_ref.h"

#include <wincodec.h>
#include <windows.h>

namespace platform {
namespace {

using win32::ComRef;

ComRef<IWICImagingFactory> createFactory(const char* label) {
    ComRef<IWICImagingFactory> factory;
    throwIfFailed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, factory.putVoid()),
                  label);
    return factory;
}

class WicImageFile final : public ImageFile {
public:
    WicImageFile(ComRef<IWICImagingFactory> factory, ComRef<IWICBitmapDecoder> decoder)
        : factory_(std::move(factory)), decoder_(std::move(decoder)) {}

    void size(std::uint32_t& width, std::uint32_t& height) override {
        openFrame();
        UINT w = 0;
        UINT h = 0;
        throwIfFailed(frame_->GetSize(&w, &h), "launcher image dimensions");
        width = w;
        height = h;
    }

    std::vector<std::uint32_t> pixels() override {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        size(width, height);
        ComRef<IWICFormatConverter> converter;
        throwIfFailed(factory_->CreateFormatConverter(converter.put()), "launcher WIC converter");
        throwIfFailed(converter->Initialize(frame_.get(), GUID_WICPixelFormat32bppBGRA,
                                            WICBitmapDitherTypeNone, nullptr, 0.0,
                                            WICBitmapPaletteTypeCustom),
                      "launcher WIC BGRA");
        std::vector<std::uint32_t> result(static_cast<std::size_t>(width) * height);
        throwIfFailed(converter->CopyPixels(nullptr, width * 4,
                                            static_cast<UINT>(result.size() * 4),
                                            reinterpret_cast<BYTE*>(result.data())),
                      "launcher WIC pixels");
        return result;
    }

private:
    void openFrame() {
        if (!frame_) {
            throwIfFailed(decoder_->GetFrame(0, frame_.put()), "launcher WIC frame");
        }
    }

    ComRef<IWICImagingFactory> factory_;
    ComRef<IWICBitmapDecoder> decoder_;
    ComRef<IWICBitmapFrameDecode> frame_;
};

// No codec for the file, or a file that cannot be opened: the caller uses its placeholder.
// Any other refusal comes from a codec that knew the format and found the file damaged.
bool isUnrecognisedOrUnopened(HRESULT result) {
    return result == WINCODEC_ERR_COMPONENTNOTFOUND || HRESULT_FACILITY(result) == FACILITY_WIN32;
}

} // namespace

std::unique_ptr<ImageFile> openImageFile(const std::filesystem::path& path) {
    ComRef<IWICImagingFactory> factory = createFactory("launcher WIC");
    ComRef<IWICBitmapDecoder> decoder;
    const HRESULT result = factory->CreateDecoderFromFilename(
        path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, decoder.put());
    if (FAILED(result)) {
        if (isUnrecognisedOrUnopened(result)) {
            return nullptr;
        }
        throwIfFailed(result, "launcher WIC frame");
    }
    return std::make_unique<WicImageFile>(std::move(factory), std::move(decoder));
}

void writePngFile(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
                  const std::vector<std::uint32_t>& pixels) {
    ComRef<IWICImagingFactory> factory = createFactory("launcher WIC capture");
    ComRef<IWICStream> stream;
    throwIfFailed(factory->CreateStream(stream.put()), "launcher capture stream");
    throwIfFailed(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE),
                  "launcher capture output");
    ComRef<IWICBitmapEncoder> encoder;
    throwIfFailed(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()),
                  "launcher PNG encoder");
    throwIfFailed(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "launcher PNG init");
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> properties;
    throwIfFailed(encoder->CreateNewFrame(frame.put(), properties.put()), "launcher PNG frame");
    throwIfFailed(frame->Initialize(properties.get()), "launcher PNG frame init");
    throwIfFailed(frame->SetSize(width, height), "launcher PNG size");
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    throwIfFailed(frame->SetPixelFormat(&format), "launcher PNG pixel format");
    const std::uint64_t bytes = static_cast<std::uint64_t>(pixels.size()) * 4;
    if (static_cast<std::uint64_t>(width) * height != pixels.size() || bytes > 0xFFFFFFFFu) {
        throw std::runtime_error("launcher PNG size");
    }
    throwIfFailed(
        frame->WritePixels(height, width * 4, static_cast<UINT>(bytes),
                           reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(pixels.data()))),
        "launcher PNG pixels");
    throwIfFailed(frame->Commit(), "launcher PNG frame commit");
    throwIfFailed(encoder->Commit(), "launcher PNG commit");
}

} // namespace platform
