#pragma once

// A parameter file read by its labels. Each "Register N" and "Konfigurationsbit N" /
// "configuration bit N" line is matched to its field by N, whichever language wrote it, so a
// value lands on its own register even where lines moved. The file is taken whole or not at all:
// every field's line must be there once, in the order the program writes them, with the caption
// of that field (German or English), and every configuration bit 0, 1 or 2; otherwise the first
// line at fault is named. Blank lines carry nothing and are passed over; the header is read only
// for the station address.

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace qtx52::files {

inline constexpr int kFileRegisters = 38;
inline constexpr int kFileCoils = 14;

enum class LineFault {
    NotAFieldLine, // begins like a field's line but is none ("Register x", no value)
    NoSuchField,   // "Register 39", "Konfigurationsbit 0"
    StrayLine,     // a line between or after the fields' lines that is none of them
    Missing,       // the field's line is not in the file
    Doubled,       // the field's line stands twice
    OutOfOrder,    // the field's line stands before one that comes earlier
    WrongCaption,  // the caption is not the field's
    NotACoilState, // a configuration bit neither 0, 1 nor 2
};

struct FileFault {
    LineFault kind;
    int line = 0;           // where it shows, counting from 1
    bool coil = false;      // the field concerned: a configuration bit, else a register
    int number = 0;         // its number as the file counts, from 1
    QString text;           // the caption or value at fault, or the line
    int otherLine = 0;      // Doubled: the first line; OutOfOrder: where the earlier field stands
    bool otherCoil = false; // OutOfOrder: the field that should have come first
    int otherNumber = 0;
};

struct LabelledFile {
    std::optional<QString> address; // the second blank-separated piece of "Adresse: 17"
    // The third ";" piece of each field's line as it stands, its line, and the field as the line
    // names it ("Register 3: Gerätetyp").
    std::array<QString, kFileRegisters> registers;
    std::array<int, kFileRegisters> registerLines{};
    std::array<QString, kFileRegisters> registerNames;
    std::array<QString, kFileCoils> coils;
    std::array<int, kFileCoils> coilLines{};
    std::array<QString, kFileCoils> coilNames;
    std::optional<FileFault> fault; // set: nothing of the file may be used
};

LabelledFile readLabelledFile(const QByteArray& bytes);

// The text of a file: UTF-8 where the bytes are UTF-8 holding more than ASCII (a spreadsheet's
// export, a byte order mark dropped), otherwise the Windows-1252 code page the program writes.
QString parameterFileText(const QByteArray& bytes);

// "Zeile 21: ..." / "line 21: ..." in the interface's language.
QString fileFaultText(const FileFault& fault, bool english);

} // namespace qtx52::files
