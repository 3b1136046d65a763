#include "settings/registry.h"

#include "settings/reg_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace qtx52::settings {

namespace {

bool keyExists(const RegFile& file, const QString& path) {
    return file.key(path) != nullptr || !file.subkeys(path).isEmpty();
}

// A text value of a store: cut at its first NUL; empty for anything else.
QString readText(const QString& fileName, const QString& section, const QString& name) {
    const std::optional<RegFile> file = RegFile::load(fileName);
    if (!file)
        return {};
    const RegValue* v = file->value(section, name);
    if (!v || v->type != RegValue::Type::Text)
        return {};
    const qsizetype nul = v->text.indexOf(QChar(0));
    return nul < 0 ? v->text : v->text.left(nul);
}

} // namespace

CRegistry::CRegistry(const StorePaths& stores) : stores_(stores) {}

QString CRegistry::FindFirstMachineKey(const QString& sSection) {
    enumeration_.clear();
    enumIndex_ = 0;
    const std::optional<RegFile> file = RegFile::load(stores_.machineFile);
    if (!file || !keyExists(*file, sSection))
        return {};
    enumeration_ = file->subkeys(sSection);
    return GetNextMachineKey();
}

QString CRegistry::GetNextMachineKey() {
    const int i = enumIndex_++;
    return i >= 0 && i < enumeration_.size() ? enumeration_[i] : QString();
}

QString CRegistry::MachineSetting(const QString& sSection, const QString& sKey) const {
    return readText(stores_.machineFile, sSection, sKey);
}

void CRegistry::MachineSetting(const QString& sSection, const QString& sKey,
                               const QString& sSetting) {
    lastError_ = writeText(stores_.machineFile, sSection, sKey, sSetting, false) ? 0 : kWriteFailed;
}

void CRegistry::Werte(const QString& sSection, const QString& sKey, const QString& sSetting) {
    // The user's configuration folder may not be there before the first value is kept.
    lastError_ = writeText(stores_.userFile, sSection, sKey, sSetting, true) ? 0 : kWriteFailed;
}

bool CRegistry::writeText(const QString& fileName, const QString& sSection, const QString& sKey,
                          const QString& sSetting, bool createFolder) {
    RegFile file;
    if (QFile::exists(fileName)) {
        // A store that cannot be read is not written over: it may hold what it could not give.
        std::optional<RegFile> loaded = RegFile::load(fileName);
        if (!loaded)
            return false;
        file = std::move(*loaded);
    } else if (createFolder && !QDir().mkpath(QFileInfo(fileName).absolutePath())) {
        return false;
    }
    RegKey& key = file.createKey(sSection);
    auto it = std::find_if(key.values.begin(), key.values.end(), [&](const RegValue& v) {
        return v.name.compare(sKey, Qt::CaseInsensitive) == 0;
    });
    RegValue v{sKey, RegValue::Type::Text, sSetting, {}};
    if (it != key.values.end())
        *it = v;
    else
        key.values.push_back(v);
    return file.save(fileName);
}

bool CRegistry::DeleteMachineKey(const QString& sKey) {
    std::optional<RegFile> file = RegFile::load(stores_.machineFile);
    if (!file || !keyExists(*file, sKey))
        return false;
    const QString path = RegFile::normalizePath(sKey);
    const QString prefix = path + QLatin1Char('\\');
    std::vector<QString> doomed;
    for (const RegKey& k : file->keys())
        if (k.path.compare(path, Qt::CaseInsensitive) == 0 ||
            k.path.startsWith(prefix, Qt::CaseInsensitive))
            doomed.push_back(k.path);
    for (const QString& p : doomed)
        file->removeKey(p);
    return file->save(stores_.machineFile);
}

QString CRegistry::Werte(const QString& sSection, const QString& sKey) const {
    const std::optional<RegFile> file = RegFile::load(stores_.userFile);
    const RegValue* v = file ? file->value(sSection, sKey) : nullptr;
    if (!v &&
        RegFile::normalizePath(sSection).compare(kInternationalKey, Qt::CaseInsensitive) == 0 &&
        sKey.compare(QLatin1String("sDecimal"), Qt::CaseInsensitive) == 0) {
        // Nothing set by the user: the decimal point of the user's locale, as the regional
        // settings would give it.
        return QLocale::system().decimalPoint();
    }
    return readText(stores_.userFile, sSection, sKey);
}

} // namespace qtx52::settings
