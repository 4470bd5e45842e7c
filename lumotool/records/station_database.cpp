#include "records/station_database.h"

#include "core/cp1252.h"
#include "core/data_paths.h"
#include "core/safe_file.h"
#include "core/ui_seam.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <utility>

namespace lumo {

namespace station {

namespace {

const QByteArray kRecordOpen = QByteArrayLiteral("[ID-Nummer=");
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

QByteArray KeyWithEquals(const QByteArray& key) { return key + '='; }

}  // namespace

QByteArray CutBehindLastBracket(const QByteArray& text) {
    const qsizetype last = text.lastIndexOf(']');
    return last < 0 ? QByteArray() : text.left(last + 1);
}

std::optional<RecordSpan> FindRecord(const QByteArray& fileText, const QByteArray& id) {
    const qsizetype begin = fileText.indexOf(kRecordOpen + id + ';');
    if (begin < 0) return std::nullopt;

    // The record cannot reach past the start of the next one.
    qsizetype limit = fileText.indexOf(kRecordOpen, begin + 1);
    if (limit < 0) limit = fileText.size();

    RecordSpan span;
    span.begin = begin;
    span.end = limit;
    const qsizetype diag = fileText.indexOf(KeyWithEquals(kDiagTyp), begin + 1);
    if (diag < 0 || diag >= limit) return span;
    const qsizetype close = fileText.indexOf(']', diag);
    if (close < 0 || close >= limit) return span;
    span.end = close + 1;
    span.complete = true;
    return span;
}

namespace {

// Where the value of key stands in the record: from behind "key=" to the
// next ';' (not included).
struct FieldSpan {
    qsizetype start = 0;
    qsizetype stop = 0;
};

std::optional<FieldSpan> FindField(const QByteArray& record, const QByteArray& key) {
    const QByteArray marker = KeyWithEquals(key);
    const qsizetype at = record.indexOf(marker);
    if (at < 0) return std::nullopt;
    const qsizetype start = at + marker.size();
    const qsizetype stop = record.indexOf(';', start);
    if (stop < 0) return std::nullopt;
    return FieldSpan{start, stop};
}

}  // namespace

std::optional<QByteArray> FieldValue(const QByteArray& record, const QByteArray& key) {
    const std::optional<FieldSpan> span = FindField(record, key);
    if (!span) return std::nullopt;
    return record.mid(span->start, span->stop - span->start);
}

std::optional<QByteArray> ReplaceField(const QByteArray& record, const QByteArray& key,
                                       const QByteArray& value) {
    const std::optional<FieldSpan> span = FindField(record, key);
    if (!span) return std::nullopt;
    return record.left(span->start) + value + record.mid(span->stop);
}

QByteArray SafeValue(const QByteArray& value) {
    QByteArray out = value;
    for (char& c : out) {
        switch (c) {
            case ';': c = ','; break;
            case '[': c = '('; break;
            case ']': c = ')'; break;
            case '\r':
            case '\n': c = ' '; break;
            default: break;
        }
    }
    // A key name followed by "=" would be taken for that key.
    for (const char* key : {kIdKey, kTankstelle, kStrasse, kPlz, kOrt, kZsMarke, kZsType, kZsBj,
                            kLZsNr, kRZsNr, kDiagTyp}) {
        const QByteArray name(key);
        out.replace(name + '=', name + ':');
    }
    return out;
}

QByteArray BuildRecord(const RecordValues& v) {
    QByteArray out;
    out += kLineEnd + kRecordOpen + SafeValue(v.id) + ';' + kLineEnd;
    const std::pair<const char*, const QByteArray*> lines[] = {
        {kTankstelle, &v.tankstelle}, {kStrasse, &v.strasse}, {kPlz, &v.plz},
        {kOrt, &v.ort},               {kZsMarke, &v.zsMarke}, {kZsType, &v.zsType},
        {kZsBj, &v.zsBj},             {kLZsNr, &v.lZsNr},     {kRZsNr, &v.rZsNr},
    };
    for (const auto& [key, value] : lines)
        out += QByteArray(key) + '=' + SafeValue(*value) + ';' + kLineEnd;
    out += QByteArray(kDiagTyp) + '=' + SafeValue(v.diagTyp) + ";]" + kLineEnd;
    return out;
}

}  // namespace station

namespace {

// A save killed between the moment an older writer (Qt's QSaveFile) gave
// its temporary file a name and the rename left "<file>.XXXXXX" (six random letters) beside
// the file. The next successful save removes such files; a name that reads
// like a word (all small, all capital, or a capital and small letters, as
// in "MavikDatenbank.txt.backup") is left alone, as a user may have put a
// copy there. Links are never removed.
void RemoveKilledSaveLeftovers(const QString& filePath) {
    const QFileInfo file(filePath);
    static const QRegularExpression kTemporary(QStringLiteral("^[A-Za-z]{6}$"));
    static const QRegularExpression kWord(QStringLiteral("^([a-z]{6}|[A-Z]{6}|[A-Z][a-z]{5})$"));
    const QString prefix = file.fileName() + QLatin1Char('.');
    const QDir folder = file.absoluteDir();
    for (const QFileInfo& entry : folder.entryInfoList({prefix + QStringLiteral("??????")},
                                                       QDir::Files | QDir::Hidden | QDir::System)) {
        const QString suffix = entry.fileName().mid(prefix.size());
        if (entry.isSymLink() || !kTemporary.match(suffix).hasMatch() || kWord.match(suffix).hasMatch())
            continue;
        QFile::remove(entry.filePath());
    }
}

// Caption of the program's own notices.
const QString kAppCaption = QStringLiteral("Mavik_Lumo 05");

void ShowNotice(const QString& text, MsgIcon icon) {
    Message message;
    message.text = text;
    message.caption = kAppCaption;
    message.icon = icon;
    ui().showMessage(message);
}

// A whole new file at path, through the safe writer's temporary file
// renamed over it (never in place).
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString& error) {
    SafeWriteOptions options;
    options.inPlace = false;
    return WriteFileSafely(path, bytes, &error, options);
}

}  // namespace

