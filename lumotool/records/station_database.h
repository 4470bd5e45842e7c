// The station text database: one text file on the PC that holds, for every
// controller the PC has served, the data of its fuel station and dispenser,
// keyed by the controller's ten-digit identification number.
//
// File format (Windows-1252 bytes, CR LF line ends), one record per
// controller in the order they were appended:
//
//   \r\n[ID-Nummer=<id>;\r\n
//   Tankstelle=<v>;\r\n  Strasse=<v>;\r\n  PLZ=<v>;\r\n  Ort=<v>;\r\n
//   ZS-Marke=<v>;\r\n  ZS-Type=<v>;\r\n  ZS-Bj=<v>;\r\n  L-ZS-Nr=<v>;\r\n
//   R-ZS-Nr=<v>;\r\n  Diag-Typ=<v>;]\r\n
//
// A value ends at the first ";" behind its "KEY=". Everything behind the
// file's last "]" is dropped when the file is read.
//
// Values the format cannot hold are made safe before they are written (see
// station::SafeValue): ";" becomes ",", "[" and "]" become "(" and ")",
// line breaks become blanks, and the "=" behind a key name becomes ":".
// Reading never changes anything, so every file in the format above reads
// back unchanged.
#pragma once

#include <QCoreApplication>
#include <QByteArray>
#include <QString>

#include <optional>

namespace lumo {

// Pure operations on the file text (bytes), apart from any file access.
namespace station {

// Key names as they stand in the file.
inline constexpr char kIdKey[] = "ID-Nummer";
inline constexpr char kTankstelle[] = "Tankstelle";
inline constexpr char kStrasse[] = "Strasse";
inline constexpr char kPlz[] = "PLZ";
inline constexpr char kOrt[] = "Ort";
inline constexpr char kZsMarke[] = "ZS-Marke";
inline constexpr char kZsType[] = "ZS-Type";
inline constexpr char kZsBj[] = "ZS-Bj";
inline constexpr char kLZsNr[] = "L-ZS-Nr";
inline constexpr char kRZsNr[] = "R-ZS-Nr";
inline constexpr char kDiagTyp[] = "Diag-Typ";

// The text up to and including its last "]"; empty without any "]".
QByteArray CutBehindLastBracket(const QByteArray& text);

// Where the record of one identification number lies in the file text.
struct RecordSpan {
    qsizetype begin = 0;  // its "["
    qsizetype end = 0;    // one behind its closing "]" (or behind its text)
    // False for a record edited by hand that lacks its "Diag-Typ" key or its
    // closing "]": it can be read, but must not be changed.
    bool complete = false;
};

// Finds the first record "[ID-Nummer=<id>;" (the ";" makes the match
// exact). A record ends at the first "]" behind its "Diag-Typ" key; neither
// is looked for beyond the start of the next record, so a damaged record
// never takes in the records behind it.
std::optional<RecordSpan> FindRecord(const QByteArray& fileText, const QByteArray& id);

// Value of KEY in a record text: the bytes between "KEY=" and the next ";".
std::optional<QByteArray> FieldValue(const QByteArray& record, const QByteArray& key);

// The record text with KEY's value replaced, everything else unchanged;
// nullopt when "KEY=" or its ";" is missing.
std::optional<QByteArray> ReplaceField(const QByteArray& record, const QByteArray& key,
                                       const QByteArray& value);

// The value as the format can hold it (rules at the top of this file).
QByteArray SafeValue(const QByteArray& value);

// Values of one record, as they go into the file.
struct RecordValues {
    QByteArray id;
    QByteArray tankstelle, strasse, plz, ort, zsMarke, zsType, zsBj, lZsNr, rZsNr, diagTyp;
};

// A whole record as appended to the file: "\r\n[ID-Nummer=" ... ";]\r\n".
// Every value passes through SafeValue.
QByteArray BuildRecord(const RecordValues& values);

}  // namespace station

// Reads and changes the station file for one identification number. Short-
// lived: load one record, read or change its fields, destroy. No file stays
// open between calls; every change rewrites the whole file, through a
// temporary file renamed over the old one, so the file is always whole;
// only where the folder lets no temporary file be created is the file
// written in place, with a copy of the old file kept until the write is
// done.
class StationDatabase {
    Q_DECLARE_TR_FUNCTIONS(lumo::StationDatabase)

public:
    // Works on the file at DefaultFilePath().
    StationDatabase();
    // Works on the given file (tests and tools); while it does not exist, a
    // legacyPath file is read instead (the next save goes to filePath).
    explicit StationDatabase(QString filePath, QString legacyPath = {});
    virtual ~StationDatabase();

