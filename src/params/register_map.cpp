#include "params/register_map.h"

#include <algorithm>

namespace qtx52::params {

namespace {

using E = Encoding;

const QString kNoUnit;
// Temperatures are shown in °C or °F, as coil 6 says; the unit itself never converts them.
const QString kTemperature = QStringLiteral("°C/°F");

RegisterInfo reg(int address, Family family, int element, Encoding encoding, const char* de,
                 const char* en, const QString& unit = kNoUnit, char list = 0,
                 bool writable = true) {
    return RegisterInfo{
        address, family, element, encoding, QString::fromUtf8(de), QString::fromUtf8(en),
        unit,    list,   writable};
}

RegisterInfo cfg(int address, Encoding encoding, const char* de, const char* en,
                 const QString& unit = kNoUnit, char list = 0) {
    // Registers 0 and 1 (device coding, firmware) belong to the unit and are only read.
    return reg(address, Family::Config, address, encoding, de, en, unit, list,
               address >= kConfigWriteFirst);
}

RegisterInfo mon(int address, Encoding encoding, const char* de, const char* en,
                 const QString& unit = kNoUnit) {
    return reg(address, Family::Monitor, address - kMonitorFirst, encoding, de, en, unit, 0, false);
}

RegisterInfo inp(int address, Encoding encoding, const char* de, const char* en,
                 const QString& unit = kNoUnit, char list = 0) {
    return reg(address, Family::Input, address - kInputFirst, encoding, de, en, unit, list, true);
}

QStringList texts(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* s : items)
        out << QString::fromUtf8(s);
    return out;
}

CoilInfo coil(int address, int element, const char* de, const char* en,
              std::initializer_list<const char*> statesDe = {},
              std::initializer_list<const char*> statesEn = {}) {
    return CoilInfo{address,         element,        QString::fromUtf8(de), QString::fromUtf8(en),
                    texts(statesDe), texts(statesEn)};
}

ValueList list(char id, std::vector<int> values, std::initializer_list<const char*> de,
               std::initializer_list<const char*> en) {
    return ValueList{id, std::move(values), texts(de), texts(en)};
}

const QString kSeconds = QStringLiteral("s");
const QString kMilliseconds = QStringLiteral("ms");
const QString kKelvin = QStringLiteral("K");
const QString kPercent = QStringLiteral("%");
const QString kHumidity = QStringLiteral("%rH");
const QString kMinutes = QStringLiteral("min");

} // namespace

