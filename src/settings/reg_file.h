#pragma once

// A settings store file: an INI file in the style of exported registry keys.
//
//   [SOFTWARE\Korvatek\QTX52-RS485-MODBUS]
//   "Pfad"="/usr/share/qtx52-config"
//   "Language"="1031"
//   "Count"=dword:00000001
//
// Sections are key paths, values are named; a quoted value is text (escapes \\, \" and \0 for an
// embedded NUL), dword:XXXXXXXX is a number, hex:.. raw bytes. Key paths and value names compare
// without regard to case, as registry keys do. Lines starting with ';' or '#' are comments.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qtx52::settings {

struct RegValue {
    enum class Type { Text, Dword, Binary };
    QString name;
    Type type = Type::Text;
    QString text;   // for Text, NULs included
    QByteArray raw; // for Dword and Binary: the value as written after the colon
};

struct RegKey {
    QString path; // without leading or trailing backslash
    std::vector<RegValue> values;
};

class RegFile {
public:
    // Reads a store; std::nullopt when the file cannot be read.
    static std::optional<RegFile> load(const QString& fileName);
    static RegFile parse(const QByteArray& content);
    QByteArray serialize() const;
    // Writes the whole store atomically; false on failure.
    bool save(const QString& fileName) const;

    static QString normalizePath(const QString& path);

    const RegKey* key(const QString& path) const;
    RegKey& createKey(const QString& path);
    bool removeKey(const QString& path);
    // Names of the direct subkeys of path, in file order (a key that only exists as the parent of
    // a deeper key counts too).
    QStringList subkeys(const QString& path) const;
    const RegValue* value(const QString& path, const QString& name) const;

    const std::vector<RegKey>& keys() const { return keys_; }

private:
    std::vector<RegKey> keys_;
};

} // namespace qtx52::settings
