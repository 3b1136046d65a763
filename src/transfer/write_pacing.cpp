// Write pacing (Timer1): writes the configuration registers 2..37 and the input registers
// 512..519 block by block, one block per tick while the link is free.

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "app/shown_value.h"
#include "app/ui.h"
#include "link/checksum.h"
#include "link/exchange.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "params/write_check.h"
#include "transfer/exchange_values.h"
#include "transfer/main_window_transfer.h"
#include "windows/frmState.h"

#include <algorithm>
#include <optional>

namespace qtx52::transfer {

using namespace params;

namespace {

constexpr int kBlockMax = 10;

// The field that holds a register's value, with what the write needs to know about it.
struct WriteField {
    TextBox* box = nullptr;
    Label* caption = nullptr;
    bool tenths = false;
};

WriteField configField(MainWindowTransfer& f, int address) {
    return {f.txt_data_cfg.at(address), f.lbl_cfg.at(address),
            configEncoding(address) == Encoding::SignedTenths};
}

WriteField inputField(MainWindowTransfer& f, int address) {
    const int element = address - kInputFirst;
    return {f.txt_data_in.at(element), f.lbl_data_in.at(element),
            inputEncoding(element) == Encoding::SignedTenths};
}

// The caption as a name in running text: without the colon that ends it on the form.
QString fieldName(const Label* caption) {
    if (!caption)
        return QString();
    QString name = caption->caption().trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
}

QString unsendableMessage(const app::Global& g, const WriteField& field) {
    const QString name = fieldName(field.caption);
    const QString value = app::shownValue(field.box ? field.box->text() : QString());
    if (g.languageId == app::kLanguageEnglish)
        return QStringLiteral("The value \"%1\" in the field \"%2\" cannot be sent to the unit.")
            .arg(value, name);
    return QStringLiteral("Der Wert \"%1\" im Feld \"%2\" kann nicht zum Gerät übertragen werden.")
        .arg(value, name);
}

} // namespace

void MainWindowTransfer::connectWritePacing() {
    connect(&Timer1, &forms::Timer::tick, this, [this] { Timer1_Timer(); });
}

void MainWindowTransfer::Timer1_Timer() {
    if (txt_Modbus_adress->text().isEmpty() || !g.linkReady)
        return;

    int rangeSize = 0;
    WriteField (*fieldOf)(MainWindowTransfer&, int) = nullptr;
    if (g.commState == 2) {
        rangeSize = kConfigCount; // counted from register 0; a write-back starts at 2
        fieldOf = configField;
    } else if (g.commState == 5) {
        if (g.startAddress == 0)
            g.startAddress = kInputFirst;
        rangeSize = kInputCount;
        fieldOf = inputField;
    }
    const int count = std::min(rangeSize - alreadyWrite, kBlockMax);
    if (!fieldOf || count <= 0) {
        Timer1.setEnabled(false);
        g.startAddress = 0;
        alreadyWrite = 0;
        countWriteRegister = 0;
        return;
    }

    // Every value word is composed before anything is sent: a block never goes out with a word
    // missing or cut to 16 bits.
    QString words;
    for (int r = g.startAddress; r < g.startAddress + count; ++r) {
        const WriteField field = fieldOf(*this, r);
        std::optional<QString> word;
        if (field.box) {
            if (const std::optional<double> v = writeNumber(field.box->text(), g.decimalSeparator))
                word = valueWord(field.tenths ? *v * 10 : *v);
        }
        if (!word) {
            // Ends the write like an unanswered request, then says which value is to blame. The
            // timers are stopped first, so no tick runs into the open message box.
            failTransaction(std::nullopt);
            if (field.box)
                program.ui.messageBox(unsendableMessage(g, field), app::kAppTitle);
            return;
        }
        words += *word;
    }

    if (g.commState == 2 && g.startAddress <= kResponseTimeRegister &&
        kResponseTimeRegister < g.startAddress + count) {
        const int at = 4 * (kResponseTimeRegister - g.startAddress);
        const qint16 written = qint16(words.mid(at, 4).toUShort(nullptr, 16));
        if (written > g.minResponseTime) {
            responseTimeBeingWritten = written;
            applyLinkTiming();
            // The status window's time limit allows for it as well.
            if (program.frmStateLoaded())
                program.frmState().ShowMsg();
        }
    }
    countWriteRegister = qint16(count);
    alreadyWrite = qint16(alreadyWrite + count);
    g.requestHex = stationHex() + link::LongToHexStr(link::kWriteMultipleRegisters, 1) +
                   link::LongToHexStr(g.startAddress, 2) + link::LongToHexStr(count, 2) +
                   link::LongToHexStr(2 * count, 1) + words;
    // Cleared first: a send that fails runs the failure handling, which frees the link again.
    g.linkReady = false;
    send();
}

} // namespace qtx52::transfer
