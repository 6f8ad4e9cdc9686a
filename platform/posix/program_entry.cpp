#include "platform/program_entry.h"

#include <clocale>

int main() {
    // File names and texts are UTF-8; numbers are still read in the C locale by the backend.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    return launcherMain();
}
