#include "support/config_process.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace qtx52::testing {

ConfigRun runConfig(const QStringList& arguments, const QString& configHome, int waitMs) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("QTX52_CONFIG"), arguments);
    ConfigRun r;
    if (!p.waitForFinished(waitMs)) {
        p.kill();
        p.waitForFinished(3000);
        r.err = QStringLiteral("did not end in time");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

} // namespace qtx52::testing
