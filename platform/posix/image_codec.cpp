#include "platform/image_codec.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace platform {
namespace {

struct StdioFile {
    std::FILE* file = nullptr;
    ~StdioFile() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

// libpng is the one codec of the Linux build: a file recognised by its signature.
class PngImageFile final : public ImageFile {
public:
    explicit PngImageFile(std::filesystem::path path) : path_(std::move(path)) {
        std::memset(&image_, 0, sizeof(image_));
        image_.version = PNG_IMAGE_VERSION;
    }
    ~PngImageFile() override { png_image_free(&image_); }

    void size(std::uint32_t& width, std::uint32_t& height) override {
        if (!headerRead_) {
            if (png_image_begin_read_from_file(&image_, path_.c_str()) == 0) {
                throw std::runtime_error("launcher WIC frame");
            }
            headerRead_ = true;
        }
        width = image_.width;
        height = image_.height;
    }

    std::vector<std::uint32_t> pixels() override {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        size(width, height);
        image_.format = PNG_FORMAT_BGRA;
        std::vector<std::uint32_t> result(static_cast<std::size_t>(width) * height);
        if (png_image_finish_read(&image_, nullptr, result.data(),
                                  static_cast<png_int_32>(width * 4), nullptr) == 0) {
            throw std::runtime_error("launcher WIC pixels");
        }
        return result;
    }

private:
    std::filesystem::path path_;
    png_image image_;
    bool headerRead_ = false;
};

} // namespace

std::unique_ptr<ImageFile> openImageFile(const std::filesystem::path& path) {
    StdioFile input{std::fopen(path.c_str(), "rb")};
    if (input.file == nullptr) {
        return nullptr;
    }
    unsigned char signature[8] = {};
    if (std::fread(signature, 1, sizeof(signature), input.file) != sizeof(signature) ||
        png_sig_cmp(signature, 0, sizeof(signature)) != 0) {
        return nullptr;
    }
    return std::make_unique<PngImageFile>(path);
}

void writePngFile(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
                  const std::vector<std::uint32_t>& pixels) {
    if (static_cast<std::uint64_t>(width) * height != pixels.size() || width == 0 || height == 0) {
        throw std::runtime_error("launcher PNG size");
    }
    StdioFile output{std::fopen(path.c_str(), "wb")};
    if (output.file == nullptr) {
        throw std::runtime_error("launcher capture output");
    }
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_BGRA;
    image.flags = PNG_IMAGE_FLAG_FAST;
    const int written = png_image_write_to_stdio(&image, output.file, 0, pixels.data(),
                                                 static_cast<png_int_32>(width * 4), nullptr);
    png_image_free(&image);
    if (written == 0) {
        throw std::runtime_error("launcher PNG pixels");
    }
    std::FILE* file = output.file;
    output.file = nullptr;
    if (std::fclose(file) != 0) {
        throw std::runtime_error("launcher PNG commit");
    }
}

} // namespace platform
