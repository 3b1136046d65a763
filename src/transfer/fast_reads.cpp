#include "transfer/fast_reads.h"

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "settings/registry.h"
#include "transfer/main_window_transfer.h"

namespace qtx52::transfer {

FastReadsControl::FastReadsControl(app::Program& program, MainWindowTransfer& window)
    : chk_fast_reads(QStringLiteral("chk_fast_reads"), -1, this), program_(program),
      window_(window) {
    chk_fast_reads.setCaption(program.g.languageId == app::kLanguageEnglish
                                  ? QStringLiteral("Fast reads")
                                  : QStringLiteral("Schnell lesen"));
    const bool stored =
        settings::CRegistry(program.stores)
            .Werte(settings::kProductKey, QLatin1String(kFastReadsValue)) == QLatin1String("1");
    chk_fast_reads.setValue(stored ? 1 : 0);
    window_.fastReads = stored;
    connect(&chk_fast_reads, &forms::CheckBox::click, this, [this] { chk_fast_reads_Click(); });
}

void FastReadsControl::chk_fast_reads_Click() {
    const bool on = chk_fast_reads.value() == 1;
    window_.fastReads = on;
    // A store that cannot be written leaves the setting for this run only, as the window shows it.
    settings::CRegistry(program_.stores)
        .Werte(settings::kProductKey, QLatin1String(kFastReadsValue),
               on ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace qtx52::transfer
