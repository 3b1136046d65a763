// What each reply does in each transaction state: the values of a read go into the editor's
// fields with their references, an acknowledged write turns the written values into references,
// and the transaction moves on to its next step or ends.
//
// The reply has been checked by the reception: whole, right checksum, and the normal answer to the
// request in flight, so every register and coil byte the request asked for is there.

#include "transfer/decode.h"

#include "app/global.h"
#include "app/program.h"
#include "app/ui.h"
#include "link/exchange.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "transfer/exchange_values.h"
#include "transfer/main_window_transfer.h"
#include "windows/frmState.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>

namespace qtx52::transfer {

using namespace params;

namespace {

using forms::ColorBlack;
using forms::ColorButtonText;

constexpr int kConfigCoils = 14;
constexpr int kInputCoils = 5;
constexpr int kUnitCoil = 6;
constexpr int kPotentiometerCoil = 13;
constexpr int kMonitorBlockSize = 10;
constexpr int kMonitorLast = kMonitorFirst + kMonitorCount - 1; // 273
constexpr int kConfigLast = kConfigFirst + kConfigCount - 1;    // 37
constexpr int kInputLast = kInputFirst + kInputCount - 1;       // 519

// The lists that carry their register's change mark (cmb_cfg 2 is set apart: a read-out paints it
// black).
constexpr std::initializer_list<int> kMarkedConfigLists = {4, 12, 15, 21, 27, 31, 32, 33, 34, 36};
constexpr std::initializer_list<int> kWrittenConfigLists = {2,  12, 4,  15, 21, 27,
                                                            31, 32, 33, 34, 36};
constexpr int kDeviceTypeList = 2;

bool contains(std::initializer_list<int> list, int v) {
    for (int x : list)
        if (x == v)
            return true;
    return false;
}

QString valueText(quint16 raw, Encoding encoding, const QString& separator) {
    switch (encoding) {
    case Encoding::Signed:
        return formatNumber(qint16(raw), separator);
    case Encoding::SignedTenths:
        return formatNumber(qint16(raw) / 10.0, separator);
    case Encoding::Unsigned:
        break;
    }
    return formatNumber(raw, separator);
}

void resetColor(forms::Control* c) {
    if (c)
        c->setForeColor(ColorButtonText);
}

class Decoder {
public:
    explicit Decoder(MainWindowTransfer& f)
        : f_(f), g_(f.g), reply_(QByteArray::fromHex(f.g.replyHex.toLatin1())),
          request_(link::pendingRequest(f.g.requestHex)) {}

    // False when a value cannot be taken over; the caller then runs the failure handling.
    bool run() {
        // Neither can happen: the reception matched the reply against the request. Checked all the
        // same, as every value below is read from a fixed place in the reply.
        if (!request_ || reply_.size() < link::replyLength(*request_))
            return true;
        switch (g_.commState) {
        case 1:
            return blockRead();
        case 2:
            return configBlockWritten();
        case 3:
            return configCoilsRead();
        case 4:
            return configCoilsWritten();
        case 5:
            return inputBlockWritten();
        case 6:
            return responseTimeRead();
        case 7:
            return inputRegistersRead();
        case 8:
            return inputCoilsWritten();
        case 9:
            return inputCoilsRead();
        default:
            f_.Timer1.setEnabled(false);
            f_.Timer6.setEnabled(false);
            g_.linkReady = true;
            return true;
        }
    }

private:
    // Whether the reply answers the request this state sends. One that answers something else
    // (the state moved on while it was under way) is left alone, as any reply is in state 1 that
    // is not a register read.
    bool answers(quint8 function, int start, int quantity) const {
        return request_->function == function && request_->start == start &&
               request_->quantity == quantity;
    }
    // The reply moved the chain on: the status window's time limit counts again from now.
    void moveOn() { windows::restartTimeLimit(f_.program); }

    quint16 registerValue(int k) const {
        return quint16(quint8(reply_[3 + 2 * k]) << 8 | quint8(reply_[4 + 2 * k]));
    }
    bool coil(int n) const { return (quint8(reply_[3 + n / 8]) >> (n % 8)) & 1; }

    std::optional<double> numberIn(const TextBox& box) const {
        return parseNumber(box.text(), g_.decimalSeparator);
    }

    void setUnitCaptions() {
        const QString unit =
            f_.chk_cfg(kUnitCoil).value() == 1 ? QStringLiteral("°C") : QStringLiteral("°F");
        for (int u = 0; u <= 4; ++u)
            f_.lbl_unit(u).setCaption(unit);
    }

