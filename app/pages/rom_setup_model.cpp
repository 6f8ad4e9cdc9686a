// What the ROM Setup page shows: each game's verification summary and the report of the chosen
// game, file by file.
#include "app/app.h"
#include "app/pages/rom_setup_page.h"
#include "app/ui/text_layout.h"
#include "platform/text.h"

#include <algorithm>

namespace lumenark {
namespace {

using qxlauncher::ReportFile;
using qxlauncher::SetupJob;

bool fileOk(const ReportFile& file) {
    return file.status == "ok";
}

std::wstring programWord(const std::string& program) {
    if (program == "ok") {
        return L"OK";
    }
    return program == "not checked" ? L"not checked" : L"differs";
}

std::wstring summaryText(const SetupJob& job, bool buildFound) {
    if (job.running && job.mode == "verify") {
        return L"Checking the files...";
    }
    if (!job.reportFiles.empty()) {
        const auto ok = std::count_if(job.reportFiles.begin(), job.reportFiles.end(), fileOk);
        return std::to_wstring(ok) + L" of " + std::to_wstring(job.reportFiles.size()) +
               L" files OK  /  program image " + programWord(job.program);
    }
    return buildFound ? L"Verified by the last finished setup." : L"Not verified yet.";
}

std::wstring joined(const std::vector<std::wstring>& labels) {
    std::wstring text;
    for (const std::wstring& label : labels) {
        text += (text.empty() ? L"" : L", ") + label;
    }
    return text;
}

} // namespace

std::wstring reportResult(std::string_view status) {
    if (status == "ok") {
        return L"OK";
    }
    if (status == "missing") {
        return L"MISSING";
    }
    if (status == "link") {
        return L"LINK";
    }
    return digestKindLabel(status) + L" differs";
}

RomSetupRow romSetupRow(const App& app, int game) {
    const qxlauncher::GameInfo& info = qxlauncher::gameTable.at(static_cast<std::size_t>(game));
    const SetupJob& job = app.backend().setupJob(game);
    RomSetupRow row;
    row.title = std::wstring(info.title);
    row.caption = std::wstring(info.revision) + L"  /  " + std::wstring(info.board);
    row.summary = summaryText(job, app.builds().at(static_cast<std::size_t>(game)).found);
    row.summaryWarning = !job.reportFiles.empty() && !job.verified;
    return row;
}

RomSetupPage romSetupPage(const App& app) {
    RomSetupPage page;
    page.ownershipConfirmed = app.backend().ownershipConfirmed();
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        page.rows.at(static_cast<std::size_t>(game)) = romSetupRow(app, game);
    }
    page.reportGame = app.romReportGame();
    const SetupJob& job = app.backend().setupJob(page.reportGame);
    page.reportTitle =
        std::wstring(qxlauncher::gameTable.at(static_cast<std::size_t>(page.reportGame)).title);
    page.checks = L"Checks: " + joined(app.digestKinds(page.reportGame));
    for (const ReportFile& file : job.reportFiles) {
        page.files.push_back(
            {platform::wideFromUtf8(file.name), reportResult(file.status), fileOk(file)});
    }
    if (!job.reportFiles.empty()) {
        page.programOk = job.program == "ok";
        page.programLine =
            L"Program image: " +
            (page.programOk ? std::wstring(L"OK") : platform::wideFromUtf8(job.program));
    }
    return page;
}

} // namespace lumenark
