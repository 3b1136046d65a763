#include "support/config_process.h"

namespace qtx52::testing {

std::unique_ptr<QProcess> startConfig(const QStringList& arguments, const QString& configHome,
                                      const QProcessEnvironment& environment) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    for (const QString& name : environment.keys()) {
        if (environment.value(name).isEmpty())
            env.remove(name);
        else
            env.insert(name, environment.value(name));
    }
    p->setProcessEnvironment(env);
    p->start(qEnvironmentVariable("QTX52_CONFIG"), arguments);
    return p;
}

ConfigRun finishConfig(QProcess& p, int waitMs) {
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

ConfigRun runConfig(const QStringList& arguments, const QString& configHome, int waitMs) {
    const std::unique_ptr<QProcess> p = startConfig(arguments, configHome);
    return finishConfig(*p, waitMs);
}

} // namespace qtx52::testing
