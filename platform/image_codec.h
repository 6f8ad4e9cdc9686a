#pragma once
// Image files in and PNG files out: WIC on Windows, libpng on Linux. Pixels are 0xAARRGGBB
// (bytes B, G, R, A), rows top to bottom, straight alpha.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace platform {

class ImageFile {
public:
    virtual ~ImageFile() = default;
    // The size of the first frame. Throws "launcher WIC frame" or "launcher image dimensions".
    virtual void size(std::uint32_t& width, std::uint32_t& height) = 0;
    // The first frame converted to B8G8R8A8, width * height pixels. Throws "launcher WIC
    // converter", "launcher WIC BGRA" or "launcher WIC pixels".
    virtual std::vector<std::uint32_t> pixels() = 0;
};

// Null when the file cannot be opened or no codec recognises it. A file of a known format opens
// here even when it is damaged; its decoding then fails. Throws "launcher WIC".
std::unique_ptr<ImageFile> openImageFile(const std::filesystem::path& path);

// Writes an image as PNG, creating or replacing the file. Throws the "launcher WIC capture",
// "launcher capture stream", "launcher capture output" and "launcher PNG ..." labels.
void writePngFile(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
                  const std::vector<std::uint32_t>& pixels);

} // namespace platform
