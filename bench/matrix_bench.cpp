// The whole transfer matrix: every workflow x fault x the request it strikes x framing x baud
// rate x response time, in virtual time. Prints one line per failed cell and a summary line. Run
// by hand; the suite runs a fixed sample of the same cells.
//
//   qtx52-bench-matrix [--fast] [TEXT]   only the cells whose name contains TEXT; with --fast
//                                        each cell once more with fast reads, which must leave
//                                        what the paced run left

#include "support/transfer_matrix.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTextStream>

using namespace qtx52::testing;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool fast = args.removeAll(QStringLiteral("--fast")) > 0;
    const QString only = args.value(0);
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
        QStringList paced;
        QString failure = matrix::run(c, fast ? &paced : nullptr);
        if (failure.isEmpty() && fast) {
            matrix::Cell f = c;
            f.fast = true;
            QStringList left;
            failure = matrix::run(f, &left);
            if (failure.isEmpty() && left != paced) {
                qsizetype i = 0;
                while (i < left.size() && i < paced.size() && left[i] == paced[i])
                    ++i;
                failure = QStringLiteral("fast reads left '%1', paced '%2'")
                              .arg(left.value(i), paced.value(i));
            } else if (!failure.isEmpty()) {
                failure = QStringLiteral("with fast reads: ") + failure;
            }
        }
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