StationDatabase::StationDatabase() : StationDatabase(DefaultFilePath()) {
    legacyPath_ = LegacyStationFilePath();
}

StationDatabase::StationDatabase(QString filePath, QString legacyPath)
    : filePath_(std::move(filePath)), legacyPath_(std::move(legacyPath)) {}

StationDatabase::~StationDatabase() = default;

QString StationDatabase::DefaultFilePath() {
    return StationFilePath();
}

bool StationDatabase::FileExists() const {
    return QFileInfo::exists(StationFileToRead(filePath_, legacyPath_));
}

bool StationDatabase::readFile(QByteArray& text, QString& error, bool& missing) {
    missing = false;
    // Until the first save to the new place, a file only in the old place
    // is read from there (and the user told once where it goes now).
    const QString readPath = StationFileToRead(filePath_, legacyPath_);
    if (readPath != filePath_) {
        static bool told = false;
        if (!told) {
            told = true;
            ShowNotice(tr("Die Stationsdaten werden aus %1 gelesen und ab jetzt in %2 gespeichert.")
                           .arg(QDir::toNativeSeparators(readPath), QDir::toNativeSeparators(filePath_)),
                       MsgIcon::Information);
        }
    }
    QFile file(readPath);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        missing = !QFileInfo::exists(readPath);
        return false;
    }
    text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    return true;
}

int StationDatabase::LoadRecord(const QString& id) {
    if (id.isEmpty()) {
        ShowNotice(tr("Fehler beim Lesen der Parameter"), MsgIcon::None);
        return 0;
    }
    id_ = id;

    QByteArray text;
    QString error;
    bool missing = false;
    if (!readFile(text, error, missing)) {
        ShowFileError(error);
        return 0;
    }
    fileText_ = station::CutBehindLastBracket(text);

    const std::optional<station::RecordSpan> span = station::FindRecord(fileText_, ToCp1252(id));
    if (!span) {
        recordText_.clear();
        textBefore_.clear();
        textAfter_.clear();
        recordComplete_ = false;
        return 1;
    }
    textBefore_ = fileText_.left(span->begin);
    recordText_ = fileText_.mid(span->begin, span->end - span->begin);
    textAfter_ = fileText_.mid(span->end);
    recordComplete_ = span->complete;
    return 1;
}

QString StationDatabase::readField(const char* key, QString& field) {
    if (const std::optional<QByteArray> value = station::FieldValue(recordText_, key))
        field = FromCp1252(*value);
    return field;
}

void StationDatabase::writeField(const char* key, QString& field, const QString& value) {
    const QByteArray bytes = station::SafeValue(ToCp1252(value));
    field = FromCp1252(bytes);
    // A record without its "Diag-Typ" key or closing "]" has no known end:
    // changing it could damage the records behind it, so it stays as it is.
    if (!recordComplete_) return;
    const std::optional<QByteArray> record = station::ReplaceField(recordText_, key, bytes);
    if (!record) return;
    recordText_ = *record;
    fileText_ = textBefore_ + recordText_ + textAfter_;
    if (holdSaves_ > 0)
        changed_ = true;
    else
        SaveFile();
}

