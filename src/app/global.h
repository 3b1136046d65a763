#pragma once

// The state the windows share, and the program's start.

#include <QString>
#include <QStringList>

#include <array>

namespace qtx52::app {

inline const QString kAppTitle = QStringLiteral("QTX52 RS485 Modbus");

// Shared variables of the program. Every value here lives from start to end and is never saved;
// the next start begins again from the defaults that Main gives.
struct Global {
    // Serial settings as chosen in the main window.
    quint8 commPort = 0;       // COM1..COM8 are 1..8
    QString baudRate;          // "9600", "19200", "38400" or "57600"
    QString parity;            // "N", "E" or "O"
    QString dataBits;          // "7" (ASCII) or "8" (RTU)
    QString stopBits;          // always "1"
    quint8 startInputMode = 0; // input mode Main applies to the port (0 = text)
    bool portOpen = false;     // state chosen in the open/close selector
    // "ASCII" or "RTU" once chosen; the start value matches neither, so nothing is sent before a
    // mode has been chosen.
    QString modbusMode;

    // The link: request and reply as hex text, and the handshake between sending and receiving.
    QString requestHex;
    QString replyHex;
    bool linkReady = false;
    qint32 commState = 0; // transaction state 0..9
    qint16 startAddress = 0;
    qint16 minResponseTime = 0; // the unit's minimum response time in ms (holding register 6)
    quint8 monitorBlock = 0;    // 10-register blocks read so far from register 256
    std::array<quint8, 51> rtuRxBuffer{};
    quint8 rtuRxCount = 0;

    qint16 inputFieldCount = 0;

    // The unit's values as last read, against which edits are marked.
    std::array<double, 39> refDataCfg{};
    std::array<qint16, 101> refCfgBits{};
    std::array<qint16, 41> refInpBits{};
    std::array<double, 9> refDataIn{};
    // The references hold a whole read-out of the unit now on the line. Until then (at the start,
    // after a change of port, line settings or station, while a read-out runs, after one failed)
    // they stand for nothing: they exempt no value from the editor's limits, and no write goes
    // out.
    bool unitValuesRead = false;
    // The references were of another unit than the one now on the line (port, line settings or
    // station changed after values were read): every field shows as changed, whatever it holds,
    // until a whole read-out of the unit on the line is in.
    bool referencesCleared = false;

    bool downloadConfirmed = false;

    // Language values, set whenever a window applies its language.
    QString installPath;
    QString languageId;
    // The language chosen in the menu while the program runs ("1031" or "1033"); it stands before
    // the stores, so the choice holds even when the user store cannot be written.
    QString languageChoice;
    QString helpDocument;
    QString decimalSeparator;
    std::array<QString, 31> langTexts{};
};

} // namespace qtx52::app
