#include "support/sim_program.h"

namespace qtx52::testing {

namespace {
StoreValues inLanguage(const QString& language) {
    StoreValues v;
    v.language = language;
    return v;
}
} // namespace

SimProgram::SimProgram(const QString& language)
    : tp(inLanguage(language)),
      p(tp.clock, port, tp.ui,
        settings::StorePaths{tp.dir.filePath("machine.ini"), tp.dir.filePath("user.ini")}) {
    station.unit().setLiveMotion(false);
    app::Main(p);
}

} // namespace qtx52::testing
