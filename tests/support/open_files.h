#pragma once
// What the system lets another handle do to a file that a reader holds open.

namespace testsupport {

// Whether a rename through a file's handle takes the place of a file that a reader holds open
// with delete sharing: a rename with POSIX semantics. Linux and Windows 10 on NTFS have it;
// Wine 8 refuses those semantics, and its older rename refuses an open target, as NTFS does.
bool renameReplacesAnOpenFile();

} // namespace testsupport
