#pragma once

// What a commissioning run records, as each unit ends: one row per unit in
// DIR/commissioning.csv (appended and flushed at once) and DIR/commissioning.json (the rows of
// every run into DIR, rewritten whole through a temporary file), and the unit's read-back as a
// parameter file in DIR/units/ROOM.txt (written by the line's program). A second run into the
// same DIR finds there which units are done.

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QString>
#include <QStringList>

namespace qtx52::commission {

enum class Result {
    Verified,  // written, read back and equal to the set
    Already,   // the unit held the set; nothing written
    Differs,   // written, but the read-back differs
    Refused,   // the unit refused a request (exception reply)
    NoAnswer,  // the unit did not answer
    WrongUnit, // coding or firmware not as the plan says; nothing written
    LineLost,  // the line's device went away
    Cancelled, // the run was stopped before this unit
};

// The result's word in the records ("verified", "no answer" …).
QString resultWord(Result result);

struct UnitRecord {
    QDateTime time; // when the unit ended, local with its UTC offset
    QString room, line;
    int station = 0;
    QString settings; // "9600,E,RTU"
    QString set, setSha256;
    QString coding, firmware; // as the unit reported them; empty when not read
    Result result = Result::NoAnswer;
    QString reason;          // why it ended so, in the interface's language
    QStringList differences; // after the write, field names as the file names them
    qint64 durationMs = 0;
    int framesSent = 0, framesTaken = 0, failures = 0;
};

class ResultStore {
public:
    // Opens (and creates) DIR and DIR/units, and reads what earlier runs recorded there. False
    // with *error when the folder or the files cannot be written.
    bool open(const QString& dir, QString* error);
    // Whether an earlier run recorded the room verified or already with this set.
    bool done(const QString& room, const QString& setSha256) const;
    // Records one unit; false when the files could not be written.
    bool record(const UnitRecord& unit);
    QString unitFile(const QString& room) const;
    const QString& dir() const { return dir_; }

private:
    QString dir_;
    QFile csv_;
    QJsonArray rows_;
    QHash<QString, QString> done_; // room -> set hash of its last verified or already
};

} // namespace qtx52::commission
