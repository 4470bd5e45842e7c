// Many random edits of a generated station file: after every one, each
// record other than the edited one is still there byte for byte, and the
// edited one holds exactly the new value.
#include "records/station_database.h"

#include "core/cp1252.h"

#include "station_test_util.h"
#include "support/recording_ui.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace lumo {
namespace {

using Setter = void (StationDatabase::*)(const QString&);
using Getter = QString (StationDatabase::*)();

struct Key {
    const char* name;
    Setter write;
    Getter read;
};

const Key kKeys[] = {
    {station::kTankstelle, &StationDatabase::WriteTankstelle, &StationDatabase::ReadTankstelle},
    {station::kStrasse, &StationDatabase::WriteStrasse, &StationDatabase::ReadStrasse},
    {station::kPlz, &StationDatabase::WritePlz, &StationDatabase::ReadPlz},
    {station::kOrt, &StationDatabase::WriteOrt, &StationDatabase::ReadOrt},
    {station::kZsMarke, &StationDatabase::WriteZsMarke, &StationDatabase::ReadZsMarke},
    {station::kZsType, &StationDatabase::WriteZsType, &StationDatabase::ReadZsType},
    {station::kZsBj, &StationDatabase::WriteZsBj, &StationDatabase::ReadZsBj},
    {station::kLZsNr, &StationDatabase::WriteLZsNr, &StationDatabase::ReadLZsNr},
    {station::kRZsNr, &StationDatabase::WriteRZsNr, &StationDatabase::ReadRZsNr},
    {station::kDiagTyp, &StationDatabase::WriteDiagTyp, &StationDatabase::ReadDiagTyp},
};
constexpr int kKeyCount = 10;

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    // Text of up to 12 characters drawn from letters, digits, umlauts and
    // the characters and words the file format gives a meaning.
    QString value() {
        static const QStringList pieces = {
            "a", "Z", "7", " ", "ä", "ß", "€", ";", "=", "[", "]", "\r\n", "Ort", "Ort=",
            "Diag-Typ", "Diag-Typ=", "PLZ=", "[ID-Nummer=", "ID-Nummer=0000000001;", "Ortsweg"};
        QString out;
        for (int i = below(6); i > 0; --i) out += pieces[below(int(pieces.size()))];
        return out;
    }

private:
    std::mt19937 rng_;
};

// The value as the file holds it after a write.
QString Stored(const QString& value) {
    return FromCp1252(station::SafeValue(ToCp1252(value)));
}

QString IdOf(int n) { return QString::asprintf("%010d", n); }

TEST(StationFuzzTest, RandomEditsChangeOnlyTheirOwnField) {
    test::RecordingUi ui;
    test::StationFile file;
    Generator gen(20261207);

    // The model: every record's ten values, by identification number.
    std::map<QString, std::array<QString, kKeyCount>> model;
    std::vector<QString> order;  // append order

    auto append = [&](int number) {
        const QString id = IdOf(number);
        std::array<QString, kKeyCount> v;
        for (QString& s : v) s = gen.value();
        StationDatabase db(file.path());
        // Argument order: ZS-Bj, ZS-Marke, Tankstelle, Ort, PLZ, Strasse,
        // ZS-Type, L-ZS-Nr, R-ZS-Nr, Diag-Typ.
        db.AppendRecord(id, v[6], v[4], v[0], v[3], v[2], v[1], v[5], v[7], v[8], v[9]);
        for (QString& s : v) s = Stored(s);
        model[id] = v;
        order.push_back(id);
    };
    // Numbers that are prefixes of one another, to try the exact match.
    for (int number : {1, 12, 123, 1234, 2, 21, 210, 99})
        append(number);

    auto expectedFile = [&]() {
        QByteArray text;
        for (const QString& id : order) {
            const auto& v = model[id];
            station::RecordValues r;
            r.id = ToCp1252(id);
            QByteArray* fields[kKeyCount] = {&r.tankstelle, &r.strasse, &r.plz,   &r.ort,
                                             &r.zsMarke,    &r.zsType,  &r.zsBj,  &r.lZsNr,
                                             &r.rZsNr,      &r.diagTyp};
            for (int k = 0; k < kKeyCount; ++k) *fields[k] = ToCp1252(v[size_t(k)]);
            // Each append goes directly behind the last "]".
            text = station::CutBehindLastBracket(text) + station::BuildRecord(r);
        }
        return text;
    };

    for (int round = 0; round < 400; ++round) {
        if (gen.below(25) == 0) {
            append(1000 + round);
        } else {
            const QString id = order[size_t(gen.below(int(order.size())))];
            const int k = gen.below(kKeyCount);
            const QString value = gen.value();
            StationDatabase db(file.path());
            ASSERT_EQ(db.LoadRecord(id), 1);
            ASSERT_FALSE(db.RecordText().isEmpty()) << id.toStdString();
            (db.*kKeys[k].write)(value);
            model[id][size_t(k)] = Stored(value);
        }
        // The whole file equals the one built from the model, up to its last "]".
        const QByteArray actual = station::CutBehindLastBracket(file.read());
        ASSERT_EQ(actual, station::CutBehindLastBracket(expectedFile())) << "round " << round;
    }

    // And every value reads back through the getters.
    for (const QString& id : order) {
        StationDatabase db(file.path());
        ASSERT_EQ(db.LoadRecord(id), 1);
        for (int k = 0; k < kKeyCount; ++k)
            EXPECT_EQ((db.*kKeys[k].read)(), model[id][size_t(k)]) << id.toStdString() << " "
                                                                   << kKeys[k].name;
    }
    EXPECT_EQ(ui.count(), 0u);
}

// Hand-damaged records scattered through the file: no edit of any other
// record, and no edit of a damaged record, changes a damaged record.
TEST(StationFuzzTest, DamagedRecordsSurviveRandomEdits) {
    test::RecordingUi ui;
    test::StationFile file;
    Generator gen(4711);

    const QByteArray noDiag = "\r\n[ID-Nummer=0000000050;\r\nTankstelle=ohne;\r\nOrt=O;\r\n";
    const QByteArray noBracket =
        "\r\n[ID-Nummer=0000000051;\r\nTankstelle=offen;\r\nOrt=O;\r\nDiag-Typ=1;\r\n";
    auto good = [](int n) {
        station::RecordValues r;
        r.id = ToCp1252(IdOf(n));
        r.ort = "Ort" + QByteArray::number(n);
        r.diagTyp = "1";
        return station::BuildRecord(r);
    };
    file.write(good(1) + noDiag + good(2) + noBracket + good(3));

    for (int round = 0; round < 200; ++round) {
        const int pick = gen.below(5);
        const QString id = IdOf(pick < 3 ? pick + 1 : 50 + (pick - 3));
        StationDatabase db(file.path());
        ASSERT_EQ(db.LoadRecord(id), 1);
        (db.*kKeys[gen.below(kKeyCount)].write)(gen.value());
        const QByteArray text = file.read();
        ASSERT_TRUE(text.contains(noDiag + "\r\n[ID-Nummer=0000000002;")) << round;
        ASSERT_TRUE(text.contains(noBracket + "\r\n[ID-Nummer=0000000003;")) << round;
        ASSERT_EQ(text.count("[ID-Nummer="), 5);
    }
    EXPECT_EQ(ui.count(), 0u);
}

}  // namespace
}  // namespace lumo