    bool setPacing() {
        const std::optional<qint32> interval = pacingIntervalMs(g_.baudRate, g_.minResponseTime);
        if (!interval)
            return false;
        f_.Timer1.setInterval(*interval);
        f_.Timer6.setInterval(*interval);
        // The response time is known now: a reply may take longer than the classic repeat.
        f_.responseTimeKnown = true;
        f_.applyLinkTiming();
        return true;
    }

    // The unit on the line answers at this response time from now on: the pacing, the repeat
    // and failure intervals and the status window's time limit follow it at once.
    bool takeResponseTime(quint16 raw) {
        g_.minResponseTime = qint16(raw);
        f_.responseTimeBeingWritten.reset();
        if (!setPacing())
            return false;
        if (f_.program.frmStateLoaded())
            f_.program.frmState().ShowMsg();
        return true;
    }

    void closeStatusWindow() { f_.program.frmState().CloseWindow(); }

    // State 1: a block of holding registers, configuration or monitor.
    bool blockRead() {
        const int s = g_.startAddress;
        const int c = f_.countReadRegister;
        if (!answers(link::kReadHoldingRegisters, s, c))
            return true;
        moveOn();

        // A read-out started without a read device ("Abbrechen" first) learns the response time
        // from the block that holds it. Until then a slow unit's first block was repeated, and the
        // unit answers both tries: paced for its response time, the next request goes out only
        // after the late answer, which is then dropped rather than taken for the next block.
        if (!f_.responseTimeKnown && s <= kResponseTimeRegister && kResponseTimeRegister < s + c &&
            !takeResponseTime(registerValue(kResponseTimeRegister - s)))
            return false;

        if (s >= kConfigFirst && s <= kConfigLast) {
            for (int k = 0; k < c; ++k) {
                const int i = s + k;
                TextBox* box = f_.txt_data_cfg.at(i);
                if (!box)
                    continue;
                box->setText(valueText(registerValue(k), configEncoding(i), g_.decimalSeparator));
                // Read back: the field's own rules may have changed what was written.
                const std::optional<double> v = numberIn(*box);
                if (!v)
                    return false;
                g_.refDataCfg[std::size_t(i)] = *v;
                box->setForeColor(ColorButtonText);
                if (contains(kMarkedConfigLists, i))
                    resetColor(f_.cmb_cfg.at(i));
                if (i == kDeviceTypeList)
                    f_.cmb_cfg(i).setForeColor(ColorBlack);
            }
            g_.startAddress = qint16(s + c);
            if (g_.startAddress < kConfigLast)
                return true;
            g_.startAddress = kMonitorFirst;
            f_.alreadyRead = 0;
            f_.countReadRegister = 0;
            g_.monitorBlock = 0;
            return true;
        }

        if (s >= kMonitorFirst && s < kMonitorLast) {
            for (int k = 0; k < c; ++k) {
                TextBox* box = f_.txt_data_out.at(kMonitorBlockSize * g_.monitorBlock + k);
                if (!box)
                    continue;
                const Encoding e =
                    s == kMonitorFirst ? monitorEncoding(kMonitorFirst + k) : Encoding::Unsigned;
                box->setText(valueText(registerValue(k), e, g_.decimalSeparator));
            }
            ++g_.monitorBlock;
            g_.startAddress = qint16(s + c);
            if (g_.startAddress > kMonitorLast - 1) {
                // Both blocks of the range, in order since the range was started.
                if (g_.monitorBlock == 2)
                    emit f_.monitorRangeRead();
                if (f_.chk_read_out->value() == 1) {
                    g_.startAddress = kMonitorFirst; // the monitor reads the range again
                } else {
                    g_.startAddress = 0;
                    f_.send_read_cfg_coils();
                    f_.Timer6.setEnabled(false);
                }
                f_.Timer1.setEnabled(false);
                g_.monitorBlock = 0;
                f_.alreadyRead = 0;
                f_.countReadRegister = 0;
            }
        }
        return true;
    }

