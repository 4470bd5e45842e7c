#include "records/log_text.h"

#include <QList>

#include <gtest/gtest.h>

#include <random>

namespace lumo {
namespace {

using logtext::DateText;
using logtext::DeviationCell;
using logtext::DeviationText;
using logtext::ErrorThresholdText;
using logtext::TimeText;

QList<QByteArray> Lines(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    EXPECT_TRUE(lines.last().isEmpty()) << "text does not end with a line end";
    lines.removeLast();
    for (QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r')) << line.constData();
        line.chop(1);
    }
    return lines;
}

// The line as a viewer shows it, with tab stops every 8 columns.
QByteArray ExpandTabs(const QByteArray& line) {
    QByteArray out;
    for (char c : line) {
        if (c == '\t')
            do out += ' '; while (out.size() % 8 != 0);
        else
            out += c;
    }
    return out;
}

RefuellingRecord MakeRecord(uint32_t liquid, uint32_t gas, uint8_t outputs, uint8_t s, uint8_t mi,
                            uint8_t h, uint8_t d, uint8_t mo, uint8_t y) {
    RefuellingRecord r;
    r.liquidMl = liquid;
    r.gasMl = gas;
    r.outputs = outputs;
    r.second = s;
    r.minute = mi;
    r.hour = h;
    r.day = d;
    r.month = mo;
    r.year = y;
    return r;
}

LogFileValues SmallLeftFile() {
    LogFileValues v;
    v.side = Side::Left;
    v.identification = QStringLiteral("0000001234");
    v.stationName = QStringLiteral("Tankstelle Nord");
    v.dispenserNumber = QStringLiteral("3");
    v.liquidCalibration = 100;
    v.gasCalibration = 99;
    v.triggerThreshold = 20;
    v.errorThreshold = 10;
    v.errorCounter = 7;
    // Row 14: the worked example of a complete row.
    v.rows[0].record = MakeRecord(12345, 11850, 0x05, 9, 45, 13, 24, 12, 5);
    v.rows[0].sensors = 0x10;
    // Row 13: its first read failed.
    v.rows[1].volumesRead = false;
    // Row 12: the sensor read failed.
    v.rows[2].record = MakeRecord(1000, 950, 0xFF, 1, 2, 3, 4, 5, 6);
    v.rows[2].sensorsRead = false;
    // Row 11: the second half of the record could not be read.
    v.rows[3].record = MakeRecord(0, 100, 0xFF, 1, 2, 3, 4, 5, 6);
    v.rows[3].sensors = 0x20;
    v.rows[3].flagsAndTimeRead = false;
    // Rows 10 to 1: never written, all bytes 0.
    return v;
}

// Written out by hand from the file layout.
QByteArray GoldenSmallLeftFile() {
    const QByteArray sep =
        "+---------+-----------+----------+----+----+----+----+----+----+--------+--------+--------+\r\n";
    QByteArray t;
    t += "=========================================+================================+\r\n";
    t += " Ger\xE4te-Id: 0000001234                   | Fehlerz\xE4hlerinhalt: 7          |\r\n";
    t += "-----------------------------------------+--------------------------------+\r\n";
    t += " Tankstelle:\tTankstelle Nord          | Zapfs\xE4ulennr.:\t3         |\r\n";
    t += "-----------------------------------------+--------------------------------+\r\n";
    t += " Geberanpassung:                                                          |\r\n";
    t += "                                                                          |\r\n";
    t += " Fl\xFCssigkeitsz\xE4hler:\t100 Impl/l\t | Gasz\xE4hler:\t99 Impl/l\t  |\r\n";
    t += "-----------------------------------------+--------------------------------+\r\n";
    t += " Triggerschwelle:\t20 l/Min\t | Fehlerschwelle:\t10%\t  |\r\n";
    t += "=========================================+================================+\r\n";
    t += "\r\n";
    t += "+---------+----------------------+---------+-------------------+--------+--------+--------+\r\n";
    t += "| Tankung |   Istwert [ml]       | Sorten  | Ausgang Q         | Datum  | Zeit   | Fehler |\r\n";
    t += "+---------+----------------------+---------+-------------------+--------+--------+--------+\r\n";
    t += "|   Nr.   |Fl\xFCssigkeit|  Gas     | DK | VK |  1 |  2 |  3 |  4 | T.M.J. | H:M:S  |   %    |\r\n";
    t += "|         |           |          |    |    |GNL |GEL |ZPFr|ZVSp|        |        |        |\r\n";
    t += sep;
    t += "|     14  |0000012345 |0000011850|  0 |  1 |  1 |  0 |  1 |  0 |24.12.05|13:45:09| 4.01   |\r\n";
    t += sep;
    t += "|     13  |           |          |    |    |    |    |    |    |        |        |        |\r\n";
    t += sep;
    t += "|     12  |0000001000 |0000000950|    |    |    |    |    |    |        |        |        |\r\n";
    t += sep;
    t += "|     11  |0000000000 |0000000100|  1 |  0 |    |    |    |    |        |        |        |\r\n";
    t += sep;
    for (const char* n : {"  10", "   9", "   8", "   7", "   6", "   5", "   4", "   3", "   2",
                          "   1"}) {
        t += QByteArray("|   ") + n +
             "  |0000000000 |0000000000|  0 |  0 |  0 |  0 |  0 |  0 |00.00.00|00:00:00| 0.00   |\r\n";
        t += sep;
    }
    return t;
}

TEST(LogTextTest, SmallLeftFileMatchesHandWrittenText) {
    const QList<QByteArray> actual = Lines(BuildLogText(SmallLeftFile()));
    const QList<QByteArray> golden = Lines(GoldenSmallLeftFile());
    ASSERT_EQ(actual.size(), golden.size());
    for (qsizetype i = 0; i < golden.size(); ++i)
        EXPECT_EQ(actual[i].toStdString(), golden[i].toStdString()) << "line " << i;
    EXPECT_EQ(BuildLogText(SmallLeftFile()), GoldenSmallLeftFile());
}

TEST(LogTextTest, EveryTableLineIs91CharactersWhateverTheValues) {
    std::mt19937 rng(91);
    auto byte = [&] { return uint8_t(rng() & 0xFF); };
    for (int trial = 0; trial < 200; ++trial) {
        LogFileValues v;
        v.side = trial % 2 ? Side::Right : Side::Left;
        for (LogRowValues& row : v.rows) {
            row.record = MakeRecord(rng(), rng(), byte(), byte() % 128, byte(), byte(), byte(),
                                    byte(), byte());
            if (trial % 3 == 0) row.record.liquidMl = row.record.gasMl = 0xFFFFFFFF;
            row.sensors = byte();
            row.volumesRead = rng() % 5 != 0;
            row.sensorsRead = rng() % 5 != 0;
            row.flagsAndTimeRead = rng() % 5 != 0;
        }
        const QList<QByteArray> lines = Lines(BuildLogText(v));
        ASSERT_EQ(lines.size(), 12 + 6 + 2 * 14);
        for (qsizetype i = 12; i < lines.size(); ++i)
            ASSERT_EQ(lines[i].size(), 91) << "trial " << trial << " line " << i << ": "
                                           << lines[i].constData();
    }
}

TEST(LogTextTest, HeaderBarsLineUpAtTabStopsAndGrowOnlyWithLongValues) {
    LogFileValues v = SmallLeftFile();
    for (const char* name : {"", "A", "Tankstelle am Marktplatz"}) {  // up to 25 characters
        v.stationName = QString::fromUtf8(name);
        const QList<QByteArray> lines = Lines(logtext::Header(v));
        ASSERT_EQ(lines.size(), 12);
        for (int i = 0; i < 11; ++i) EXPECT_EQ(ExpandTabs(lines[i]).size(), 75) << i << ": " << name;
        for (int i : {1, 3, 7, 9}) EXPECT_EQ(ExpandTabs(lines[i]).indexOf('|'), 41) << i << ": " << name;
        EXPECT_TRUE(lines[11].isEmpty());
    }

    // Longer values are neither cut nor padded; they push the bars right.
    v.stationName = QStringLiteral("Tankstelle am Marktplatz 12");  // 27 characters
    v.errorCounter = 9999;
    v.dispenserNumber = QStringLiteral("12");
    const QList<QByteArray> lines = Lines(logtext::Header(v));
    EXPECT_EQ(lines[1].indexOf('|'), 41);
    EXPECT_EQ(lines[1].size(), 75 + 3);
    EXPECT_EQ(lines[3], QByteArray(" Tankstelle:\tTankstelle am Marktplatz 12| Zapfs\xE4ulennr.:\t12         |"));
}

TEST(LogTextTest, HeaderTextIsWindows1252) {
    LogFileValues v = SmallLeftFile();
    v.stationName = QStringLiteral("Müller & Söhne");
    const QByteArray text = BuildLogText(v);
    EXPECT_TRUE(text.contains(" Tankstelle:\tM\xFCller & S\xF6hne"));
    EXPECT_FALSE(text.contains('\xC3'));  // no UTF-8 anywhere
    // Station field padded by characters (bytes), not by UTF-8 length.
    EXPECT_TRUE(text.contains(" Tankstelle:\tM\xFCller & S\xF6hne           | Zapfs"));
}

TEST(LogTextTest, EmptyIdentificationAndUnknownStationArePaddedWithBlanks) {
    LogFileValues v = SmallLeftFile();
    v.identification.clear();
    v.stationName.clear();
    v.dispenserNumber.clear();
    const QList<QByteArray> lines = Lines(logtext::Header(v));
    EXPECT_EQ(lines[1], " Ger\xE4te-Id: " + QByteArray(29, ' ') +
                            "| Fehlerz\xE4hlerinhalt: 7          |");
    EXPECT_EQ(lines[3], " Tankstelle:\t" + QByteArray(25, ' ') + "| Zapfs\xE4ulennr.:\t         |");
}

TEST(LogTextTest, UnreadHeaderValuesShowAQuestionMark) {
    LogFileValues v = SmallLeftFile();
    v.liquidCalibration.reset();
    v.gasCalibration.reset();
    v.triggerThreshold.reset();
    v.errorThreshold.reset();
    v.errorCounter.reset();
    const QList<QByteArray> lines = Lines(logtext::Header(v));
    EXPECT_TRUE(lines[1].endsWith("| Fehlerz\xE4hlerinhalt: ?          |"));
    EXPECT_EQ(lines[7], " Fl\xFCssigkeitsz\xE4hler:\t? Impl/l\t | Gasz\xE4hler:\t? Impl/l\t  |");
    EXPECT_EQ(lines[9], " Triggerschwelle:\t? l/Min\t | Fehlerschwelle:\t?%\t  |");
}

TEST(LogTextTest, ErrorThresholdAboveHundredIsDashesOnTheLeftOnly) {
    EXPECT_EQ(ErrorThresholdText(Side::Left, 100), "100");
    EXPECT_EQ(ErrorThresholdText(Side::Left, 101), "--");
    EXPECT_EQ(ErrorThresholdText(Side::Left, 255), "--");
    EXPECT_EQ(ErrorThresholdText(Side::Right, 101), "101");
    EXPECT_EQ(ErrorThresholdText(Side::Right, 0), "0");
    EXPECT_EQ(ErrorThresholdText(Side::Left, std::nullopt), "?");

    LogFileValues v = SmallLeftFile();
    v.errorThreshold = 101;
    v.liquidCalibration = 255;
    v.triggerThreshold = 255;
    EXPECT_TRUE(BuildLogText(v).contains(" Triggerschwelle:\t255 l/Min\t | Fehlerschwelle:\t--%\t  |\r\n"));
    EXPECT_TRUE(BuildLogText(v).contains(":\t255 Impl/l\t | Gasz"));
    v.side = Side::Right;
    EXPECT_TRUE(BuildLogText(v).contains("Fehlerschwelle:\t101%\t  |\r\n"));
}

TEST(LogTextTest, ErrorCounterUsesAllSixteenBits) {
    LogFileValues v = SmallLeftFile();
    v.errorCounter = 65535;
    EXPECT_TRUE(logtext::Header(v).contains("| Fehlerz\xE4hlerinhalt: 65535          |\r\n"));
}

TEST(LogTextTest, DateAndTimeAreEightCharactersOrThePlaceholder) {
    EXPECT_EQ(DateText(24, 12, 5), "24.12.05");
    EXPECT_EQ(DateText(1, 1, 0), "01.01.00");
    EXPECT_EQ(DateText(99, 99, 99), "99.99.99");
    EXPECT_EQ(DateText(100, 1, 1), "00:00:00");
    EXPECT_EQ(DateText(1, 1, 255), "00:00:00");
    EXPECT_EQ(DateText(255, 255, 255), "00:00:00");
    EXPECT_EQ(TimeText(13, 45, 9), "13:45:09");
    EXPECT_EQ(TimeText(0, 0, 0), "00:00:00");
    EXPECT_EQ(TimeText(1, 2, 100), "00:00:00");
    EXPECT_EQ(TimeText(255, 255, 255), "00:00:00");
}

TEST(LogTextTest, DeviationIsSymmetricAndFitsItsCell) {
    EXPECT_EQ(DeviationText(12345, 11850), "4.01");
    EXPECT_EQ(DeviationText(950, 1000), "5.00");
    EXPECT_EQ(DeviationText(1000, 950), "5.00");
    EXPECT_EQ(DeviationText(0, 0), "0.00");
    EXPECT_EQ(DeviationText(777, 777), "0.00");
    EXPECT_EQ(DeviationText(0xFFFFFFFF, 0xFFFFFFFF), "0.00");
    EXPECT_EQ(DeviationText(0, 5), "100.00");
    EXPECT_EQ(DeviationText(5, 0), "100.00");
    EXPECT_EQ(DeviationText(1000, 875), "12.50");
    EXPECT_EQ(DeviationText(0xFFFFFFFF, 1), "100.00");

    EXPECT_EQ(DeviationCell("0.00"), " 0.00   |");
    EXPECT_EQ(DeviationCell("12.50"), " 12.50  |");
    EXPECT_EQ(DeviationCell("100.00"), " 100.00 |");
    EXPECT_EQ(DeviationCell("1"), " 1      |");
    EXPECT_EQ(DeviationCell(""), "        |");
    EXPECT_EQ(DeviationCell("1000.00"), "        |");
}

TEST(LogTextTest, RowCellsFollowTheSideBits) {
    struct Case {
        Side side;
        uint8_t sensors;
        uint8_t outputs;
        const char* flags;  // DK VK Q1..Q4
    };
    const Case cases[] = {
        {Side::Left, 0x20, 0x01, "  1 |  0 |  1 |  0 |  0 |  0 |"},
        {Side::Left, 0x10, 0x02, "  0 |  1 |  0 |  1 |  0 |  0 |"},
        {Side::Left, 0xCF, 0xF4, "  0 |  0 |  0 |  0 |  1 |  0 |"},
        {Side::Left, 0x30, 0x08, "  1 |  1 |  0 |  0 |  0 |  1 |"},
        {Side::Right, 0x80, 0x10, "  1 |  0 |  1 |  0 |  0 |  0 |"},
        {Side::Right, 0x40, 0x20, "  0 |  1 |  0 |  1 |  0 |  0 |"},
        {Side::Right, 0x3F, 0x4F, "  0 |  0 |  0 |  0 |  1 |  0 |"},
        {Side::Right, 0xC0, 0x80, "  1 |  1 |  0 |  0 |  0 |  1 |"},
    };
    for (const Case& c : cases) {
        LogRowValues row;
        row.record = MakeRecord(5, 5, c.outputs, 0, 0, 0, 1, 1, 1);
        row.sensors = c.sensors;
        const QByteArray text = logtext::Row(c.side, 1, row);
        EXPECT_EQ(text, "|      1  |0000000005 |0000000005|" + QByteArray(c.flags) +
                            "01.01.01|00:00:00| 0.00   |\r\n" + logtext::RowSeparator())
            << int(c.sensors) << " " << int(c.outputs);
    }
}

TEST(LogTextTest, ErasedMemoryRows) {
    LogRowValues row;
    row.record = MakeRecord(0xFFFFFFFF, 0xFFFFFFFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF);
    row.sensors = 0xFF;
    EXPECT_EQ(logtext::Row(Side::Right, 3, row),
              "|      3  |4294967295 |4294967295|  1 |  1 |  1 |  1 |  1 |  1 |00:00:00|00:00:00| 0.00   |\r\n" +
                  logtext::RowSeparator());
}

TEST(LogTextTest, RowsRunFromFourteenDownToOneInAddressOrder) {
    LogFileValues v;
    for (int k = 0; k < 14; ++k) v.rows[size_t(k)].record.liquidMl = uint32_t(k + 1);
    const QList<QByteArray> lines = Lines(BuildLogText(v));
    for (int k = 0; k < 14; ++k) {
        const QByteArray& row = lines[18 + 2 * k];
        EXPECT_TRUE(row.startsWith(QByteArray("|   ") + QByteArray::number(14 - k).rightJustified(4, ' ') +
                                   "  |" + QByteArray::number(k + 1).rightJustified(10, '0') + " |"))
            << row.constData();
        EXPECT_EQ(lines[19 + 2 * k], logtext::RowSeparator().chopped(2));
    }
}

TEST(LogTextTest, FileNamesCarryTheSide) {
    EXPECT_EQ(LogFileName(Side::Left, QStringLiteral("0000001234")), QStringLiteral("0000001234_L.log"));
    EXPECT_EQ(LogFileName(Side::Right, QStringLiteral("0000001234")), QStringLiteral("0000001234_R.log"));
    EXPECT_EQ(LogFileName(Side::Left, QString()), QStringLiteral("_L.log"));
}

}  // namespace
}  // namespace lumo