const std::vector<RegisterInfo>& configRegisters() {
    static const std::vector<RegisterInfo> table = {
        cfg(0, E::Signed, "Gerätecodierung:", "Device coding:"),
        cfg(1, E::Signed, "Firmwareversion:", "Firmware version:"),
        cfg(2, E::Signed, "Gerätetyp:", "Device type:", kNoUnit, 'A'),
        cfg(3, E::Signed, "Standortkennung:", "Device location:"),
        cfg(4, E::Signed, "Funktion Taster:", "Function button:", kNoUnit, 'B'),
        cfg(5, E::Signed,
            "Aktualisierungsintervall der Anzeige [s]:", "Display update [s]:", kSeconds),
        cfg(6, E::Signed, "Min-Response-Time [ms]:", "Min-Response-Time [ms]:", kMilliseconds),
        cfg(7, E::SignedTenths, "Temperatur-Offset [K]:", "Temperature-Offset:", kKelvin),
        cfg(8, E::SignedTenths, "Feuchte-Offset [%]:", "Humidity-Offset:", kPercent),
        cfg(9, E::SignedTenths, "Oberer Verstellbereich:", "Upper adjustment range:", kKelvin),
        cfg(10, E::SignedTenths, "Unterer Verstellbereich:", "Lower adjustment range:", kKelvin),
        cfg(11, E::SignedTenths, "Basissollwert nach Reset:", "Basic setpoint:", kTemperature),
        cfg(12, E::Signed, "Sollwert Anzeige im Display:", "Setpoint-Offset:", kNoUnit, 'C'),
        cfg(13, E::SignedTenths,
            "Nachtabsenkung (nicht belegt) (K):", "Nighttime reduction (unocc)[K]:", kKelvin),
        cfg(14, E::SignedTenths,
            "Totzone Heizen/Kühlen (K):", "Dead zone heating-cooling [K]:", kKelvin),
        cfg(15, E::Signed, "Lüfter mit/ohne Automatik:", "Fan control with/without auto:", kNoUnit,
            'D'),
        // Heating.
        cfg(16, E::SignedTenths,
            "Proportionalbereich Xp (K):", "Proportional band Xp [K]:", kKelvin),
        cfg(17, E::Signed, "Nachstellzeit Tn (min):", "Runtime Tn [min]:", kMinutes),
        cfg(18, E::Signed,
            "Maximale Stellgrößenbeschränkung (%):", "Max control variable limit [%]:", kPercent),
        cfg(19, E::Signed,
            "Minimale Stellgrößenbeschränkung (%):", "Min control variable limit [%]:", kPercent),
        cfg(20, E::Signed, "PWM-Zykluszeit [min]:", "Period time [min]:", kMinutes),
        cfg(21, E::Signed, "Betriebsart:", "Regulator Mode :", kNoUnit, 'E'),
        // Cooling.
        cfg(22, E::SignedTenths,
            "Proportionalbereich Xp (K):", "Proportional band Xp [K]:", kKelvin),
        cfg(23, E::Signed, "Nachstellzeit Tn (min):", "Runtime Tn [min]:", kMinutes),
        cfg(24, E::Signed,
            "Maximale Stellgrößenbeschränkung (%):", "Max control variable limit [%]:", kPercent),
        cfg(25, E::Signed,
            "Minimale Stellgrößenbeschränkung (%):", "Min control variable limit [%]:", kPercent),
        cfg(26, E::Signed, "PWM-Zykluszeit [min]:", "Period time [min]:", kMinutes),
        cfg(27, E::Signed, "Betriebsart:", "Regulator Mode :", kNoUnit, 'E'),
        cfg(28, E::SignedTenths, "Frostschutz (K):", "Frost protection [°C]:", kKelvin),
        // Manual output values, 0..1000 in the editor; the unit gives them no engineering unit.
        cfg(29, E::Signed, "Handwert Ausgang1 nach Reset:", "Manual value Out1 after Reset:"),
        cfg(30, E::Signed, "Handwert Ausgang2 nach Reset:", "Manual value Out2 after Reset:"),
        cfg(31, E::Signed, "Funktion Eingang 1:", "Digital Input 1 :", kNoUnit, 'F'),
        cfg(32, E::Signed, "Funktion Eingang 2:", "Digital Input 2 :", kNoUnit, 'F'),
        cfg(33, E::Signed, "Modus Zähler DI1:", "Counter mode DI1 :", kNoUnit, 'G'),
        cfg(34, E::Signed, "Modus Zähler DI2:", "Counter mode DI2 :", kNoUnit, 'G'),
        cfg(35, E::Signed, "Bypasszeit (min):", "Bypass time [min]:", kMinutes),
        cfg(36, E::Signed, "Ansteuerung LED:", "LED control :", kNoUnit, 'H'),
        cfg(37, E::Signed, "Reglermodus nach Reset:", "Controller mode after reset :", kNoUnit,
            'I'),
    };
    return table;
}

const std::vector<RegisterInfo>& monitorRegisters() {
    static const std::vector<RegisterInfo> table = {
        mon(256, E::Unsigned, "Taster Status:", "Button state :"),
        mon(257, E::Unsigned, "Taster Speicher:", "Button memory :"),
        mon(258, E::SignedTenths, "Temperatur:", "Temperature :", kTemperature),
        mon(259, E::SignedTenths, "Sollwert Offset:", "Setpoint offset :", kKelvin),
        mon(260, E::SignedTenths, "Sollwert Effektiv:", "Setpoint effective :", kTemperature),
        mon(261, E::SignedTenths, "Feuchte:", "Humidity :", kHumidity),
        mon(262, E::Unsigned, "Lüfterstufe:", "Fan stage :"),
        mon(263, E::Unsigned, "Raumbelegung:", "Occupancy mode :"),
        mon(264, E::Unsigned, "Stellgrösse Heizen:", "Ctrl var heating :"),
        mon(265, E::Unsigned, "Stellgrösse Kühlen:", "Ctrl var cooling :"),
        mon(266, E::Unsigned, "Lokale Reglersperre:", "Local Controller lock :"),
        mon(267, E::Unsigned, "Ausgang1 Wert/Status:", "Value output 1 :"),
        mon(268, E::Unsigned, "Ausgang2 Wert/Status:", "Value output 2 :"),
        mon(269, E::Unsigned, "Digital Eingang 1:", "Digital input 1 :"),
        mon(270, E::Unsigned, "Digital Eingang 2:", "Digital input 2 :"),
        mon(271, E::Unsigned, "Zähler DI1:", "Counter value DI1 :"),
        mon(272, E::Unsigned, "Zähler DI2:", "Counter value DI2 :"),
        mon(273, E::Unsigned, "Reglermodus:", "Controller mode :"),
    };
    return table;
}

