// The one-shot requests: the read-device command and the requests that move a read-out or a
// write-back from one step to the next. Each sets the transaction state that tells the reply
// decoder what the answer is, composes the request and sends it once.

#include "app/global.h"
#include "link/checksum.h"
#include "link/exchange.h"
#include "params/numbers.h"
#include "transfer/main_window_transfer.h"

#include <algorithm>

namespace qtx52::transfer {

namespace {

constexpr int kCoilsPerByte = 8;
constexpr int kConfigCoils = 14;

QString hex2(qint32 v) {
    return link::LongToHexStr(v, 1);
}

QString hex4(qint32 v) {
    return link::LongToHexStr(v, 2);
}

// The coil byte of a write: bit n set when box n of the group is ticked.
template <class Box> qint32 coilByte(const ControlArray<Box>& boxes, int first, int count) {
    qint32 d = 0;
    for (int n = 0; n < count; ++n)
        if (const Box* box = boxes.at(first + n); box && box->value() == 1)
            d |= 1 << n;
    return d;
}

} // namespace

void MainWindowTransfer::cmd_read_device_Click() {
    g.commState = 6;
    // The references are the unit's again only once the whole read-out is in.
    g.unitValuesRead = false;
    referencesOfUnit = true;
    referencesReadFrom.clear();
    // The read-device command is the user's way to start over: it goes out even while another
    // exchange is outstanding.
    if (txt_Modbus_adress->text().isEmpty())
        return;
    g.startAddress = 6;
    readOutStation = int(params::leadingDigitsValue(txt_Modbus_adress->text()));
    g.requestHex = stationHex() + hex2(link::kReadHoldingRegisters) + hex4(6) + hex4(1);
    // Cleared first: a send that fails runs the failure handling, which frees the link again.
    g.linkReady = false;
    send();
}

void MainWindowTransfer::send_read_cfg_coils() {
    g.commState = 3;
    g.startAddress = 0;
    // Called when the previous step's reply is in (or to start a coil group): the link is free.
    g.linkReady = true;
    if (txt_Modbus_adress->text().isEmpty())
        return;
    g.requestHex = stationHex() + hex2(link::kReadCoils) + hex4(0) + hex4(kConfigCoils);
    // Cleared first: a send that fails runs the failure handling, which frees the link again.
    g.linkReady = false;
    send();
}

void MainWindowTransfer::send_write_cfg_coils() {
    g.commState = 4;
    g.linkReady = true;
    if (txt_Modbus_adress->text().isEmpty())
        return;
    // Coils 0..7 first, then 8..13: one data byte per request.
    const qint32 quantity = std::min(kConfigCoils - alreadyWriteCoils, kCoilsPerByte);
    const qint32 data = coilByte(chk_cfg, alreadyWriteBytes * kCoilsPerByte, quantity);
    g.requestHex = stationHex() + hex2(link::kWriteMultipleCoils) + hex4(alreadyWriteCoils) +
                   hex4(quantity) + hex2(1) + hex2(data);
    alreadyWriteCoils = qint16(alreadyWriteCoils + kCoilsPerByte);
    alreadyWriteBytes = qint16(alreadyWriteBytes + 1);
    // Cleared first: a send that fails runs the failure handling, which frees the link again.
    g.linkReady = false;
    send();
}

void MainWindowTransfer::send_read_data_in() {
    g.commState = 7;
    if (txt_Modbus_adress->text().isEmpty() || !g.linkReady)
        return;
    g.requestHex = stationHex() + hex2(link::kReadHoldingRegisters) + hex4(0x0200) + hex4(8);
    // Cleared first: a send that fails runs the failure handling, which frees the link again.
    g.linkReady = false;
    send();
}

void MainWindowTransfer::send_read_inp_bits() {
    g.commState = 9;
    if (txt_Modbus_adress->text().isEmpty() || !g.linkReady)
        return;
    g.requestHex = stationHex() + hex2(link::kReadCoils) + hex4(0x0100) + hex4(5);
    // Cleared first: a send that fails runs the failure handling, which frees the link again.
    g.linkReady = false;
    send();
}

void MainWindowTransfer::send_write_inp_bits() {
    g.commState = 8;
    g.linkReady = true;
    if (txt_Modbus_adress->text().isEmpty())
        return;
    g.requestHex = stationHex() + hex2(link::kWriteMultipleCoils) + hex4(0x0100) + hex4(5) +
                   hex2(1) + hex2(coilByte(chk_inp_bit, 0, 5));
    // Cleared first: a send that fails runs the failure handling, which frees the link again.
    g.linkReady = false;
    send();
}

} // namespace qtx52::transfer
