#include "support/test_program.h"

#include "settings/registry.h"

#include <QFile>

namespace qtx52::testing {

namespace {

QString quoted(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('"'), QLatin1String("\\\""));
    out.replace(QChar(0), QLatin1String("\\0"));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

// One key of a store: its section line and every value that is set.
QString section(const QString& key,
                std::initializer_list<std::pair<const char*, std::optional<QString>>> values) {
    QString path = key;
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    QString out = QLatin1Char('[') + path + QLatin1String("]\n");
    for (const auto& [name, value] : values)
        if (value)
            out += quoted(QString::fromUtf8(name)) + QLatin1Char('=') + quoted(*value) +
                   QLatin1Char('\n');
    return out;
}

void writeFile(const QString& fileName, const QString& content) {
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(fileName));
    f.write(content.toUtf8());
}

} // namespace

TestProgram::TestProgram(const StoreValues& values) {
    if (!dir.isValid())
        qFatal("no temporary folder");
    writeStores(values);
    settings::StorePaths stores;
    stores.machineFile = dir.filePath(QStringLiteral("machine.ini"));
    stores.userFile = dir.filePath(QStringLiteral("user.ini"));
    program_ = std::make_unique<app::Program>(clock, port, ui, stores);
}

TestProgram::~TestProgram() = default;

void TestProgram::writeStores(const StoreValues& v) {
    writeFile(dir.filePath(QStringLiteral("machine.ini")),
              section(settings::kProductKey,
                      {{"Pfad", v.installPath}, {"Language", v.language}, {"Version", v.version}}) +
                  section(settings::kLcdProductKey, {{"Version", v.lcdVersion}}));
    writeFile(dir.filePath(QStringLiteral("user.ini")),
              section(settings::kInternationalKey, {{"sDecimal", v.decimalSeparator}}));
}

} // namespace qtx52::testing