    // State 2: a block of configuration registers acknowledged.
    bool configBlockWritten() {
        if (!answers(link::kWriteMultipleRegisters, g_.startAddress, f_.countWriteRegister))
            return true;
        moveOn();
        g_.linkReady = true;
        // The unit applies a response time as soon as it holds it, so the blocks after the one
        // that carries it already go out at its timing.
        const int first = g_.startAddress;
        if (first <= kResponseTimeRegister && kResponseTimeRegister < first + request_->quantity) {
            // A value beyond a signed 16-bit number (only a parameter file brings one) cannot
            // be a response time.
            const std::optional<qint64> ms =
                integerOfText(f_.txt_data_cfg(kResponseTimeRegister).text(), g_.decimalSeparator);
            if (!ms || *ms < -32768 || *ms > 32767 || !takeResponseTime(quint16(*ms)))
                return false;
            f_.responseTimeChanged = false;
        }
        g_.startAddress = qint16(g_.startAddress + f_.countWriteRegister);
        if (g_.startAddress < kConfigLast)
            return true;

        // The whole range is on the unit: what the fields hold is now the unit's value.
        std::array<double, kConfigCount> written{};
        for (int r = kConfigWriteFirst; r <= kConfigLast; ++r) {
            const std::optional<double> v = numberIn(f_.txt_data_cfg(r));
            if (!v)
                return false;
            written[std::size_t(r)] = *v;
        }
        f_.alreadyWrite = 0;
        f_.countWriteRegister = 0;
        for (int r = kConfigWriteFirst; r <= kConfigLast; ++r)
            g_.refDataCfg[std::size_t(r)] = written[std::size_t(r)];
        for (int r = kConfigFirst; r <= kConfigLast; ++r)
            f_.txt_data_cfg(r).setForeColor(ColorButtonText);
        for (int i : kWrittenConfigLists)
            resetColor(f_.cmb_cfg.at(i));

        f_.Timer1.setEnabled(false);
        f_.alreadyWriteCoils = 0;
        f_.alreadyWriteBytes = 0;
        f_.send_write_cfg_coils();
        return true;
    }

    // State 3: coils 0..13. Bit n of data byte j is coil 8j + n; the padding bits of the last byte
    // mean nothing. Coil 13 is shown a second time in element 99.
    bool configCoilsRead() {
        if (!answers(link::kReadCoils, kConfigCoilFirst, kConfigCoils))
            return true;
        moveOn();
        for (int j = 0; j < 2; ++j) {
            for (int n = 7; n >= 0; --n) {
                const int i = 8 * j + n;
                if (i >= kConfigCoils)
                    continue;
                const qint16 state = coil(i) ? 1 : 0;
                // The reference goes first, so the box's own click handling finds it unchanged.
                g_.refCfgBits[std::size_t(i)] = state;
                if (i == kPotentiometerCoil)
                    g_.refCfgBits[kCoil13View] = state;
                f_.chk_cfg(i).setValue(state);
                if (i == kPotentiometerCoil)
                    f_.chk_cfg(kCoil13View).setValue(f_.chk_cfg(i).value());
            }
        }
        // A box whose value was already the unit's raised no click: its mark is cleared here.
        for (int i = 0; i < kConfigCoils; ++i) {
            f_.chk_cfg(i).setForeColor(ColorButtonText);
            resetColor(f_.cmb_bit_cfg.at(i));
        }
        f_.chk_cfg(kCoil13View).setForeColor(ColorButtonText);

        f_.send_read_data_in();
        g_.linkReady = true;
        return true;
    }

    // State 4: one group of configuration coils acknowledged.
    bool configCoilsWritten() {
        const int start = f_.alreadyWriteCoils - 8;
        if (!answers(link::kWriteMultipleCoils, start, std::min(kConfigCoils - start, 8)))
            return true;
        moveOn();
        for (int i = start; i < start + request_->quantity; ++i) {
            g_.refCfgBits[std::size_t(i)] = f_.chk_cfg(i).value() == 1 ? 1 : 0;
            f_.chk_cfg(i).setForeColor(ColorButtonText);
            if (i >= 4)
                resetColor(f_.cmb_bit_cfg.at(i));
            if (i == kPotentiometerCoil) {
                // Element 99 shows the same coil: it is on the unit now as well.
                g_.refCfgBits[kCoil13View] = g_.refCfgBits[std::size_t(i)];
                f_.chk_cfg(kCoil13View).setForeColor(ColorButtonText);
            }
        }
        setUnitCaptions();
        if (f_.alreadyWriteCoils < kConfigCoils)
            f_.send_write_cfg_coils();
        else if (f_.inputsChanged || f_.fastReads)
            closeStatusWindow(); // ends the write-back and starts the read-out
        // Otherwise the status window's time limit ends the write-back the same way; with fast
        // reads the read-out follows at once.
        g_.linkReady = true;
        return true;
    }

    // State 5: the input registers acknowledged.
    bool inputBlockWritten() {
        if (!answers(link::kWriteMultipleRegisters, g_.startAddress, f_.countWriteRegister))
            return true;
        moveOn();
        g_.linkReady = true;
        g_.startAddress = qint16(g_.startAddress + f_.countWriteRegister);
        if (g_.startAddress < kInputLast)
            return true;

        std::array<double, kInputCount> written{};
        for (int k = 0; k < kInputCount; ++k) {
            const std::optional<double> v = numberIn(f_.txt_data_in(k));
            if (!v)
                return false;
            written[std::size_t(k)] = *v;
        }
        for (int k = 0; k < kInputCount; ++k) {
            g_.refDataIn[std::size_t(k)] = written[std::size_t(k)];
            f_.txt_data_in(k).setForeColor(ColorButtonText);
            if (k == 4 || k == 5)
                resetColor(f_.cmb_in.at(k));
        }
        f_.Timer1.setEnabled(false);
        f_.send_write_inp_bits();
        f_.alreadyRead = 0;
        f_.countReadRegister = 0;
        g_.monitorBlock = 0;
        return true;
    }

