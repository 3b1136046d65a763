#include "bus/frame_meaning.h"

#include "link/exchange.h"

#include <QStringList>

namespace qtx52::bus {

namespace {

int word(const QByteArray& b, qsizetype at) {
    return quint8(b[at]) << 8 | quint8(b[at + 1]);
}

QString functionName(int function, bool german) {
    switch (function) {
    case link::kReadCoils:
        return german ? QStringLiteral("Coils lesen") : QStringLiteral("read coils");
    case link::kReadHoldingRegisters:
        return german ? QStringLiteral("Halteregister lesen")
                      : QStringLiteral("read holding registers");
    case link::kWriteMultipleCoils:
        return german ? QStringLiteral("Coils schreiben") : QStringLiteral("write coils");
    case link::kWriteMultipleRegisters:
        return german ? QStringLiteral("Register schreiben") : QStringLiteral("write registers");
    default:
        return (german ? QStringLiteral("Funktion %1") : QStringLiteral("function %1"))
            .arg(QStringLiteral("%1").arg(function, 2, 16, QLatin1Char('0')).toUpper());
    }
}

QString range(int start, int count) {
    return count == 1 ? QString::number(start)
                      : QStringLiteral("%1..%2").arg(start).arg(start + count - 1);
}

// Station through data, checksum removed; sets whole and checksumOk.
QByteArray content(const QByteArray& bytes, link::Framing framing, FrameMeaning& m) {
    m.ascii = framing == link::Framing::Ascii;
    if (m.ascii) {
        if (!bytes.startsWith(':'))
            return {};
        QByteArray hex = bytes.mid(1);
        while (hex.endsWith('\n') || hex.endsWith('\r'))
            hex.chop(1);
        const QByteArray raw = QByteArray::fromHex(hex);
        if (hex.size() % 2 != 0 || raw.size() < 3 || raw.toHex().toUpper() != hex.toUpper())
            return raw.size() >= 3 ? raw.chopped(1) : QByteArray();
        m.whole = true;
        m.checksumOk = link::lrcMatches(raw);
        return raw.chopped(1);
    }
    if (bytes.size() < 4)
        return {};
    m.whole = true;
    m.checksumOk = link::crcMatches(bytes);
    return bytes.chopped(2);
}

QString values(const QByteArray& pdu, qsizetype from, int function) {
    QStringList out;
    if (function == link::kReadHoldingRegisters) {
        for (qsizetype i = from; i + 1 < pdu.size(); i += 2)
            out << QString::number(word(pdu, i));
    } else {
        for (qsizetype i = from; i < pdu.size(); ++i)
            out << QStringLiteral("%1").arg(quint8(pdu[i]), 8, 2, QLatin1Char('0'));
    }
    return out.join(QStringLiteral(", "));
}

} // namespace

QString exceptionWords(int code, bool german) {
    switch (code) {
    case 1:
        return german ? QStringLiteral("Funktion nicht unterstützt")
                      : QStringLiteral("function not supported");
    case 2:
        return german ? QStringLiteral("Adresse nicht vorhanden")
                      : QStringLiteral("address not available");
    case 3:
        return german ? QStringLiteral("Wert abgelehnt") : QStringLiteral("value refused");
    case 4:
        return german ? QStringLiteral("Gerätefehler") : QStringLiteral("device failure");
    case 5:
        return german ? QStringLiteral("angenommen, in Arbeit")
                      : QStringLiteral("acknowledged, working");
    case 6:
        return german ? QStringLiteral("Gerät beschäftigt") : QStringLiteral("device busy");
    default:
        return german ? QStringLiteral("Code %1").arg(code) : QStringLiteral("code %1").arg(code);
    }
}

FrameMeaning describeFrame(const QByteArray& bytes, Direction direction, link::Framing framing,
                           bool german) {
    FrameMeaning m;
    const QByteArray pdu = content(bytes, framing, m);
    if (pdu.size() < 2) {
        m.text = german ? QStringLiteral("kein Telegramm") : QStringLiteral("no frame");
        return m;
    }
    m.station = quint8(pdu[0]);
    m.function = quint8(pdu[1]);
    const int f = m.function & 0x7F;
    if ((m.function & 0x80) && pdu.size() >= 3) {
        m.exceptionCode = quint8(pdu[2]);
        m.text = (german ? QStringLiteral("%1: Ausnahme %2 (%3)")
                         : QStringLiteral("%1: exception %2 (%3)"))
                     .arg(functionName(f, german))
                     .arg(m.exceptionCode, 2, 10, QLatin1Char('0'))
                     .arg(exceptionWords(m.exceptionCode, german));
        return m;
    }
    const bool read = f == link::kReadCoils || f == link::kReadHoldingRegisters;
    const bool write = f == link::kWriteMultipleCoils || f == link::kWriteMultipleRegisters;
    if (direction == Direction::Out && (read || write) && pdu.size() >= 6) {
        m.text =
            QStringLiteral("%1 %2").arg(functionName(f, german), range(word(pdu, 2), word(pdu, 4)));
        if (write && pdu.size() > 7)
            m.text += QStringLiteral(": ") + values(pdu, 7,
                                                    f == link::kWriteMultipleRegisters
                                                        ? link::kReadHoldingRegisters
                                                        : link::kReadCoils);
    } else if (direction == Direction::In && read && pdu.size() >= 3) {
        m.text = (german ? QStringLiteral("%1, %2 Bytes: %3") : QStringLiteral("%1, %2 bytes: %3"))
                     .arg(functionName(f, german))
                     .arg(quint8(pdu[2]))
                     .arg(values(pdu, 3, f));
    } else if (direction == Direction::In && write && pdu.size() >= 6) {
        m.text = (german ? QStringLiteral("%1 %2 erledigt") : QStringLiteral("%1 %2 done"))
                     .arg(functionName(f, german), range(word(pdu, 2), word(pdu, 4)));
    } else {
        m.text = functionName(f, german);
    }
    return m;
}

} // namespace qtx52::bus
