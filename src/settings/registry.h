#pragma once

// The settings stores as the program reads them. Linux has no registry: the machine store and the
// user store are two INI files that keep the same key paths and value names (the product key with
// "Pfad", "Language" and "Version"; "Control Panel\International" with "sDecimal"). Each use
// creates a fresh CRegistry, makes one call and lets it go.

#include "settings/store_paths.h"

#include <QString>
#include <QStringList>

namespace qtx52::settings {

class CRegistry {
public:
    explicit CRegistry(const StorePaths& stores);

    // Enumeration of the subkeys of a machine key: the first subkey's name, or the empty text
    // when the key cannot be opened or has none.
    QString FindFirstMachineKey(const QString& sSection);
    // The next subkey's name, or the empty text past the last one (and on every call after).
    QString GetNextMachineKey();

    // A text value below the machine root; the empty text when the key or value is missing, is not
    // a text, or the store cannot be read. A text is cut at its first NUL.
    QString MachineSetting(const QString& sSection, const QString& sKey) const;
    // Stores a text value below the machine root, creating the key; on failure lastError() becomes
    // 0x80040201 and nothing is raised.
    void MachineSetting(const QString& sSection, const QString& sKey, const QString& sSetting);
    // Deletes a machine key with all its subkeys; true when it was deleted.
    bool DeleteMachineKey(const QString& sKey);

    // A text value below the user root, as MachineSetting (read).
    QString Werte(const QString& sSection, const QString& sKey) const;
    // Stores a text value below the user root, creating the store and the key; the rest of the
    // store stays as it was. On failure lastError() becomes kWriteFailed and nothing is raised.
    void Werte(const QString& sSection, const QString& sKey, const QString& sSetting);

    // Error number of the last write (0 after success).
    quint32 lastError() const { return lastError_; }

    static constexpr quint32 kWriteFailed = 0x80040201u;

private:
    static bool writeText(const QString& fileName, const QString& sSection, const QString& sKey,
                          const QString& sSetting, bool createFolder);

    StorePaths stores_;
    QStringList enumeration_;
    int enumIndex_ = 0;
    quint32 lastError_ = 0;
};

// Key paths and value names the program reads.
inline const QString kProductKey = QStringLiteral("SOFTWARE\\Korvatek\\QTX52-RS485-MODBUS\\");
inline const QString kLcdProductKey =
    QStringLiteral("SOFTWARE\\Korvatek\\QTX52-LCD-RS485-MODBUS\\");
inline const QString kInternationalKey = QStringLiteral("Control Panel\\International");

} // namespace qtx52::settings
