#pragma once

// The check before a write. Every value a write will send — from the editor's boxes in the window,
// from a parameter file for --write — is converted and checked before the first frame goes out:
// a number in the interface's number format (blanks around it are allowed), within the limits
// the editor lets a field hold (range forcing on leaving the box, the up/down arrows, the
// minimum response time, the entries of a value list), within the register's 16 bits after its
// scale, with no more decimals than the register keeps (tenths or whole numbers: a value the unit
// would hold rounded is refused, naming what it would hold, since the read-back would then differ
// from what was meant), and a coil 0 or 1. If any value fails, nothing is sent and the message
// names every failing field.
//
// The limits come from the register map and the editor's own rules; nothing here keeps a second
// table of them.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qtx52::params {

enum class WriteKind {
    ConfigRegister, // txt_data_cfg(element), register = element
    InputRegister,  // txt_data_in(element), register 512 + element
    ConfigCoil,     // chk_cfg(element), coil = element
    InputCoil,      // chk_inp_bit(element), coil 256 + element
};

struct WriteValue {
    WriteKind kind;
    int element;
    QString text; // as the box or the file holds it
    int line = 0; // the line of the parameter file it comes from; 0 in the window
    // What the unit holds, as last read. Its own value always goes back as it is, even where the
    // editor would not let a person type it (the unit's "no value given" codes).
    std::optional<double> held = std::nullopt;
};

// What the editor lets a register field hold: from min to max, and the few values that stand for
// "no value given" beyond them; for a list-coded field only the list's codes.
struct FieldLimits {
    double min = 0;
    double max = 0;
    std::vector<double> alsoAllowed;
    std::vector<int> codes; // not empty: the value must be one of these
};
FieldLimits limitsOf(WriteKind field, int element);

enum class WriteFault {
    NotANumber,
    OutOfRange,      // outside the editor's limits, or not a code of its list
    TooBigForWord,   // within the limits but not within the register's 16 bits after its scale
    TooManyDecimals, // more decimals than the register keeps: the unit would hold it rounded
    NotACoilState,   // a coil that is neither 0 nor 1
};

struct WriteProblem {
    WriteValue value;
    WriteFault fault;
};

// A number as a write takes it: the editor's number text, blanks before and after allowed.
std::optional<double> writeNumber(const QString& text, const QString& separator);

// The value the unit holds after a write of the number: rounded to the register's tenths or whole
// numbers, half to even, as the write sends it.
double unitKeeps(WriteKind field, int element, double value);

// What a check looks at. `Encoding` is what can be checked before the unit is read: the number,
// the coil state, the register's 16 bits and decimals; `All` adds the editor's limits, which a
// value equal to what the unit holds is exempt from.
enum class WriteChecks { All, Encoding };

// Every value that cannot be sent, in the order given; empty when the write may go.
std::vector<WriteProblem> checkWrite(const std::vector<WriteValue>& values,
                                     const QString& separator,
                                     WriteChecks checks = WriteChecks::All);

// One line per problem in the interface's language ("1031" German, "1033" English): where the
// value is (file line, the field as the file names it, its caption), the value as messages quote
// it, and what the field takes.
QStringList problemLines(const std::vector<WriteProblem>& problems, const QString& languageId,
                         const QString& separator);
// The message box of the window: a heading and the problem lines.
QString windowProblemMessage(const std::vector<WriteProblem>& problems, const QString& languageId,
                             const QString& separator);

// How the file and the command line name a field: "Register 12" counting from 1 for the
// configuration registers, "Konfigurationsbit 1" / "configuration bit 1" for the configuration
// coils, with the caption without its colon in brackets.
QString fileFieldName(WriteKind field, int element, const QString& languageId);

} // namespace qtx52::params
