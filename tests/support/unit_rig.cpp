#include "support/unit_rig.h"

#include "params/numbers.h"
#include "params/register_map.h"

#include <QTest>

namespace qtx52::testing {

using forms::ColorButtonText;

namespace {

std::unique_ptr<link::EchoPort> echoFront(sim::SimCommPort& line, std::optional<bool> stripped) {
    if (!stripped)
        return nullptr;
    line.line().setEcho(true);
    return std::make_unique<link::EchoPort>(line, [strip = *stripped](int) { return strip; });
}

} // namespace

UnitRig::UnitRig(link::Framing m, const QString& baud, quint16 responseTimeMs,
                 std::optional<bool> echoStripped)
    : echo(echoFront(port, echoStripped)),
      p(tp.clock, echo ? static_cast<link::CommPort&>(*echo) : port, tp.ui,
        settings::StorePaths{tp.dir.filePath("machine.ini"), tp.dir.filePath("user.ini")}),
      framing(m) {
    const bool rtu = m == link::Framing::Rtu;
    station.unit().setLiveMotion(false);
    station.unit().setReg(params::kResponseTimeRegister, responseTimeMs);
    station.setFraming(rtu ? sim::Framing::Rtu : sim::Framing::Ascii);
    station.setLineSettings({baud.toInt(), 'E', rtu ? 8 : 7, 1});
    app::Main(p);
    f = &p.frm_config();
    f->Combo_Port(1).setListIndex(int(kBauds.indexOf(baud)));
    f->Combo_Port(5).setListIndex(rtu ? 1 : 0);
    f->Combo_Port(6).setListIndex(1);
}

QStringList UnitRig::requests() const {
    QStringList out;
    for (const auto& s : port.sent()) {
        const QByteArray& fr = s.frame;
        out << (framing == link::Framing::Rtu ? QString::fromLatin1(fr.chopped(2).toHex().toUpper())
                                              : QString::fromLatin1(fr.mid(1, fr.size() - 5)));
    }
    return out;
}

double UnitRig::unitValue(int reg) {
    const qint16 raw = qint16(station.unit().reg(reg));
    return params::configEncoding(reg) == params::Encoding::SignedTenths ? raw / 10.0 : raw;
}

double UnitRig::unitInput(int element) {
    const qint16 raw = qint16(station.unit().reg(params::kInputFirst + element));
    return params::inputEncoding(element) == params::Encoding::SignedTenths ? raw / 10.0 : raw;
}

std::optional<double> UnitRig::shown(const forms::TextBox& box) const {
    return params::parseNumber(box.text(), g.decimalSeparator);
}

// Every field and reference holds the unit's value and nothing is marked, and the unit heard
// every request (none came before the line had been silent after its reply).
void verifyEditorMatchesUnit(UnitRig& r) {
    QCOMPARE(r.station.requestsTooEarly(), 0);
    for (int i = params::kConfigFirst; i < params::kConfigFirst + params::kConfigCount; ++i) {
        // The response time field forces values below its least to it.
        if (i == params::kResponseTimeRegister && r.unitValue(i) < 5)
            continue;
        const QString where = QStringLiteral("txt_data_cfg(%1): '%2', reference %3, unit %4")
                                  .arg(i)
                                  .arg(r.f->txt_data_cfg(i).text())
                                  .arg(r.g.refDataCfg[std::size_t(i)])
                                  .arg(r.unitValue(i));
        QVERIFY2(r.shown(r.f->txt_data_cfg(i)) == r.unitValue(i), qPrintable(where));
        QVERIFY2(r.g.refDataCfg[std::size_t(i)] == r.unitValue(i), qPrintable(where));
        QVERIFY2(r.f->txt_data_cfg(i).foreColor() == ColorButtonText, qPrintable(where));
    }
    for (int k = 0; k < params::kInputCount; ++k) {
        QCOMPARE(r.shown(r.f->txt_data_in(k)), r.unitInput(k));
        QCOMPARE(r.g.refDataIn[std::size_t(k)], r.unitInput(k));
        QCOMPARE(r.f->txt_data_in(k).foreColor(), ColorButtonText);
    }
    for (int i = 0; i < 14; ++i) {
        QCOMPARE(r.f->chk_cfg(i).value(), r.station.unit().coil(i) ? 1 : 0);
        QCOMPARE(r.g.refCfgBits[std::size_t(i)], qint16(r.station.unit().coil(i) ? 1 : 0));
        QCOMPARE(r.f->chk_cfg(i).foreColor(), ColorButtonText);
    }
    QCOMPARE(r.f->chk_cfg(params::kCoil13View).value(), r.f->chk_cfg(13).value());
    QCOMPARE(r.f->chk_cfg(params::kCoil13View).foreColor(), ColorButtonText);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(r.f->chk_inp_bit(i).value(),
                 r.station.unit().coil(params::kInputCoilFirst + i) ? 1 : 0);
        QCOMPARE(r.f->chk_inp_bit(i).foreColor(), ColorButtonText);
    }
}

} // namespace qtx52::testing
