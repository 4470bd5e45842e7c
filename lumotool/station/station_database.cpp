#include "station/station_database.h"

#include "core/cp1252.h"
#include "core/ui_seam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

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

std::optional<QByteArray> FieldValue(const QByteArray& record, const QByteArray& key) {
    const QByteArray marker = KeyWithEquals(key);
    const qsizetype at = record.indexOf(marker);
    if (at < 0) return std::nullopt;
    const qsizetype start = at + marker.size();
    const qsizetype stop = record.indexOf(';', start);
    if (stop < 0) return std::nullopt;
    return record.mid(start, stop - start);
}

std::optional<QByteArray> ReplaceField(const QByteArray& record, const QByteArray& key,
                                       const QByteArray& value) {
    const QByteArray marker = KeyWithEquals(key);
    const qsizetype at = record.indexOf(marker);
    if (at < 0) return std::nullopt;
    const qsizetype start = at + marker.size();
    const qsizetype stop = record.indexOf(';', start);
    if (stop < 0) return std::nullopt;
    return record.left(start) + value + record.mid(stop);
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

// A save killed between the moment QSaveFile gives its temporary file a
// name and the rename leaves "<file>.XXXXXX" (six random letters) beside
// the file. The next successful save removes such files; a name that reads
// like a word (all small, all capital, or a capital and small letters, as
// in "MavikDatenbank.txt.backup") is left alone, as a user may have put a
// copy there. Links are never removed.
void RemoveStaleTemporaries(const QString& filePath) {
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
const char* const kFileErrorCaption = QT_TRANSLATE_NOOP("lumo::StationDatabase", "Fehler");
constexpr int kMaxErrorText = 127;

}  // namespace

StationDatabase::StationDatabase() : StationDatabase(DefaultFilePath()) {}

StationDatabase::StationDatabase(QString filePath) : filePath_(std::move(filePath)) {}

StationDatabase::~StationDatabase() = default;

QString StationDatabase::DefaultFilePath() {
#ifdef _WIN32
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
    const QString folder =
        (length > 0 && length < MAX_PATH) ? QString::fromWCharArray(buffer, int(length)) : QString();
    return folder + QStringLiteral("\\MavikDatenbank.txt");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Mavik/MavikDatenbank.txt");
#endif
}

void StationDatabase::showFileError(const QString& description) {
    Message message;
    message.text = description.left(kMaxErrorText);
    message.caption = tr(kFileErrorCaption);
    message.icon = MsgIcon::Stop;
    ui().showMessage(message);
}

bool StationDatabase::readFile(QByteArray& text, QString& error, bool& missing) const {
    missing = false;
    QFile file(filePath_);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        missing = !QFileInfo::exists(filePath_);
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
        Message message;
        message.text = tr("Fehler beim Lesen der Parameter");
        message.caption = kAppCaption;
        ui().showMessage(message);
        return 0;
    }
    id_ = id;

    QByteArray text;
    QString error;
    bool missing = false;
    if (!readFile(text, error, missing)) {
        showFileError(error);
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
    SaveFile();
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
            showFileError(error);
            return;
        }
        text.clear();
    }
    fileText_ = station::CutBehindLastBracket(text) + record;
    SaveFile();
}

void StationDatabase::SaveFile() {
    const QString folder = QFileInfo(filePath_).absolutePath();
    QDir().mkpath(folder);  // a failure shows up when the file is opened

    // Written beside the old file and renamed over it: a crash or a full
    // disk leaves either the old or the new file whole. Where the folder
    // lets no file be created beside it but the file itself is writable
    // (on Windows the Windows folder, for ordinary users), the file is
    // written in place instead, as the only way to store anything.
    QSaveFile file(filePath_);
    file.setDirectWriteFallback(true);  // Qt does this on Unix only
    if (!file.open(QIODevice::WriteOnly)) {
#ifndef Q_OS_UNIX
        if (QFileInfo(filePath_).isFile()) {
            writeInPlace();
            return;
        }
#endif
        showFileError(file.errorString());
        return;
    }
    // QSaveFile's commit() does not notice a write that fails while its
    // buffer is flushed (it would put a cut file in place), so the buffer is
    // flushed and checked here first. Without commit() the temporary file is
    // removed and the old file stays.
    if (file.write(fileText_) != fileText_.size() || !file.flush()) {
        const QString error = file.errorString();
        file.cancelWriting();
        showFileError(error);
        return;
    }
    if (!file.commit()) {
        showFileError(file.errorString());
        return;
    }
    RemoveStaleTemporaries(filePath_);
}

void StationDatabase::writeInPlace() {
    QFile file(filePath_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(fileText_) != fileText_.size() || !file.flush())
        showFileError(file.errorString());
}

}  // namespace lumo