    // <user data folder>/Mavik/MavikDatenbank.txt (StationFilePath(); on
    // Windows in %APPDATA%). The default object also reads the file of
    // earlier Windows versions in the Windows folder while only that exists.
    static QString DefaultFilePath();
    QString filePath() const { return filePath_; }
    // Whether there is a file to read: at filePath, or while only that
    // exists the older one.
    bool FileExists() const;

    // Reads the file and looks up the record of id. 1 when the file was read
    // (found or not: test RecordText() for that), 0 when nothing could be
    // read; both failures show a message.
    int LoadRecord(const QString& id);

    // Getters: the key's value in the loaded record, or the field's earlier
    // content when the key is missing. They never touch the file.
    QString ReadTankstelle();
    QString ReadStrasse();
    QString ReadPlz();
    QString ReadOrt();
    QString ReadZsMarke();
    QString ReadZsType();
    QString ReadZsBj();
    QString ReadLZsNr();
    QString ReadRZsNr();
    QString ReadDiagTyp();

    // Setters: replace the key's value in the loaded record and write the
    // whole file at once. Without a loaded record, without the key or in a
    // record edited by hand beyond repair they write nothing. The field
    // always takes the (safe) value.
    void WriteTankstelle(const QString& value);
    void WriteStrasse(const QString& value);
    void WritePlz(const QString& value);
    void WriteOrt(const QString& value);
    void WriteZsMarke(const QString& value);
    void WriteZsType(const QString& value);
    void WriteZsBj(const QString& value);
    void WriteLZsNr(const QString& value);
    void WriteRZsNr(const QString& value);
    void WriteDiagTyp(const QString& value);

    // Appends a new record for id to the file as it is now; the callers use
    // it only when LoadRecord found no record of that id.
    void AppendRecord(const QString& id, const QString& zsBj, const QString& zsMarke,
                      const QString& tankstelle, const QString& ort, const QString& plz,
                      const QString& strasse, const QString& zsType, const QString& lZsNr,
                      const QString& rZsNr, const QString& diagTyp);

    // Writes the held file text to the file.
    void SaveFile();

    // While one of these lives, the setters change the held text only; the
    // file is written once when it goes (if anything changed).
    class Changes {
    public:
        explicit Changes(StationDatabase& db) : db_(db) { ++db_.holdSaves_; }
        ~Changes();
        Changes(const Changes&) = delete;
        Changes& operator=(const Changes&) = delete;

    private:
        StationDatabase& db_;
    };
    // Where the old file is kept while it is written in place: in the
    // per-user data folder, named after the station file.
    static QString InPlaceCopyPath(const QString& filePath);
    // At start: a copy left by a write in place that never ended (a kill, a
    // power cut) is put back when the file is shorter than the copy or does
    // not end as a whole file does, with a message that names both; a file
    // that is whole makes the copy go. Nothing happens without a copy.
    // True when the file was found cut (put back, or not when that failed).
    static bool RecoverInPlaceWrite(const QString& filePath = DefaultFilePath());

    // The loaded record from its "[" to its "]"; empty when not found.
    QByteArray RecordText() const { return recordText_; }
    // Whether the loaded record has its "Diag-Typ" key and closing "]". A
    // record edited by hand without them is read, but never changed.
    bool RecordIsComplete() const { return recordComplete_; }
    QByteArray FileText() const { return fileText_; }
    QString Identification() const { return id_; }

private:
    QString readField(const char* key, QString& field);
    void writeField(const char* key, QString& field, const QString& value);
    // Writes the held file text into the file itself, without a temporary
    // file: only where the folder refuses one. The old file is copied to
    // InPlaceCopyPath() first and put back when the write fails.
    void writeInPlace();
    // Reads the whole file into text. Returns false and leaves a message
    // text in error when the file exists but cannot be read; a missing file
    // sets missing and returns false.
    bool readFile(QByteArray& text, QString& error, bool& missing);

    QString filePath_;
    QString legacyPath_;
    QByteArray fileText_;
    QByteArray recordText_;
    QString id_;
    QString diagTyp_, zsBj_, zsType_, zsMarke_, rZsNr_, lZsNr_, ort_, plz_, strasse_, tankstelle_;
    QByteArray textBefore_;
    QByteArray textAfter_;
    bool recordComplete_ = false;
    int holdSaves_ = 0;
    bool changed_ = false;
};

}  // namespace lumo
