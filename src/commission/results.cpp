#include "commission/results.h"

#include "app/csv.h"

#include "commission/plan.h"

#include <QDir>

#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cstdlib>

namespace qtx52::commission {

QString timeStamp(const QDateTime& at) {
    // Local time always with its offset, "+00:00" included, so that rows from sites in other
    // zones, or from both sides of a change to summer time, stay in order.
    const int offset = at.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

namespace {

const QStringList kColumns{"time",     "room",        "line",        "station",     "settings",
                           "set",      "sha256",      "coding",      "firmware",    "result",
                           "reason",   "differences", "duration_ms", "frames_sent", "frames_taken",
                           "failures", "sheet",       "summary"};

QStringList fieldsOf(const UnitRecord& u) {
    return {timeStamp(u.time),
            u.room,
            u.line,
            QString::number(u.station),
            u.settings,
            u.set,
            u.setSha256,
            u.coding,
            u.firmware,
            resultWord(u.result),
            u.reason,
            u.differences.join(QStringLiteral(" | ")),
            QString::number(u.durationMs),
            QString::number(u.framesSent),
            QString::number(u.framesTaken),
            QString::number(u.failures),
            u.sheet,
            QString::fromLatin1(kBuildingSheet)};
}

} // namespace

QString resultWord(Result result) {
    switch (result) {
    case Result::Verified:
        return QStringLiteral("verified");
    case Result::Already:
        return QStringLiteral("already");
    case Result::Differs:
        return QStringLiteral("differs");
    case Result::Refused:
        return QStringLiteral("refused");
    case Result::NoAnswer:
        return QStringLiteral("no answer");
    case Result::WrongUnit:
        return QStringLiteral("wrong unit");
    case Result::LineLost:
        return QStringLiteral("line lost");
    case Result::Cancelled:
        return QStringLiteral("cancelled");
    }
    return {};
}

QString resultText(Result result, bool english) {
    if (english)
        return resultWord(result);
    switch (result) {
    case Result::Verified:
        return QStringLiteral("geprüft");
    case Result::Already:
        return QStringLiteral("bereits eingestellt");
    case Result::Differs:
        return QStringLiteral("weicht ab");
    case Result::Refused:
        return QStringLiteral("abgelehnt");
    case Result::NoAnswer:
        return QStringLiteral("keine Antwort");
    case Result::WrongUnit:
        return QStringLiteral("falsches Gerät");
    case Result::LineLost:
        return QStringLiteral("Leitung verloren");
    case Result::Cancelled:
        return QStringLiteral("abgebrochen");
    }
    return {};
}

std::optional<Result> resultOfWord(const QString& word) {
    for (int r = int(Result::Verified); r <= int(Result::Cancelled); ++r)
        if (resultWord(Result(r)) == word)
            return Result(r);
    return std::nullopt;
}

bool ResultStore::open(const QString& dir, QString* error) {
    dir_ = dir;
    if (!QDir().mkpath(QDir(dir).filePath(QStringLiteral("units")))) {
        *error = QDir(dir).filePath(QStringLiteral("units"));
        return false;
    }
    QFile json(QDir(dir).filePath(QStringLiteral("commissioning.json")));
    if (json.open(QIODevice::ReadOnly))
        rows_ = QJsonDocument::fromJson(json.readAll()).array();
    for (const QJsonValue& row : std::as_const(rows_)) {
        const QJsonObject o = row.toObject();
        const QString result = o.value(QStringLiteral("result")).toString();
        const QString room = o.value(QStringLiteral("room")).toString();
        if (result == resultWord(Result::Verified) || result == resultWord(Result::Already))
            done_.insert(room, o.value(QStringLiteral("sha256")).toString());
        else
            done_.remove(room);
    }
    csv_.setFileName(QDir(dir).filePath(QStringLiteral("commissioning.csv")));
    const QByteArray header = kColumns.join(QLatin1Char(';')).toUtf8() + "\r\n";
    bool fresh = !csv_.exists() || csv_.size() == 0;
    // A file begun by an earlier version with other columns is not continued under its header,
    // where the new rows would stand in the wrong columns: it is kept beside as it is.
    if (!fresh && csv_.open(QIODevice::ReadOnly)) {
        const bool sameColumns = csv_.readLine() == header;
        csv_.close();
        if (!sameColumns) {
            QString earlier = QDir(dir).filePath(QStringLiteral("commissioning-earlier.csv"));
            for (int n = 2; QFile::exists(earlier); ++n)
                earlier = QDir(dir).filePath(QStringLiteral("commissioning-earlier-%1.csv").arg(n));
            if (!QFile::rename(csv_.fileName(), earlier)) {
                *error = csv_.fileName() + QStringLiteral(" -> ") + earlier;
                return false;
            }
            fresh = true;
        }
    }
    if (!csv_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = csv_.fileName() + QStringLiteral(": ") + csv_.errorString();
        return false;
    }
    if (fresh) {
        csv_.write(header);
        csv_.flush();
    }
    return true;
}

bool ResultStore::done(const QString& room, const QString& setSha256) const {
    return done_.contains(room) && done_.value(room) == setSha256;
}

QString ResultStore::unitFile(const QString& room) const {
    return QDir(dir_).filePath(QStringLiteral("units/") + roomFileName(room) +
                               QStringLiteral(".txt"));
}

bool ResultStore::record(const UnitRecord& unit) {
    const QStringList fields = fieldsOf(unit);
    QStringList quoted;
    for (const QString& f : fields)
        quoted << app::csvField(f);
    const bool csvOk =
        csv_.write(quoted.join(QLatin1Char(';')).toUtf8() + "\r\n") > 0 && csv_.flush();

    QJsonObject row;
    for (int i = 0; i < kColumns.size(); ++i)
        row.insert(kColumns.at(i), fields.at(i));
    row.insert(QStringLiteral("station"), unit.station);
    row.insert(QStringLiteral("differences"), QJsonArray::fromStringList(unit.differences));
    row.insert(QStringLiteral("duration_ms"), unit.durationMs);
    rows_.append(row);
    QSaveFile json(QDir(dir_).filePath(QStringLiteral("commissioning.json")));
    const bool jsonOk = json.open(QIODevice::WriteOnly) &&
                        json.write(QJsonDocument(rows_).toJson()) > 0 && json.commit();
    if (unit.result == Result::Verified || unit.result == Result::Already)
        done_.insert(unit.room, unit.setSha256);
    return csvOk && jsonOk;
}

} // namespace qtx52::commission