StationDatabase::Changes::~Changes() {
    if (--db_.holdSaves_ == 0 && db_.changed_) {
        db_.changed_ = false;
        db_.SaveFile();
    }
}

QString StationDatabase::ReadTankstelle() { return readField(station::kTankstelle, tankstelle_); }
QString StationDatabase::ReadStrasse() { return readField(station::kStrasse, strasse_); }
QString StationDatabase::ReadPlz() { return readField(station::kPlz, plz_); }
QString StationDatabase::ReadOrt() { return readField(station::kOrt, ort_); }
QString StationDatabase::ReadZsMarke() { return readField(station::kZsMarke, zsMarke_); }
QString StationDatabase::ReadZsType() { return readField(station::kZsType, zsType_); }
QString StationDatabase::ReadZsBj() { return readField(station::kZsBj, zsBj_); }
QString StationDatabase::ReadLZsNr() { return readField(station::kLZsNr, lZsNr_); }
QString StationDatabase::ReadRZsNr() { return readField(station::kRZsNr, rZsNr_); }
QString StationDatabase::ReadDiagTyp() { return readField(station::kDiagTyp, diagTyp_); }

void StationDatabase::WriteTankstelle(const QString& v) { writeField(station::kTankstelle, tankstelle_, v); }
void StationDatabase::WriteStrasse(const QString& v) { writeField(station::kStrasse, strasse_, v); }
void StationDatabase::WritePlz(const QString& v) { writeField(station::kPlz, plz_, v); }
void StationDatabase::WriteOrt(const QString& v) { writeField(station::kOrt, ort_, v); }
void StationDatabase::WriteZsMarke(const QString& v) { writeField(station::kZsMarke, zsMarke_, v); }
void StationDatabase::WriteZsType(const QString& v) { writeField(station::kZsType, zsType_, v); }
void StationDatabase::WriteZsBj(const QString& v) { writeField(station::kZsBj, zsBj_, v); }
void StationDatabase::WriteLZsNr(const QString& v) { writeField(station::kLZsNr, lZsNr_, v); }
void StationDatabase::WriteRZsNr(const QString& v) { writeField(station::kRZsNr, rZsNr_, v); }
void StationDatabase::WriteDiagTyp(const QString& v) { writeField(station::kDiagTyp, diagTyp_, v); }

void StationDatabase::AppendRecord(const QString& id, const QString& zsBj, const QString& zsMarke,
                                   const QString& tankstelle, const QString& ort,
                                   const QString& plz, const QString& strasse,
                                   const QString& zsType, const QString& lZsNr,
                                   const QString& rZsNr, const QString& diagTyp) {
    station::RecordValues values;
    values.id = ToCp1252(id);
    values.tankstelle = ToCp1252(tankstelle);
    values.strasse = ToCp1252(strasse);
    values.plz = ToCp1252(plz);
    values.ort = ToCp1252(ort);
    values.zsMarke = ToCp1252(zsMarke);
    values.zsType = ToCp1252(zsType);
    values.zsBj = ToCp1252(zsBj);
    values.lZsNr = ToCp1252(lZsNr);
    values.rZsNr = ToCp1252(rZsNr);
    values.diagTyp = ToCp1252(diagTyp);
    const QByteArray record = station::BuildRecord(values);

    // Only a missing file starts from nothing. A file that exists but cannot
    // be read is left alone, or its records would be lost.
    QByteArray text;
    QString error;
    bool missing = false;
    if (!readFile(text, error, missing)) {
        if (!missing) {
            ShowFileError(error);
            return;
        }
        text.clear();
    }
    fileText_ = station::CutBehindLastBracket(text) + record;
    SaveFile();
}

void StationDatabase::SaveFile() {
    QDir().mkpath(QFileInfo(filePath_).absolutePath());  // a failure shows when the file is written

    // Through the one safe writer: beside the old file and renamed over it,
    // so a crash or a full disk leaves either the old or the new file whole.
    // Where the folder lets no file be created beside it but the file itself
    // is writable (on Windows the Windows folder, for ordinary users), the
    // file is written in place instead, as the only way to store anything,
    // with a copy of the old file kept in the per-user data folder first.
    QString error;
    bool refused = false;
    SafeWriteOptions options;
    options.inPlace = false;
    options.refusedNewFile = &refused;
    if (WriteFileSafely(filePath_, fileText_, &error, options)) {
        RemoveKilledSaveLeftovers(filePath_);
        return;
    }
    const QFileInfo existing(filePath_);
    if (refused && existing.isFile() && existing.isWritable()) {
        writeInPlace();
        return;
    }
    ShowFileError(error);
}

