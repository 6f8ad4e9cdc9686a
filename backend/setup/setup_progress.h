#pragma once
// What the setup script reports through files: the progress of a game job, the requirements
// result, and the build receipts from which a game's newest valid build is chosen
// (build_receipts.h).
#include "backend/files/json.h"
#include "backend/setup/build_receipts.h"
#include "backend/setup/setup_pipeline.h"

#include <filesystem>
#include <string>

namespace qxlauncher {

// Takes a parsed progress document into the job.
void applySetupProgress(const JsonValue& progress, SetupJob& job);

// Takes a parsed requirements result into the probe.
void applyRequirementsResult(const JsonValue& result, ToolProbe& tools);

} // namespace qxlauncher
