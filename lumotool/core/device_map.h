// The controller's memory map: every address, byte count and encoding the
// program uses, with small value types and pure encode/decode functions.
// Dialogs and the log writer pass these constants to DeviceLink and decode
// the bytes here; no other file knows an address.
//
// Multi-byte numbers are unsigned little-endian; nothing is BCD. One
// transfer moves at most 8 bytes.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace lumo {

enum class Side { Left, Right };

namespace map {

// Largest block one read transfer moves.
inline constexpr int32_t kMaxTransfer = 8;

// ---- Program memory -------------------------------------------------------
inline constexpr int32_t kMetersLeftAddress = 1168;   // 0x490, liquid + gas meter
inline constexpr int32_t kMetersRightAddress = 1176;  // 0x498
inline constexpr int32_t kMetersLength = 8;

// Read as one block of 4: left petrol, left gas, right petrol, right gas.
inline constexpr int32_t kCalibrationAddress = 1184;  // 0x4A0
inline constexpr int32_t kCalibrationLength = 4;
// Written per side, 2 bytes: petrol, gas.
inline constexpr int32_t kCalibrationLeftAddress = 1184;   // 0x4A0
inline constexpr int32_t kCalibrationRightAddress = 1186;  // 0x4A2
inline constexpr int32_t kCalibrationWriteLength = 2;

inline constexpr int32_t kTriggerAddress = 1188;  // 0x4A4, left, right
inline constexpr int32_t kTriggerLength = 2;

// Thresholds (1 byte each) then error values (16-bit each).
inline constexpr int32_t kThresholdAddress = 1190;  // 0x4A6
inline constexpr int32_t kThresholdLength = 6;

inline constexpr int32_t kRecordsLeftBase = 1216;   // 0x4C0 .. 0x59F
inline constexpr int32_t kRecordsRightBase = 1440;  // 0x5A0 .. 0x67F
inline constexpr int32_t kRecordCount = 14;
inline constexpr int32_t kRecordSize = 16;
// A record is read as two transfers: address, address + 8.
inline constexpr int32_t kRecordTransfer = 8;

inline constexpr int32_t kIdentAddress = 1680;  // 0x690
inline constexpr int32_t kIdentLength = 4;

// ---- Process data ---------------------------------------------------------
inline constexpr int32_t kOperatingValueAddress = 4;
inline constexpr int32_t kSensorAddress = 21;  // 0x15
inline constexpr int32_t kSensorLength = 1;

inline constexpr int32_t kErrorTimeLeftAddress = 52;   // 0x34
inline constexpr int32_t kErrorTimeRightAddress = 56;  // 0x38
inline constexpr int32_t kErrorTimeLength = 2;

// Counter blocks: bytes 0-1 the counter, bytes 2-3 whatever follows it
// (80, 81 for the left block; 83, 84 for the right one). The left block's
// last byte is the right counter's low byte.
inline constexpr int32_t kCounterLeftAddress = 78;   // 0x4E
inline constexpr int32_t kCounterRightAddress = 81;  // 0x51
inline constexpr int32_t kCounterLength = 4;

// ---- Clock ----------------------------------------------------------------
inline constexpr int32_t kClockAddress = 0;
inline constexpr int32_t kClockLength = 7;

// ---- Ranges ---------------------------------------------------------------
inline constexpr int kCounterMax = 9999;
inline constexpr int kCalibrationMax = 255;
inline constexpr int kErrorTimeHoursMax = 71;
inline constexpr int kErrorTimeMinutesMax = 59;

// ---- Per-side addresses ---------------------------------------------------
constexpr int32_t CounterAddress(Side s) {
    return s == Side::Left ? kCounterLeftAddress : kCounterRightAddress;
}
constexpr int32_t ErrorTimeAddress(Side s) {
    return s == Side::Left ? kErrorTimeLeftAddress : kErrorTimeRightAddress;
}
constexpr int32_t CalibrationWriteAddress(Side s) {
    return s == Side::Left ? kCalibrationLeftAddress : kCalibrationRightAddress;
}
constexpr int32_t MetersAddress(Side s) {
    return s == Side::Left ? kMetersLeftAddress : kMetersRightAddress;
}
constexpr int32_t RecordsBase(Side s) {
    return s == Side::Left ? kRecordsLeftBase : kRecordsRightBase;
}
// Record k (1..14) of a side; record 1 lies at the base.
constexpr int32_t RecordAddress(Side s, int k) {
    return RecordsBase(s) + (k - 1) * kRecordSize;
}

// ---- Little-endian helpers --------------------------------------------------
constexpr uint16_t GetU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
constexpr uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
constexpr void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}
constexpr void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace map

// ---- Identification -----------------------------------------------------------
// The 32-bit number as ten decimal digits with leading zeros.
QString FormatIdentification(uint32_t number);
// From the 4 bytes read at kIdentAddress.
QString DecodeIdentification(const uint8_t* bytes);

// ---- Error counter block (4 bytes) ------------------------------------------
struct CounterBlock {
    std::array<uint8_t, 4> bytes{};

    static CounterBlock Decode(const uint8_t* b);
    uint16_t counter() const { return map::GetU16(bytes.data()); }
    // Sets bytes 0-1 and leaves bytes 2-3 as they are.
    void setCounter(uint16_t value) { map::PutU16(bytes.data(), value); }
    // Adds one unless the counter is already at 9999 or above.
    void increment();
};

