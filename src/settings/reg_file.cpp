#include "settings/reg_file.h"

#include <QFile>
#include <QSaveFile>

namespace qtx52::settings {

namespace {

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Reads a quoted text starting at line[pos] == '"'; returns the unescaped text and moves pos past
// the closing quote, or std::nullopt when the quote is not closed.
std::optional<QString> readQuoted(const QString& line, qsizetype& pos) {
    QString out;
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return out;
        }
        if (c == QLatin1Char('\\') && pos + 1 < line.size()) {
            const QChar n = line[++pos];
            if (n == QLatin1Char('0'))
                out += QChar(0);
            else
                out += n;
            continue;
        }
        out += c;
    }
    return std::nullopt;
}

QString quote(const QString& s) {
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\');
        if (c.unicode() == 0) {
            out += QLatin1String("\\0");
            continue;
        }
        out += c;
    }
    return out + QLatin1Char('"');
}

} // namespace

QString RegFile::normalizePath(const QString& path) {
    QString p = path.trimmed();
    while (p.startsWith(QLatin1Char('\\')))
        p.remove(0, 1);
    while (p.endsWith(QLatin1Char('\\')))
        p.chop(1);
    return p;
}

RegFile RegFile::parse(const QByteArray& content) {
    RegFile file;
    RegKey* current = nullptr;
    const QString text = QString::fromUtf8(content);
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
            trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            current = &file.createKey(trimmed.mid(1, trimmed.size() - 2));
            continue;
        }
        if (!current)
            continue;
        qsizetype pos = line.indexOf(QLatin1Char('"'));
        std::optional<QString> name;
        if (pos >= 0 && line.left(pos).trimmed().isEmpty())
            name = readQuoted(line, pos);
        if (!name)
            continue; // not a value line; ignored like any other noise
        const qsizetype eq = line.indexOf(QLatin1Char('='), pos);
        if (eq < 0)
            continue;
        const QString rest = line.mid(eq + 1).trimmed();
        RegValue v;
        v.name = *name;
        if (rest.startsWith(QLatin1Char('"'))) {
            qsizetype p = 0;
            auto t = readQuoted(rest, p);
            if (!t)
                continue;
            v.type = RegValue::Type::Text;
            v.text = *t;
        } else if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            v.type = RegValue::Type::Dword;
            v.raw = rest.mid(6).toLatin1();
        } else if (rest.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            v.type = RegValue::Type::Binary;
            v.raw = rest.mid(rest.indexOf(QLatin1Char(':')) + 1).toLatin1();
        } else {
            continue;
        }
        auto& values = current->values;
        auto it = std::find_if(values.begin(), values.end(),
                               [&](const RegValue& x) { return sameName(x.name, v.name); });
        if (it != values.end())
            *it = v;
        else
            values.push_back(v);
    }
    return file;
}

QByteArray RegFile::serialize() const {
    QString out;
    for (const RegKey& k : keys_) {
        out += QLatin1Char('[') + k.path + QLatin1String("]\n");
        for (const RegValue& v : k.values) {
            out += quote(v.name) + QLatin1Char('=');
            switch (v.type) {
            case RegValue::Type::Text:
                out += quote(v.text);
                break;
            case RegValue::Type::Dword:
                out += QLatin1String("dword:") + QString::fromLatin1(v.raw);
                break;
            case RegValue::Type::Binary:
                out += QLatin1String("hex:") + QString::fromLatin1(v.raw);
                break;
            }
            out += QLatin1Char('\n');
        }
        out += QLatin1Char('\n');
    }
    return out.toUtf8();
}

std::optional<RegFile> RegFile::load(const QString& fileName) {
    QFile f(fileName);
    if (fileName.isEmpty() || !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(f.readAll());
}

bool RegFile::save(const QString& fileName) const {
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(serialize());
    return f.commit();
}

const RegKey* RegFile::key(const QString& path) const {
    const QString p = normalizePath(path);
    for (const RegKey& k : keys_)
        if (sameName(k.path, p))
            return &k;
    return nullptr;
}

RegKey& RegFile::createKey(const QString& path) {
    const QString p = normalizePath(path);
    for (RegKey& k : keys_)
        if (sameName(k.path, p))
            return k;
    keys_.push_back(RegKey{p, {}});
    return keys_.back();
}

bool RegFile::removeKey(const QString& path) {
    const QString p = normalizePath(path);
    const auto before = keys_.size();
    keys_.erase(std::remove_if(keys_.begin(), keys_.end(),
                               [&](const RegKey& k) { return sameName(k.path, p); }),
                keys_.end());
    return keys_.size() != before;
}

QStringList RegFile::subkeys(const QString& path) const {
    const QString p = normalizePath(path);
    const QString prefix = p.isEmpty() ? QString() : p + QLatin1Char('\\');
    QStringList out;
    for (const RegKey& k : keys_) {
        if (!k.path.startsWith(prefix, Qt::CaseInsensitive) || k.path.size() == prefix.size())
            continue;
        const QString child = k.path.mid(prefix.size()).section(QLatin1Char('\\'), 0, 0);
        if (!child.isEmpty() && std::none_of(out.begin(), out.end(),
                                             [&](const QString& s) { return sameName(s, child); }))
            out << child;
    }
    return out;
}

const RegValue* RegFile::value(const QString& path, const QString& name) const {
    const RegKey* k = key(path);
    if (!k)
        return nullptr;
    for (const RegValue& v : k->values)
        if (sameName(v.name, name))
            return &v;
    return nullptr;
}

} // namespace qtx52::settings
