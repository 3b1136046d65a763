// The file menu: save the editor's parameter set to a text file, load one back, exit.
//
// The file is written for people and read back by its labels (files/file_labels): the station
// address from the header's address line, registers 2 to 37 and the configuration coils from
// the lines that name them, so a file saved under one language loads under the other, and a file
// whose lines were moved, lost or doubled is refused whole rather than loaded onto the wrong
// fields.

#include "files/parameter_file.h"

#include "files/file_labels.h"

#include "app/global.h"
#include "app/language.h"
#include "app/program.h"
#include "app/ui.h"
#include "editor/frm_config.h"
#include "link/commport.h"
#include "params/numbers.h"
#include "settings/registry.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>

#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace qtx52::files {

namespace {

std::function<QDateTime()>& fileClock() {
    static std::function<QDateTime()> now;
    return now;
}

// Code points of the bytes 0x80..0x9F; 0 where the code page leaves the byte undefined (those
// bytes stand for the C1 control with the same number).
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char encodeChar(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < int(kHighControls.size()); ++i) {
        const char16_t mapped = kHighControls[i] ? kHighControls[i] : char16_t(0x80 + i);
        if (mapped == c)
            return char(0x80 + i);
    }
    return '?';
}

} // namespace

void setParameterFileClock(std::function<QDateTime()> now) {
    fileClock() = std::move(now);
}

QByteArray toWindows1252(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A character outside the basic plane is one unknown character, not two.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        out += encodeChar(c.unicode());
    }
    return out;
}

QString fromWindows1252(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = quint8(b);
        if (u >= 0x80 && u <= 0x9F && kHighControls[u - 0x80])
            out += QChar(kHighControls[u - 0x80]);
        else
            out += QChar(char16_t(u));
    }
    return out;
}

QStringList splitParameterLines(const QString& text) {
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            lines << line;
            line.clear();
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            // A file saved again by an editor or spreadsheet on Linux ends its lines in LF alone;
            // taking that as a line end too keeps such a file loadable.
            lines << line;
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QString parameterFileNumber(double value, const QString& separator) {
    const QString digits = params::formatNumber(value, separator);
    if (digits.startsWith(QLatin1Char('-')))
        return digits + QLatin1Char(' ');
    return QLatin1Char(' ') + digits + QLatin1Char(' ');
}

} // namespace qtx52::files

