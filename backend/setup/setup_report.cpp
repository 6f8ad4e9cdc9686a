#include "backend/setup/setup_report.h"
#include "backend/backend.h"
#include "backend/files/file_safety.h"
#include "backend/files/utf8_text.h"
#include "backend/setup/setup_runner.h"
#include "platform/process.h"
#include "platform/text.h"

#include <algorithm>
#include <cwctype>
#include <stdexcept>

namespace qxlauncher {

namespace {

constexpr std::size_t tailBytes = 32768;
constexpr std::size_t tailLines = 40;
constexpr std::size_t profileBufferUnits = 260;

std::wstring fieldText(const std::string& value) {
    return value.empty() ? std::wstring(L"-") : utf8ToWide(value.c_str());
}

} // namespace

std::wstring readLogTail(const std::filesystem::path& log, platform::SharedReads& reads) {
    constexpr const wchar_t* noLog = L"(no log)";
    // The report is meant to be sent away: nothing but the log itself may go into it, never a
    // file that a link at its name leads to. A pipe there must not hold the window either.
    try {
        if (!isRegularUnlinkedFile(log)) {
            return noLog;
        }
    } catch (const std::exception&) {
        return noLog;
    }
    platform::SharedFile file = reads.open(log);
    const std::optional<std::uint64_t> size = file.isOpen() ? file.size() : std::nullopt;
    if (!size) {
        return noLog;
    }
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(*size, tailBytes));
    std::string bytes(count, '\0');
    const std::optional<std::size_t> read =
        file.seek(*size - count) ? file.readUpTo(bytes.data(), count) : std::nullopt;
    if (!read) {
        return noLog;
    }
    bytes.resize(*read);
    return logTailText(bytes);
}

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
