#pragma once

// The unit as the program knows it: every holding register and coil it reads or writes, where it
// is addressed, how its 16-bit value is encoded, which control shows it, its captions in both
// languages and its value list. The decoder, the write path, the editor, the parameter files and
// the help documents all read this one table.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qtx52::params {

// How a register's 16-bit value maps to the number in its field.
enum class Encoding {
    Signed,       // two's complement, -32768..32767
    SignedTenths, // signed, divided by 10 (the field holds the engineering unit)
    Unsigned,     // 0..65535, never written
};

// Field families: the control array that holds a register's value.
enum class Family {
    Config,  // txt_data_cfg, registers 0..37
    Monitor, // txt_data_out, registers 256..273
    Input,   // txt_data_in, registers 512..519
};

struct RegisterInfo {
    int address; // Modbus holding register address
    Family family;
    int element; // element index in the family's control array
    Encoding encoding;
    QString labelDe; // design caption
    QString labelEn; // English caption
    QString unit;    // engineering unit for the reference document ("" when none)
    char list;       // value list 'A'..'K', or 0
    bool writable;   // written by a write-back
};

struct CoilInfo {
    int address; // Modbus coil address
    int element; // chk_cfg or chk_inp_bit element
    QString labelDe;
    QString labelEn;
    // The two named states of a coil shown as a list (cmb_bit_cfg), German and English; empty for
    // plain check boxes.
    QStringList statesDe;
    QStringList statesEn;
};

// A list of coded values: the entry at each position stands for the value at the same position.
struct ValueList {
    char id;
    std::vector<int> values;
    QStringList entriesDe;
    QStringList entriesEn;
};

// Up/down arrow limits and step of a txt_data_cfg element.
struct UpDownLimits {
    int element;
    double min;
    double max;
    double step;
};

// Address ranges.
inline constexpr int kConfigFirst = 0;
inline constexpr int kConfigCount = 38;
inline constexpr int kConfigWriteFirst = 2; // registers 0 and 1 are never written
inline constexpr int kMonitorFirst = 256;
inline constexpr int kMonitorCount = 18;
inline constexpr int kInputFirst = 512;
inline constexpr int kInputCount = 8;
inline constexpr int kConfigCoilFirst = 0;
inline constexpr int kConfigCoilCount = 14;
inline constexpr int kInputCoilFirst = 256;
inline constexpr int kInputCoilCount = 5;
inline constexpr int kResponseTimeRegister = 6;
// Element 99 of chk_cfg / cmb_bit_cfg: a second view of coil 13, never written.
inline constexpr int kCoil13View = 99;

const std::vector<RegisterInfo>& configRegisters();  // 38 entries, element = address
const std::vector<RegisterInfo>& monitorRegisters(); // 18 entries, element = address - 256
const std::vector<RegisterInfo>& inputRegisters();   // 8 entries, element = address - 512
const std::vector<CoilInfo>& configCoils();          // 14 entries
const std::vector<CoilInfo>& inputCoils();           // 5 entries
// The element-99 view of coil 13 ("Sollwertdarstellung"), German only in both languages.
const CoilInfo& coil13View();

// The value lists 'A'..'K'; nullptr for an unknown id.
const ValueList* valueList(char id);
// The list-coded txt_data_cfg elements, each with its cmb_cfg partner.
const std::vector<int>& configListElements();

const std::vector<UpDownLimits>& upDownLimits();
// Limits of an element, or nullptr when the element has no arrows.
const UpDownLimits* upDownLimitsFor(int element);

// Encoding of a configuration register (0..37).
Encoding configEncoding(int element);
// Encoding of a monitor register (256..273): signed tenths for 258..261, unsigned otherwise.
Encoding monitorEncoding(int address);
// Encoding of input register element 0..7.
Encoding inputEncoding(int element);

// The monitor elements whose values are shown as words (fan stage, occupancy, local controller
// lock, controller mode), and the langTexts index of the word for a value; none when the element
// is not coded or the value has no word.
const std::vector<int>& monitorWordElements();
std::optional<int> monitorWordIndex(int element, double value);

// A caption as a name in running text, a column or a sheet: without the colon (and the blanks)
// that end it on the form.
QString captionName(const QString& caption);

} // namespace qtx52::params
