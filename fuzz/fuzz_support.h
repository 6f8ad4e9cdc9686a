#pragma once
// What the reader fuzz targets share: a scratch project root, and the refusal check (a reader may
// fail only with one of its own labels, as a plain runtime error).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <typeinfo>
#include <unistd.h>
#include <vector>

namespace fuzzsupport {

// Stops the run: libFuzzer keeps the input that got here.
[[noreturn]] inline void finding(const std::string& what) {
    std::fprintf(stderr, "finding: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void check(bool condition, const char* what) {
    if (!condition) {
        finding(what);
    }
}

// A folder of this process's own, made once; the targets lay their files out under it.
inline const std::filesystem::path& scratchRoot() {
    static const std::filesystem::path root = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "qx-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            finding("no scratch folder");
        }
        return std::filesystem::path(pattern);
    }();
    return root;
}

inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// A path whose text holds a NUL: the system would check and open only the name before it.
inline bool holdsNul(const std::filesystem::path& path) {
    return path.native().find(std::filesystem::path::value_type{}) != std::string::npos;
}

using Labels = std::vector<std::string_view>;

inline bool isOneOf(std::string_view text, const Labels& labels) {
    for (const std::string_view label : labels) {
        if (text == label) {
            return true;
        }
    }
    return false;
}

// Runs the action; an exception must be a plain std::runtime_error carrying one of the labels.
// With `libraryErrors`, an error of the file-system library passes too (the file services hand
// them on unchanged), except a failed conversion of a name, which is never the file's fault.
template <typename Action>
bool refusedWithLabel(Action action, const Labels& labels, bool libraryErrors = false) {
    try {
        action();
        return false;
    } catch (const std::filesystem::filesystem_error& error) {
        if (!libraryErrors || error.code() == std::errc::illegal_byte_sequence) {
            finding(std::string("unexpected file-system error: ") + error.what());
        }
        return true;
    } catch (const std::exception& error) {
        if (typeid(error) != typeid(std::runtime_error) || !isOneOf(error.what(), labels)) {
            finding(std::string("unexpected failure (") + typeid(error).name() +
                    "): " + error.what());
        }
        return true;
    }
}

} // namespace fuzzsupport