const std::vector<RegisterInfo>& inputRegisters() {
    static const std::vector<RegisterInfo> table = {
        inp(512, E::SignedTenths,
            "Externe Temperaturvorgabe:", "External Temperature :", kTemperature),
        inp(513, E::SignedTenths, "Externe Feuchtevorgabe:", "External Humidity :", kHumidity),
        inp(514, E::SignedTenths, "Sollwert Offset:", "Setpoint offset :", kKelvin),
        inp(515, E::SignedTenths, "Basissollwert:", "Basic setpoint ", kTemperature),
        inp(516, E::Signed, "Raumbelegung:", "Occupancy :", kNoUnit, 'J'),
        inp(517, E::Signed, "Vorgabe Reglerbetriebsart:", "PI-Controller mode :", kNoUnit, 'K'),
        inp(518, E::Signed, "Handwert Ausgang 1:", "Manual value Output1 :"),
        inp(519, E::Signed, "Handwert Ausgang 2:", "Manual value Output2 :"),
    };
    return table;
}

const std::vector<CoilInfo>& configCoils() {
    static const std::vector<CoilInfo> table = {
        // 0..3 are plain check boxes on the display tab.
        coil(0, 0, "Raumtemperatur anzeigen:", "Room temperature :"),
        coil(1, 1, "Feuchtewert anzeigen:", "Humidity :"),
        coil(2, 2, "Sollwert Feuchte anzeigen:", "Setpoint humidity :"),
        coil(3, 3, "Sollwert Temperatur anzeigen:", "Setpoint temperature :"),
        coil(4, 4, "Sollwert Temperatur Absolut/Relativ:", "Setpoint temp abs/rel :",
             {"0 - Relativ", "1 - Absolut"}, {"0 - relative", "1 - absolute"}),
        coil(5, 5, "SW Temp.Änderung Absolut/Relativ:", "Setpoint temp alteration abs/rel :",
             {"0 - Relativ", "1 - Absolut"}, {"0 - relative", "1 - absolute"}),
        coil(6, 6, "Einheit Raumtemperatur:", "Unit temperature :", {"0 - °F", "1 - °C"},
             {"0 - °F", "1 - °C"}),
        coil(7, 7, "Feuchteanzeige mit RH:", "Humidity with/without 'rH' :",
             {"0 - ohne RH", "1 - mit RH"}, {"0 - without rH", "1 - with rH"}),
        coil(8, 8, "Minimale Stellgrösse bei: ", "Minimum control value at :",
             {"0 - Y=0", "1 - Y>0"}, {"0 - Y=0", "1 - Y>0"}),
        coil(9, 9, "Raumbelegung nach Reset:", "Occupancy after reset :",
             {"0, unbelegt", "1, belegt"}, {"0 - unoccupied", "1 - occupied"}),
        coil(10, 10, "Hand/Auto Ausgang1:", "Mode output1 man/auto:", {"0 - Auto", "1 - Hand"},
             {"0 - auto", "1 - manual"}),
        coil(11, 11, "Hand/Auto Ausgang2:", "Mode output2 man/auto:", {"0 - Auto", "1 - Hand"},
             {"0 - auto", "1 - manual"}),
        coil(12, 12, "Change-Over Betrieb:", "Change-over-mode :",
             {"0 - Vierleiter-System", "1 - Zweileiter-System"},
             {"0 - normal mode", "1 - change-over mode"}),
        coil(13, 13, "Poti-Zuordnung:", "Potentiometer assignment :",
             {"0, Temperatur", "1, Feuchte"}, {"0 - temperature", "1 - humidity"}),
    };
    return table;
}