// ---- Error time (2 bytes of minutes) ----------------------------------------
struct ErrorTime {
    uint32_t hours = 0;
    uint32_t minutes = 0;

    static ErrorTime FromMinutes(uint16_t total) { return {total / 60u, total % 60u}; }
    static ErrorTime Decode(const uint8_t* b) { return FromMinutes(map::GetU16(b)); }
    // hours x 60 + minutes, as a 16-bit number.
    uint16_t totalMinutes() const { return static_cast<uint16_t>(hours * 60u + minutes); }
    std::array<uint8_t, 2> encode() const;
};

// ---- Calibration ("Geberanpassung") ------------------------------------------
struct Calibration {
    uint8_t leftPetrol = 0;
    uint8_t leftGas = 0;
    uint8_t rightPetrol = 0;
    uint8_t rightGas = 0;

    static Calibration Decode(const uint8_t* b) { return {b[0], b[1], b[2], b[3]}; }
};
// The two bytes written for one side: the low 8 bits of each value.
std::array<uint8_t, 2> EncodeCalibrationPair(uint32_t petrol, uint32_t gas);

// ---- Clock (7 bytes) ------------------------------------------------------------
// Weekday names, index 0 = Monday.
QStringList WeekdayNames();

struct ClockValue {
    uint8_t weekday = 0;  // 0 = "Mo" .. 6 = "So"
    uint8_t hour = 0;
    uint8_t minute = 0;
    uint8_t second = 0;
    uint8_t day = 1;
    uint8_t month = 1;
    int year = 2000;

    static ClockValue Decode(const uint8_t* b);
    std::array<uint8_t, 7> encode() const;
    // (year - 2000) mod 256 for 2000 and later, 0 for any earlier year.
    static uint8_t YearByte(int year);
};

// ---- Meter readings (8 bytes per side) -----------------------------------------
struct MeterReadings {
    uint32_t liquidMl = 0;  // "Flüssigkeitszähler"
    uint32_t gasMl = 0;     // "Gaszähler"

    static MeterReadings Decode(const uint8_t* b) { return {map::GetU32(b), map::GetU32(b + 4)}; }
};

// ---- Trigger values (2 bytes) ------------------------------------------------------
struct TriggerValues {
    uint8_t left = 0;  // litres per minute
    uint8_t right = 0;

    static TriggerValues Decode(const uint8_t* b) { return {b[0], b[1]}; }
    uint8_t of(Side s) const { return s == Side::Left ? left : right; }
};

// ---- Thresholds and error values (6 bytes) ---------------------------------------
struct Thresholds {
    uint8_t leftThreshold = 0;  // percent
    uint8_t rightThreshold = 0;
    uint16_t leftError = 0;  // hundredths of a percent
    uint16_t rightError = 0;

    static Thresholds Decode(const uint8_t* b) {
        return {b[0], b[1], map::GetU16(b + 2), map::GetU16(b + 4)};
    }
    uint8_t thresholdOf(Side s) const { return s == Side::Left ? leftThreshold : rightThreshold; }
    uint16_t errorOf(Side s) const { return s == Side::Left ? leftError : rightError; }
};
// Hundredths as a percent with two decimals: 1234 -> "12.34", 5 -> "0.05".
QString FormatErrorValue(uint16_t hundredths);

// ---- Refuelling record (16 bytes) ----------------------------------------------------
struct RefuellingRecord {
    uint32_t liquidMl = 0;  // offset 0
    uint32_t gasMl = 0;     // offset 4
    uint8_t inputs = 0;     // offset 8, I1..I8 (bit 0 = I1)
    uint8_t outputs = 0;    // offset 9, Q1..Q8 (bit 0 = Q1)
    uint8_t second = 0;     // offset 10
    uint8_t minute = 0;     // 11
    uint8_t hour = 0;       // 12
    uint8_t day = 0;        // 13
    uint8_t month = 0;      // 14
    uint8_t year = 0;       // 15, two digits

    static RefuellingRecord Decode(const uint8_t* b);
    std::array<uint8_t, 16> encode() const;
};

// The four input or output flags of a side as bits 0-3: the left side uses
// I1..I4 / Q1..Q4 (bits 0-3), the right side I5..I8 / Q5..Q8 (bits 4-7).
constexpr uint8_t SideFlags(uint8_t flags, Side s) {
    return static_cast<uint8_t>(s == Side::Left ? (flags & 0x0F) : (flags >> 4));
}

// ---- Sensor flags (process byte 21) ---------------------------------------------------
namespace map {
inline constexpr uint8_t kLeftGasSensor = 0x10;
inline constexpr uint8_t kLeftPetrolSensor = 0x20;
inline constexpr uint8_t kRightGasSensor = 0x40;
inline constexpr uint8_t kRightPetrolSensor = 0x80;
constexpr uint8_t GasSensorBit(Side s) { return s == Side::Left ? kLeftGasSensor : kRightGasSensor; }
constexpr uint8_t PetrolSensorBit(Side s) {
    return s == Side::Left ? kLeftPetrolSensor : kRightPetrolSensor;
}
}  // namespace map

struct SensorFlags {
    uint8_t raw = 0;

    bool gas(Side s) const { return (raw & map::GasSensorBit(s)) != 0; }
    bool petrol(Side s) const { return (raw & map::PetrolSensorBit(s)) != 0; }
};

}  // namespace lumo