namespace qtx52::editor {

using namespace params;

namespace {

constexpr int kFirstRegisterLoaded = 2;
constexpr int kCoilLines = 14;

// The date and the time as the regional settings write them, the time without its zone.
QString stamp(const QDateTime& now) {
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    return locale.toString(now.date(), QLocale::ShortFormat) +
           locale.toString(now.time(), timeFormat.trimmed());
}

bool english(const app::Global& g) {
    return g.languageId == app::kLanguageEnglish;
}

// Why a file could not be read or written, in the interface's language; the system's own words
// (always English) only when none of the usual reasons is it.
QString reasonFor(const QString& path, bool writing, const QString& systemReason, bool en) {
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (info.isDir())
        return en ? QStringLiteral("it is a folder") : QStringLiteral("es ist ein Ordner");
    if (!writing && !info.exists())
        return en ? QStringLiteral("the file does not exist")
                  : QStringLiteral("die Datei gibt es nicht");
    if (writing && !folder.isDir())
        return en ? QStringLiteral("the folder does not exist")
                  : QStringLiteral("den Ordner gibt es nicht");
    const bool allowed =
        writing ? folder.isWritable() && (!info.exists() || info.isWritable()) : info.isReadable();
    if (!allowed)
        return en ? QStringLiteral("no permission") : QStringLiteral("keine Berechtigung");
    return (en ? QStringLiteral("the system reports: %1") : QStringLiteral("das System meldet: %1"))
        .arg(systemReason);
}

} // namespace

QByteArray frm_config::parameterFileBytes() const {
    // The program version in the header: the number the installation stored, 0 when there is
    // none. Both the user's separator and a point are taken.
    const QString versionText =
        settings::CRegistry(program.stores)
            .MachineSetting(settings::kLcdProductKey, QStringLiteral("Version"))
            .trimmed();
    double version = 0;
    if (auto v = parseNumber(versionText, g.decimalSeparator))
        version = *v;
    else if (auto p = parseNumber(versionText, QStringLiteral(".")))
        version = *p;

    const QString& sep = g.decimalSeparator;
    const auto number = [&sep](double v) { return files::parameterFileNumber(v, sep); };
    QStringList lines;
    lines << QStringLiteral("Korvatek") << QString()
          << QStringLiteral("QTX52-LCD-RS485-Modbus Configuration Software") << QString()
          << QStringLiteral("Version: ") + number(version)
          << stamp(files::fileClock() ? files::fileClock()() : QDateTime::currentDateTime())
          << QString() << g.langTexts[9] + g.baudRate << g.langTexts[10] + g.modbusMode
          << g.langTexts[11] +
                 link::parityName(g.parity.isEmpty() ? 'E' : g.parity.at(0).toLatin1())
          << g.langTexts[12] + txt_Modbus_adress->text() << QString() << g.langTexts[7]
          << QString();
    for (int i = 0; i <= 37; ++i)
        lines << QStringLiteral("Register") + number(i + 1) + QLatin1Char(';') +
                     lbl_cfg(i).caption() + QLatin1Char(';') + txt_data_cfg(i).text();
    for (int i = 0; i < kCoilLines; ++i)
        lines << g.langTexts[8] + number(i + 1) + QLatin1Char(';') + lbl_read_cfg_bit(i).caption() +
                     QLatin1Char(';') + number(chk_cfg(i).value());

    QByteArray bytes;
    for (const QString& line : std::as_const(lines))
        bytes += files::toWindows1252(line) + "\r\n";
    return bytes;
}

bool frm_config::SaveParameterFile() {
    std::optional<QString> name = program.ui.saveFileName(files::kParameterFileFilter);
    if (!name || name->isEmpty())
        return false;
    // The filter shows text files: a name typed without an extension gets theirs.
    if (QFileInfo(*name).suffix().isEmpty() && !name->endsWith(QLatin1Char('.')))
        *name += QStringLiteral(".txt");
    if (QFileInfo::exists(*name) &&
        !program.ui.askYesNo(
            (english(g)
                 ? QStringLiteral("The file \"%1\" already exists. Replace it?")
                 : QStringLiteral("Die Datei \"%1\" gibt es schon. Soll sie ersetzt werden?"))
                .arg(*name),
            app::kAppTitle,
            english(g) ? QStringList{QStringLiteral("Replace"), QStringLiteral("Keep")}
                       : QStringList{QStringLiteral("Ersetzen"), QStringLiteral("Behalten")}))
        return false;

    const QByteArray bytes = parameterFileBytes();

    // The old file stays as it was unless the new one is written whole.
    QSaveFile file(*name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const QString reason = reasonFor(*name, true, file.errorString(), english(g));
        file.cancelWriting();
        program.ui.messageBox(
            (english(g) ? QStringLiteral("The file \"%1\" could not be written: %2")
                        : QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden: %2"))
                .arg(*name, reason),
            app::kAppTitle);
        return false;
    }
    editsSaved = true;
    return true;
}

void frm_config::LoadParameterFile() {
    const std::optional<QString> name = program.ui.openFileName(files::kParameterFileFilter);
    if (!name || name->isEmpty())
        return;
    // The file's values replace the fields: edits not saved are asked about first.
    if (!mayDropEdits())
        return;

    QFile file(*name);
    QByteArray bytes;
    bool readable = file.open(QIODevice::ReadOnly);
    if (readable) {
        bytes = file.readAll();
        readable = file.error() == QFileDevice::NoError;
    }
    const QString failure =
        readable ? QString() : reasonFor(*name, false, file.errorString(), english(g));
    file.close();

    // The file is taken whole or not at all: a file that cannot be matched field by field leaves
    // the editor as it was.
    std::optional<files::FileFault> fault;
    if (readable) {
        const files::LabelledFile values = files::readLabelledFile(bytes);
        fault = values.fault;
        if (!fault) {
            if (values.address)
                txt_Modbus_adress->setText(*values.address);
            // Blanks around a value are a spreadsheet's, never part of the number.
            for (int i = kFirstRegisterLoaded; i <= 37; ++i)
                txt_data_cfg(i).setText(values.registers[std::size_t(i)].trimmed());
            for (int i = 0; i < kCoilLines; ++i)
                chk_cfg(i).setValue(values.coils[std::size_t(i)].trimmed().toShort());
            writeReview.setLoaded(values.registers[0], values.registers[1]);
        }
    }

    // The write button (not for a file refused: the editor stays as it was). While the monitor
    // runs it owns the buttons and stays in charge of them.
    if (!fault && chk_read_out->value() != 1) {
        if (g.portOpen) {
            set_parameter->setEnabled(true);
            chk_read_out->setEnabled(false);
        } else {
            set_parameter->setEnabled(false);
        }
    }

    if (readable && !fault) {
        editorFilled();
        // What the fields show now is in that file: nothing is lost by dropping it.
        editsSaved = true;
    }
    if (!readable) {
        program.ui.messageBox(
            (english(g) ? QStringLiteral("The file \"%1\" could not be read: %2")
                        : QStringLiteral("Die Datei \"%1\" konnte nicht gelesen werden: %2"))
                .arg(*name, failure),
            app::kAppTitle);
    } else if (fault) {
        program.ui.messageBox((english(g)
                                   ? QStringLiteral("The file \"%1\" was not loaded: %2")
                                   : QStringLiteral("Die Datei \"%1\" wurde nicht geladen: %2"))
                                  .arg(*name, files::fileFaultText(*fault, english(g))),
                              app::kAppTitle);
    }
}

void frm_config::ParMenüMain_Click(int index) {
    switch (index) {
    case 1:
        LoadParameterFile();
        break;
    case 2:
        SaveParameterFile();
        break;
    case 4:
        // Exit at once once the edits are saved or given up: the timers stop, and the main
        // window's unload handling does not run.
        if (!mayDropEdits())
            break;
        Timer.setEnabled(false);
        Timer1.setEnabled(false);
        Timer4.setEnabled(false);
        Timer5.setEnabled(false);
        Timer6.setEnabled(false);
        program.requestQuit();
        break;
    default:
        break;
    }
}

void frm_config::connectFiles() {
    for (const auto& [i, item] : ParMenüMain)
        connect(item, &MenuItem::click, this, [this, i = i] { ParMenüMain_Click(i); });
}

} // namespace qtx52::editor