const std::vector<CoilInfo>& inputCoils() {
    static const std::vector<CoilInfo> table = {
        coil(256, 0, "Meldung Taupunkt:", "Dewpoint :"),
        coil(257, 1, "Frost Meldung:", "Frost protection:"),
        coil(258, 2, "Freigabe lokaler Präsenztaster:", "Release local occupancy button :"),
        coil(259, 3, "Freigabe Regler:", "Release PI-Controller :"),
        coil(260, 4, "Ansteuerung LED:", "Trigger LED :"),
    };
    return table;
}

const CoilInfo& coil13View() {
    // Only the setpoint-knob variants show this view; it was never translated, so English keeps
    // the German texts.
    static const CoilInfo info = coil(13, kCoil13View, "Sollwertdarstellung", "Sollwertdarstellung",
                                      {"0, mit Basissollwert", "1, Sollwertbereich"},
                                      {"0, mit Basissollwert", "1, Sollwertbereich"});
    return info;
}

const ValueList* valueList(char id) {
    static const std::vector<ValueList> lists = {
        // Device variants. The last one carries a name used in both languages.
        list('A', {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x10, 0x11},
             {"0x00, Basis", "0x01, Basis mit Taster", "0x02, Feuchte", "0x03, Feuchte mit Taster",
              "0x04, Lüfter", "0x05, Feuchte mit Poti", "0x10, Sollwertsteller", "0x11, Universal"},
             {"0x00, basic", "0x01, basic with button", "0x02, humidity",
              "0x03, humidity with button", "0x04, fan", "0x05, humidity with knob",
              "0x10, setpoint knob", "0x11, Universal"}),
        list('B', {0x00, 0x20, 0x21, 0x22, 0x23, 0x30},
             {"0x00, ohne Sonderfunktion", "0x20, Raum nicht belegt", "0x21, Raum belegt",
              "0x22, Raumbelegung toggeln", "0x23, Raumbelegung Bypass",
              "0x30, Regelung Toggle Auto/Aus"},
             {"0x00, Without special function", "0x20, unoccupied", "0x21, occupied",
              "0x22, toggle occupancy", "0x23, occupancy bypass",
              "0x30, PI-Controller toggle auto/off"}),
        list('C', {0, 1}, {"0 - Basissollwert", "1- Umschaltung H/K"},
             {"0x00, base setpoint", "0x01, setpoint switch"}),
        list('D', {0, 1}, {"0x00, mit Automatik", "0x01, ohne Automatik"},
             {"0x00, with auto", "0x01, without auto"}),
        list('E', {0, 1, 2, 3}, {"0x00 - Auto", "0x01 - Minimum", "0x02 - Maximum", "0x03 - Stop"},
             {"0x00, auto-mode", "0x01, minimum-mode", "0x02, maximum-mode", "0x03, stop"}),
        list('F', {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15},
             {"0x00, Öffner-Kontakt", "0x01, Öffner Taupunktwächter", "0x02, Öffner Fensterkontakt",
              "0x03, Öffner Raumbelegung", "0x04, Öffner Regelung Auto/Aus",
              "0x05, Öffner Regelung Heizen/Kühlen", "0x10, Schließer-Kontakt",
              "0x11, Schließer Taupunktwächter", "0x12, Schließer Fensterkontakt",
              "0x13, Schließer Raumbelegung", "0x14, Schliesser Regelung Auto/Aus",
              "0x15, Schliesser Regelung Heizen/Kühlen"},
             {"0x00, break contact", "0x01, dewpoint break contact", "0x02, window break contact",
              "0x03, occupancy break contact", "0x04, breaker controller on/off",
              "0x05, breaker controller heat/cool", "0x10, make contact",
              "0x11, dewpoint make contact", "0x12, window make contact",
              "0x13, occupancy make contact", "0x14, maker controller on/off",
              "0x15, maker controller heat/cool"}),
        list('G', {0, 1, 2}, {"0x00, Flanken", "0x01, Impulse", "0x02, Dauer"},
             {"0x00, count edges", "0x01, count pulses", "0x02, duration counter"}),
        list('H', {0, 1, 2, 3, 4},
             {"0x00, externe Ansteuerung", "0x01, Raum belegt/unbelegt",
              "0x02, Regelung aktiv/inaktiv", "0x03, Kühlen aktiv/inaktiv",
              "0x04, Heizen aktiv/inaktiv"},
             {"0x00, external trigger", "0x01, occupied/unoccupied",
              "0x02, PI-controller active/inactive", "0x03, cooling active/inactive",
              "0x04, heating active/inactive"}),
        list('I', {0, 1, 2, 3}, {"0 - Aus", "1 - Heizen", "2 - Kühlen", "3 - Automatik"},
             {"0x00, off", "0x01, heating", "0x02, cooling", "0x03, auto"}),
        list('J', {0, 1}, {"0x00, nicht belegt", "0x01, belegt"},
             {"0x00, unoccupied", "0x01 - occupied"}),
        list('K', {0, 1, 2, 3}, {"0x00, Aus", "0x01, Heizen", "0x02, Kühlen", "0x03, Auto"},
             {"0x00, off", "0x01, heating", "0x02, cooling", "0x03, auto"}),
    };
    for (const ValueList& l : lists)
        if (l.id == id)
            return &l;
    return nullptr;
}

