// The whole transfer matrix: every workflow x fault x the request it strikes x framing x baud
// rate x response time, in virtual time. Prints one line per failed cell and a summary line. Run
// by hand; the suite runs a fixed sample of the same cells.
//
//   qtx52-bench-matrix [TEXT]   only the cells whose name contains TEXT

#include "support/transfer_matrix.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

using namespace qtx52::testing;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QTextStream out(stdout);
    QElapsedTimer clock;
    clock.start();
    int run = 0;
    int failed = 0;
    for (const matrix::Cell& c : matrix::product()) {
        const QString name = matrix::name(c);
        if (!only.isEmpty() && !name.contains(only))
            continue;
        ++run;
        const QString failure = matrix::run(c);
        if (!failure.isEmpty()) {
            ++failed;
            out << "FAIL " << name << ": " << failure << '\n';
            out.flush();
        }
    }
    out << "transfer matrix: " << run << " cells run, " << run - failed << " passed, " << failed
        << " failed (" << clock.elapsed() / 1000 << " s)\n";
    return failed == 0 ? 0 : 1;
}
