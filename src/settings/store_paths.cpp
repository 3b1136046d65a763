#include "settings/store_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qtx52::settings {

namespace {
const QString kMachineFileName = QStringLiteral("qtx52-config.machine.ini");
const QString kSystemMachineFile = QStringLiteral("/etc/qtx52-config/machine.ini");
} // namespace

StorePaths StorePaths::standard() {
    StorePaths p;
    const QString appDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    const QString beside = appDir.isEmpty() ? QString() : QDir(appDir).filePath(kMachineFileName);
    p.machineFile = !beside.isEmpty() && QFileInfo::exists(beside) ? beside : kSystemMachineFile;
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    p.userFile = QDir(configHome).filePath(QStringLiteral("qtx52-config/user.ini"));
    return p;
}

} // namespace qtx52::settings
