#pragma once

#include <QString>

namespace qtx52::settings {

// Where the two settings stores live. The machine store describes the installation (folder,
// language, version) and is only read; the user store holds the user's own values, such as the
// decimal separator and an explicit mapping of port numbers to serial devices.
struct StorePaths {
    QString machineFile;
    QString userFile;

    // The machine store next to the executable when there is one, else in the system
    // configuration folder; the user store in the user's configuration folder.
    static StorePaths standard();
};

} // namespace qtx52::settings