const std::vector<int>& configListElements() {
    static const std::vector<int> elements = [] {
        std::vector<int> out;
        for (const RegisterInfo& r : configRegisters())
            if (r.list)
                out.push_back(r.element);
        return out;
    }();
    return elements;
}

const std::vector<UpDownLimits>& upDownLimits() {
    static const std::vector<UpDownLimits> table = {
        {3, 0, 65535, 1},   {5, 0, 255, 1},    {6, 0, 3000, 1},    {7, -10, 10, 0.1},
        {8, -10, 10, 0.1},  {9, -99, 99, 0.1}, {10, -99, 99, 0.1}, {11, -99, 99, 0.1},
        {13, -99, 99, 0.1}, {14, 0, 30, 0.1},  {16, 0, 10, 0.1},   {17, 0, 255, 1},
        {18, 0, 100, 1},    {19, 0, 100, 1},   {20, 0, 255, 1},    {22, 0, 10, 0.1},
        {23, 0, 255, 1},    {24, 0, 100, 1},   {25, 0, 100, 1},    {26, 0, 255, 1},
        {28, 0, 30, 0.1},   {35, 0, 255, 1},
    };
    return table;
}

const UpDownLimits* upDownLimitsFor(int element) {
    const auto& table = upDownLimits();
    auto it = std::find_if(table.begin(), table.end(),
                           [element](const UpDownLimits& l) { return l.element == element; });
    return it == table.end() ? nullptr : &*it;
}

namespace {
Encoding encodingIn(const std::vector<RegisterInfo>& table, int element, Encoding fallback) {
    for (const RegisterInfo& r : table)
        if (r.element == element)
            return r.encoding;
    return fallback;
}
} // namespace

Encoding configEncoding(int element) {
    return encodingIn(configRegisters(), element, Encoding::Signed);
}

Encoding monitorEncoding(int address) {
    return encodingIn(monitorRegisters(), address - kMonitorFirst, Encoding::Unsigned);
}

Encoding inputEncoding(int element) {
    return encodingIn(inputRegisters(), element, Encoding::Signed);
}

namespace {

// Monitored values shown as words: value and its entry of the language texts.
struct Word {
    int value;
    int text;
};
struct MonitorWords {
    int element;
    std::vector<Word> words;
};
const std::vector<MonitorWords> kMonitorWords{
    {6, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {65280, 4}}},   // fan stage, 0xFF00 = automatic
    {7, {{0, 5}, {1, 6}}},                               // occupancy
    {10, {{0, 24}, {1, 23}}},                            // local controller lock
    {17, {{0, 25}, {1, 26}, {2, 27}, {3, 28}, {4, 29}}}, // controller mode
};

} // namespace

const std::vector<int>& monitorWordElements() {
    static const std::vector<int> elements = [] {
        std::vector<int> out;
        for (const MonitorWords& m : kMonitorWords)
            out.push_back(m.element);
        return out;
    }();
    return elements;
}

std::optional<int> monitorWordIndex(int element, double value) {
    for (const MonitorWords& m : kMonitorWords) {
        if (m.element != element)
            continue;
        for (const Word& w : m.words)
            if (value == w.value)
                return w.text;
    }
    return std::nullopt;
}

QString captionName(const QString& caption) {
    QString name = caption.trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
}

} // namespace qtx52::params