QString StationDatabase::InPlaceCopyPath(const QString& filePath) {
    // One copy per station file: its name carries a digest of the file's
    // absolute path, so that two station files never share a copy.
    const QFileInfo file(filePath);
    const QByteArray digest =
        QCryptographicHash::hash(file.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    return QDir(UserDataFolder()).filePath(file.fileName() + QLatin1Char('.') + QString::fromLatin1(digest) +
                                           QStringLiteral(".kopie"));
}

void StationDatabase::writeInPlace() {
    // Writing in place cuts the file to nothing first: whatever stops the
    // write (a full disk, a size limit, a kill) would leave it cut short.
    // So the old file is copied first, whole and synced, to the per-user
    // data folder; a failed write puts it back, and a write that never
    // ended is mended at the next start (RecoverInPlaceWrite). Without a
    // copy the file is not touched.
    const QString copy = InPlaceCopyPath(filePath_);
    // A copy left by a write that never ended holds the last whole file:
    // it is never replaced by what may be the rest of that write. When it
    // is put back (or cannot be), the text held here came from the cut
    // file and is not written.
    if (QFileInfo::exists(copy) && RecoverInPlaceWrite(filePath_)) return;
    QByteArray old;
    QString error;
    bool missing = false;
    if (!readFile(old, error, missing)) {
        ShowFileError(error);
        return;
    }
    QDir().mkpath(QFileInfo(copy).absolutePath());
    if (!WriteWholeFile(copy, old, error)) {
        ShowNotice(tr("Die Stationsdatei „%1“ wurde nicht geändert: ihr Ordner ist "
                      "schreibgeschützt, und es ließ sich keine Kopie der alten Datei "
                      "anlegen („%2“: %3).")
                       .arg(QDir::toNativeSeparators(filePath_), QDir::toNativeSeparators(copy), error),
                   MsgIcon::Stop);
        return;
    }
    if (WriteIntoFile(filePath_, fileText_, &error)) {
        QFile::remove(copy);
        return;
    }
    QString restoreError;
    if (WriteIntoFile(filePath_, old, &restoreError)) {
        QFile::remove(copy);
        ShowFileError(error);
        return;
    }
    ShowNotice(tr("Die Stationsdatei „%1“ ließ sich nicht schreiben (%2) und nicht "
                  "wiederherstellen (%3). Die alte Datei liegt in „%4“ und wird beim "
                  "nächsten Start zurückgeschrieben.")
                   .arg(QDir::toNativeSeparators(filePath_), error, restoreError, QDir::toNativeSeparators(copy)),
               MsgIcon::Stop);
}

bool StationDatabase::RecoverInPlaceWrite(const QString& filePath) {
    const QString copyPath = InPlaceCopyPath(filePath);
    QFile copy(copyPath);
    if (!copy.exists()) return false;
    if (!copy.open(QIODevice::ReadOnly)) return true;  // left for a later start
    const QByteArray old = copy.readAll();
    copy.close();

    // A write that ended leaves the whole new text: never shorter than
    // the copy by a cut, and ending in its last record's "]" as every text
    // this class writes does. Anything else is the rest of a cut write.
    QFile file(filePath);
    QByteArray now;
    if (file.open(QIODevice::ReadOnly)) now = file.readAll();
    file.close();
    const bool whole = now.size() >= old.size() && (now.endsWith(']') || now.endsWith("]\r\n"));
    if (whole) {
        QFile::remove(copyPath);
        return false;
    }
    QString error;
    if (!WriteIntoFile(filePath, old, &error)) {
        ShowNotice(tr("Die Stationsdatei „%1“ ist nach einem abgebrochenen Speichern "
                      "unvollständig und ließ sich nicht aus der Kopie „%2“ "
                      "wiederherstellen: %3")
                       .arg(QDir::toNativeSeparators(filePath), QDir::toNativeSeparators(copyPath), error),
                   MsgIcon::Stop);
        return true;
    }
    QFile::remove(copyPath);
    ShowNotice(tr("Die Stationsdatei „%1“ war nach einem abgebrochenen Speichern "
                  "unvollständig (%2 statt %3 Bytes); sie wurde aus der Kopie „%4“ "
                  "wiederhergestellt.")
                   .arg(QDir::toNativeSeparators(filePath))
                   .arg(now.size())
                   .arg(old.size())
                   .arg(QDir::toNativeSeparators(copyPath)),
               MsgIcon::Warning);
    return true;
}

}  // namespace lumo
