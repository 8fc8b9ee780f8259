// One alarm as the database stores it: 13 text fields of fixed width, kept in
// the byte form of the file ("AlarmDB.txt"), where each field's text is
// padded with 0x01 and a record ends with CR LF, 383 bytes in all.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

enum class AlarmField : int {
    TimeArrival,
    TimeDeparture,
    Recorder,
    CameraID,
    TrackID,
    AlarmType,
    AddInfo,
    Confirmed,
    ConfirmUser,
    ConfirmComment,
    ConfirmState,
    ActionTime,
    AutoConfirmed,
};

class AlarmRecord {
public:
    static constexpr int kFieldCount = 13;
    // Each width counts a terminating NUL that the file does not hold.
    static constexpr std::array<int, kFieldCount> kWidths = {20, 20, 60, 6, 6,  8, 128,
                                                             4,  50, 64, 4, 20, 4};
    static constexpr size_t kFieldBytes = 381;
    static constexpr size_t kRecordBytes = kFieldBytes + 2;
    static constexpr char kPad = 0x01;

    static constexpr size_t Offset(AlarmField field)
    {
        size_t offset = 0;
        for (int i = 0; i < static_cast<int>(field); ++i)
            offset += static_cast<size_t>(kWidths[static_cast<size_t>(i)] - 1);
        return offset;
    }
    // The most characters a field holds.
    static constexpr size_t Capacity(AlarmField field)
    {
        return static_cast<size_t>(kWidths[static_cast<size_t>(field)] - 1);
    }

    // Every field empty.
    AlarmRecord();
    // What a new alarm starts as: empty, with Confirmed, ConfirmState and
    // AutoConfirmed "0".
    static AlarmRecord NewAlarm();
    // Takes the fields from the first kFieldBytes bytes of a record in the
    // file. Any bytes are accepted; a field's text ends at its first 0x01 or
    // NUL.
    static AlarmRecord FromBytes(const char* bytes);

    void Clear();

    // A field's text straight from record bytes in the file's form.
    static std::string_view FieldIn(const char* bytes, AlarmField field);
    std::string_view Field(AlarmField field) const { return FieldIn(m_bytes.data(), field); }
    // The fields in the file's form, kFieldBytes long.
    const char* Bytes() const { return m_bytes.data(); }
    // Control bytes (CR and LF among them) become a blank, and a text too
    // long for the field is cut on a UTF-8 character boundary.
    void SetField(AlarmField field, std::string_view text);
    void SetNumber(AlarmField field, int64_t value);

    // The field read as a decimal number the way the C library reads one
    // (leading blanks, a sign, digits up to the first other character), with
    // values beyond the type's range held at its ends. Empty reads as 0.
    int64_t Number(AlarmField field) const;
    int32_t Int(AlarmField field) const;

    // The kRecordBytes of the file: each field's text padded with 0x01, then
    // CR LF. Bytes after a field's end and control bytes that came in
    // through FromBytes are not carried over.
    void Encode(char* out) const;

    friend bool operator==(const AlarmRecord& a, const AlarmRecord& b);

private:
    struct Uninitialised {};
    explicit AlarmRecord(Uninitialised) {}

    std::array<char, kFieldBytes> m_bytes;
};

// The decimal reading of Number on any text.
int64_t ParseDecimal(std::string_view text);