    // State 6: the minimum response time, read ahead of a read-out; sets the pacing and starts the
    // read-out from register 0.
    bool responseTimeRead() {
        if (!answers(link::kReadHoldingRegisters, kResponseTimeRegister, 1))
            return true;
        moveOn();
        g_.commState = 1;
        g_.minResponseTime = qint16(registerValue(0));
        g_.linkReady = true;
        g_.startAddress = 0;
        // The read-out starts from the beginning whatever an earlier one left behind.
        f_.alreadyRead = 0;
        f_.countReadRegister = 0;
        g_.monitorBlock = 0;
        if (!setPacing())
            return false;
        f_.Timer6.setEnabled(true);
        f_.ShowMsgWindow();
        return true;
    }

    // State 7: registers 512..519.
    bool inputRegistersRead() {
        if (!answers(link::kReadHoldingRegisters, kInputFirst, kInputCount))
            return true;
        moveOn();
        for (int k = 0; k < kInputCount; ++k) {
            TextBox& box = f_.txt_data_in(k);
            box.setText(valueText(registerValue(k), inputEncoding(k), g_.decimalSeparator));
            box.setForeColor(ColorButtonText);
            if (k == 4 || k == 5)
                resetColor(f_.cmb_in.at(k));
            const std::optional<double> v = numberIn(box);
            if (!v)
                return false;
            g_.refDataIn[std::size_t(k)] = *v;
        }
        setUnitCaptions();
        g_.replyHex.clear();
        f_.send_read_inp_bits();
        g_.linkReady = true;
        return true;
    }

    // State 8: coils 256..260 acknowledged; the write-back ends with a read-out.
    bool inputCoilsWritten() {
        if (!answers(link::kWriteMultipleCoils, kInputCoilFirst, kInputCoils))
            return true;
        moveOn();
        for (int i = 0; i < kInputCoils; ++i) {
            g_.refInpBits[std::size_t(i)] = f_.chk_inp_bit(i).value() == 1 ? 1 : 0;
            f_.chk_inp_bit(i).setForeColor(ColorButtonText);
        }
        closeStatusWindow();
        g_.linkReady = true;
        return true;
    }

    // State 9: coils 256..260, the last step of a read-out.
    bool inputCoilsRead() {
        if (!answers(link::kReadCoils, kInputCoilFirst, kInputCoils))
            return true;
        moveOn();
        for (int i = kInputCoils - 1; i >= 0; --i) {
            const qint16 state = coil(i) ? 1 : 0;
            g_.refInpBits[std::size_t(i)] = state;
            CheckBox& box = f_.chk_inp_bit(i);
            box.setValue(state);
            box.setForeColor(ColorButtonText);
            g_.refInpBits[std::size_t(i)] = qint16(box.value());
        }
        g_.unitValuesRead = true;
        g_.referencesCleared = false;
        f_.referencesReadFrom = f_.unitOnLine();
        f_.readOutStation.reset();
        f_.editorFilled();
        closeStatusWindow();
        g_.linkReady = true;
        return true;
    }

    MainWindowTransfer& f_;
    app::Global& g_;
    const QByteArray reply_;
    const std::optional<link::PendingRequest> request_;
};

// A value that cannot be taken over ends the transaction: everything is reset as after a closed
// port, the monitor is switched off, and the user is told.
void decodingFailed(MainWindowTransfer& f) {
    app::Global& g = f.g;
    f.dropHeldRtuFrame();
    f.replyVerdicts.close();
    f.Timer1.setEnabled(false);
    f.Timer6.setEnabled(false);
    f.alreadyRead = 0;
    f.countReadRegister = 0;
    g.monitorBlock = 0;
    f.alreadyWrite = 0;
    f.countWriteRegister = 0;
    g.startAddress = 0;
    g.commState = 0;
    f.chk_read_out->setValue(0);
    f.chk_read_out->setEnabled(true);
    f.read_out_parameter->setEnabled(true);
    f.set_parameter->setEnabled(false);
    f.program.ui.messageBox(QStringLiteral("MSCOMM1_ERROR"), app::kAppTitle);
}

} // namespace

void decodeReply(MainWindowTransfer& f) {
    if (!Decoder(f).run())
        decodingFailed(f);
}

} // namespace qtx52::transfer
