#include "backend/setup/setup_report.h"
#include "backend/backend.h"
#include "backend/files/utf8_text.h"
#include "backend/setup/setup_runner.h"
#include "platform/process.h"
#include "platform/text.h"

#include <algorithm>
#include <cwctype>
#include <fstream>

namespace qxlauncher {

namespace {

constexpr std::size_t tailBytes = 32768;
constexpr std::size_t tailLines = 40;
constexpr std::size_t profileBufferUnits = 260;

std::wstring readLogTail(const std::filesystem::path& log) {
    std::ifstream stream(log, std::ios::binary);
    if (!stream) {
        return L"(no log)";
    }
    stream.seekg(0, std::ios::end);
    const std::streamoff size = stream.tellg();
    if (size < 0) {
        return L"(no log)";
    }
    const std::size_t count = std::min(static_cast<std::size_t>(size), tailBytes);
    std::string bytes(count, '\0');
    stream.seekg(static_cast<std::streamoff>(size) - static_cast<std::streamoff>(count));
    stream.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(stream.gcount(), 0)));
    return logTailText(bytes);
}

std::wstring fieldText(const std::string& value) {
    return value.empty() ? std::wstring(L"-") : utf8ToWide(value.c_str());
}

} // namespace

std::wstring logTailText(const std::string& lastBytes) {
    std::size_t lineFeeds = 0;
    std::size_t start = 0;
    for (std::size_t i = lastBytes.size(); i > 0; --i) {
        if (lastBytes[i - 1] == '\n' && ++lineFeeds == tailLines + 1) {
            start = i;
            break;
        }
    }
    return utf8ToWide(lastBytes.substr(start).c_str());
}

std::wstring withCrLfLineEnds(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) {
            out.push_back(L'\r');
        }
        out.push_back(text[i]);
    }
    return out;
}

std::wstring replaceIgnoringCase(const std::wstring& text, const std::wstring& needle,
                                 const std::wstring& replacement) {
    if (needle.empty()) {
        return text;
    }
    const auto lower = [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); };
    std::wstring out;
    std::size_t i = 0;
    while (i < text.size()) {
        bool match = i + needle.size() <= text.size();
        for (std::size_t k = 0; match && k < needle.size(); ++k) {
            match = lower(text[i + k]) == lower(needle[k]);
        }
        if (match) {
            out += replacement;
            i += needle.size();
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

std::wstring hideProfileFolder(std::wstring text, const std::wstring& profileFolder) {
    if (profileFolder.empty() || platform::utf16Length(profileFolder) >= profileBufferUnits) {
        return text;
    }
    std::wstring slashed = profileFolder;
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    text = replaceIgnoringCase(text, profileFolder, L"%USERPROFILE%");
    return replaceIgnoringCase(text, slashed, L"%USERPROFILE%");
}

std::wstring Backend::setupReport(int game) const {
    const SetupJob& job = jobs.at(static_cast<std::size_t>(game));
    const GameInfo& info = gameTable.at(static_cast<std::size_t>(game));
    const std::filesystem::path log = setupLogPath(projectRoot, game);
    std::wstring text = L"Lumenark Recomp setup report\n";
    text += L"Game: " + std::wstring(info.title) + L" (" + std::wstring(info.id) + L")\n";
    text += L"Setup version: 14\n";
    text += L"Python: " + fieldText(tools.python) + L"\n";
    text += L"g++: " + fieldText(tools.compilerVersion) + L" (tested: " +
            fieldText(tools.compilerValidated) + L")\n";
    text += L"Step: " + fieldText(job.step) + L"\n";
    text += L"Result: " + fieldText(job.state) + L" [" + fieldText(job.code) + L"]\n";
    text += L"Message: " + fieldText(job.message) + L"\n";
    text += L"Detail: " + fieldText(job.detail) + L"\n";
    text += L"\n";
    text += L"Last lines of " + platform::wideFromPath(log.filename()) + L":\n";
    text += readLogTail(log);
    text = withCrLfLineEnds(text);
    return hideProfileFolder(std::move(text),
                             platform::environmentVariable(L"USERPROFILE").value_or(L""));
}

} // namespace qxlauncher
