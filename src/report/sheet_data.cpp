#include "report/sheet_data.h"

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "bus/link_stats.h"
#include "editor/frm_config.h"
#include "monitor/monitor_recorder.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "report/sheet_texts.h"
#include "settings/registry.h"

#include <QRegularExpression>

#include <set>

namespace qtx52::report {

namespace {

const QString kSheetKey = settings::kProductKey + QStringLiteral("Sheet");

struct HeaderField {
    QString SheetHeader::*field;
    const char* name;
};
const HeaderField kHeaderFields[] = {{&SheetHeader::project, "Project"},
                                     {&SheetHeader::building, "Building"},
                                     {&SheetHeader::room, "Room"},
                                     {&SheetHeader::technician, "Technician"},
                                     {&SheetHeader::company, "Company"}};

QString withUnit(const QString& value, const QString& unit) {
    return unit.isEmpty() || value.isEmpty() ? value : value + QLatin1Char(' ') + unit;
}

// The entry of a value list for a value text, in the interface's language; the text itself when
// no entry stands for it.
QString listEntry(char list, const QString& valueText, bool english) {
    const params::ValueList* l = params::valueList(list);
    const std::optional<qint64> v =
        params::integerOfText(valueText.trimmed(), QStringLiteral(","))
            ? params::integerOfText(valueText.trimmed(), QStringLiteral(","))
            : params::integerOfText(valueText.trimmed(), QStringLiteral("."));
    if (!l || !v)
        return valueText;
    const QStringList& entries = english ? l->entriesEn : l->entriesDe;
    for (std::size_t i = 0; i < l->values.size(); ++i)
        if (l->values[i] == *v && qsizetype(i) < entries.size())
            return entries.at(qsizetype(i));
    return valueText;
}

QString coilText(const params::CoilInfo* coil, const QString& value, bool english) {
    const bool on = value.trimmed() == QLatin1String("1");
    if (coil) {
        const QStringList& states = english ? coil->statesEn : coil->statesDe;
        if (states.size() == 2)
            return states.at(on ? 1 : 0);
    }
    return sheetText(on ? SheetText::On : SheetText::Off, english);
}

const params::CoilInfo* coilInfo(int element) {
    if (element == params::kCoil13View)
        return &params::coil13View();
    for (const params::CoilInfo& c : params::configCoils())
        if (c.element == element)
            return &c;
    return nullptr;
}

QString parityText(const QString& parity, bool english) {
    if (parity == QLatin1String("N"))
        return sheetText(SheetText::NoParity, english);
    if (parity == QLatin1String("O"))
        return sheetText(SheetText::OddParity, english);
    return sheetText(SheetText::EvenParity, english);
}

bool isUnitLabel(const QString& name) {
    return name == QLatin1String("lbl_unit") || name == QLatin1String("lbl_unit_hum") ||
           name == QLatin1String("lbl_kelvin");
}

} // namespace

SheetHeader SheetHeader::load(const settings::StorePaths& stores) {
    SheetHeader h;
    const settings::CRegistry reg(stores);
    for (const HeaderField& f : kHeaderFields)
        h.*f.field = reg.Werte(kSheetKey, QString::fromUtf8(f.name));
    return h;
}

bool SheetHeader::save(const settings::StorePaths& stores) const {
    settings::CRegistry reg(stores);
    for (const HeaderField& f : kHeaderFields) {
        reg.Werte(kSheetKey, QString::fromUtf8(f.name), this->*f.field);
        if (reg.lastError() != 0)
            return false;
    }
    return true;
}

QString stampText(const QDateTime& at, bool english) {
    const int offset = at.offsetFromUtc();
    const QString zone = QStringLiteral("UTC%1%2:%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
                             .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
    return at.toString(english ? QStringLiteral("yyyy-MM-dd HH:mm:ss")
                               : QStringLiteral("dd.MM.yyyy HH:mm:ss")) +
           QStringLiteral(" (") + zone + QLatin1Char(')');
}

LiveSnapshot snapshotOf(const editor::frm_config& w, const QDateTime& at) {
    const bool english = w.g.languageId == app::kLanguageEnglish;
    LiveSnapshot s{at, {}};
    for (int k = 0; k < params::kMonitorCount; ++k) {
        const forms::Label* word = w.lbl_in_val.at(k);
        const forms::Label* unit = monitor::unitLabel(w, k);
        const QString value =
            word ? word->caption().trimmed()
                 : withUnit(w.txt_data_out(k).text(), unit ? unit->caption().trimmed() : QString());
        s.values.emplace_back(monitor::columnName(k, english), value);
    }
    return s;
}

namespace {

// The window's port as the selector names it, with the device behind it where there is one.
QString windowLine(editor::frm_config& w, const app::Global& g) {
    const QString port = QStringLiteral("COM%1").arg(g.commPort);
    const QString device = w.portDevice(g.commPort - 1);
    return device.isEmpty() ? port : QStringLiteral("%1 (%2)").arg(port, device);
}

} // namespace

SheetData collectSheet(app::Program& program, const SheetInputs& in) {
    editor::frm_config& w = program.frm_config();
    const app::Global& g = program.g;
    SheetData d;
    d.english = g.languageId == app::kLanguageEnglish;
    const bool en = d.english;
    d.header = SheetHeader::load(program.stores);
    d.madeAt = in.madeAt.isValid() ? in.madeAt : QDateTime::currentDateTime();
    d.version = QStringLiteral("qtx52-config ") +
                settings::CRegistry(program.stores)
                    .MachineSetting(settings::kLcdProductKey, QStringLiteral("Version"))
                    .trimmed();

    const auto cfgValue = [&w](int i) {
        const forms::Label* shown = w.lbl_cfg_val.at(i);
        return shown ? shown->caption().trimmed() : w.txt_data_cfg(i).text();
    };
    d.identity = {
        {sheetText(SheetText::Coding, en), cfgValue(0)},
        {sheetText(SheetText::Firmware, en), cfgValue(1)},
        {sheetText(SheetText::Station, en), w.txt_Modbus_adress->text()},
        {sheetText(SheetText::Line, en), in.line.isEmpty() ? windowLine(w, g) : in.line},
        {sheetText(SheetText::Framing, en), g.modbusMode},
        {sheetText(SheetText::BaudRate, en), g.baudRate},
        {sheetText(SheetText::Parity, en), parityText(g.parity, en)},
        {sheetText(SheetText::ResponseTime, en), withUnit(w.txt_data_cfg(6).text(), "ms")},
    };

    // The unit's set is the file the editor would save now; the comparison is the one --diff
    // makes.
    std::set<std::pair<bool, int>> differing;
    if (in.intended) {
        d.hasIntended = true;
        d.intendedFrom = in.intendedFrom;
        const files::ParameterSet unit = files::readParameterSet(w.parameterFileBytes());
        for (const files::Difference& diff : files::compareSets(unit, *in.intended))
            differing.insert({diff.coil, diff.element});
        d.differences = int(differing.size());
    }

    for (int tab = 0; tab < editor::frm_config::kTabCount; ++tab) {
        // The live values are a section of their own.
        if (tab == editor::frm_config::kTabCount - 1)
            break;
        d.rows.push_back({SheetRow::Kind::Tab, w.SSTab1->captions().value(tab), {}, {}, false});
        for (forms::Frame* frame : w.framesOnTab(tab)) {
            SheetRow* current = nullptr;
            QString pendingHeading;
            // The frame's caption names its group, as on the window, when it holds a parameter.
            QString pendingFrame = frame->caption().trimmed();
            for (QObject* child : w.children()) {
                auto* c = qobject_cast<forms::Control*>(child);
                if (!c || c->container() != frame)
                    continue;
                const QString& name = c->name();
                const int i = c->index();
                auto* label = qobject_cast<forms::Label*>(c);
                if (name == QLatin1String("lbl_desc")) {
                    // A heading only when a parameter follows it.
                    pendingHeading =
                        c->visible() ? params::captionName(label->caption()) : QString();
                    current = nullptr;
                    continue;
                }
                const bool reg = name == QLatin1String("lbl_cfg");
                const bool coil = name == QLatin1String("lbl_read_cfg_bit");
                if (reg || coil || name.startsWith(QLatin1String("lbl_data_in")) ||
                    name == QLatin1String("lbl_read_bit")) {
                    current = nullptr;
                    if (!(reg || coil) || !c->visible())
                        continue;
                    if (!pendingFrame.isEmpty())
                        d.rows.push_back({SheetRow::Kind::Frame, pendingFrame, {}, {}, false});
                    pendingFrame.clear();
                    if (!pendingHeading.isEmpty())
                        d.rows.push_back({SheetRow::Kind::Heading, pendingHeading, {}, {}, false});
                    pendingHeading.clear();
                    // The second view of coil 13 shows coil 13.
                    const int coilIndex = i == params::kCoil13View ? 13 : i;
                    SheetRow row;
                    row.name = params::captionName(label->caption());
                    std::optional<QString> intended;
                    if (reg) {
                        const params::RegisterInfo& r = params::configRegisters().at(i);
                        if (const forms::ListBox* list = w.cmb_cfg.at(i))
                            row.value = list->text();
                        else
                            row.value = cfgValue(i);
                        if (in.intended)
                            intended = in.intended->registers[std::size_t(i)];
                        if (intended)
                            row.intended =
                                r.list ? listEntry(r.list, *intended, en) : intended->trimmed();
                    } else {
                        const params::CoilInfo* info = coilInfo(i);
                        const forms::ListBox* list = w.cmb_bit_cfg.at(i);
                        row.value = list && list->visible()
                                        ? list->text()
                                        : coilText(info, QString::number(w.chk_cfg(i).value()), en);
                        if (in.intended)
                            intended = in.intended->coils[std::size_t(coilIndex)];
                        if (intended)
                            row.intended = coilText(info, *intended, en);
                    }
                    row.differs = differing.count({coil, coil ? coilIndex : i}) != 0;
                    d.rows.push_back(row);
                    current = &d.rows.back();
                    continue;
                }
                if (current && label && isUnitLabel(name) &&
                    !label->caption().trimmed().isEmpty()) {
                    current->value = withUnit(current->value, label->caption().trimmed());
                    if (!current->intended.isEmpty())
                        current->intended = withUnit(current->intended, label->caption().trimmed());
                }
            }
        }
    }

    for (int i = 0; i < params::kConfigCoilCount; ++i)
        d.configBits += QString::number(w.chk_cfg(i).value());
    d.live = in.live;

    if (const bus::LinkStats* s = in.stats) {
        d.counters = {
            {sheetText(SheetText::Requests, en), QString::number(s->requests)},
            {sheetText(SheetText::Repeats, en), QString::number(s->repeats)},
            {sheetText(SheetText::Taken, en), QString::number(s->taken)},
            {sheetText(SheetText::BadChecksum, en), QString::number(s->badChecksum)},
            {sheetText(SheetText::Failures, en), QString::number(s->failures)},
        };
        if (s->responseMin && s->responseMax)
            d.counters.emplace_back(
                sheetText(SheetText::ResponseTimes, en).arg(*s->responseMin).arg(*s->responseMax),
                QString());
    }
    d.attachmentName = in.attachmentName;
    d.attachment = in.attachment;
    return d;
}

} // namespace qtx52::report
