// Sort keys that the database cannot take from the record alone (those that
// come from the alarm settings). The view asks for the kind of key a sort
// code has and then for each record's key, once per record and sort.
#pragma once

#include "db/AlarmRecord.h"

#include <cstdint>
#include <string>
#include <vector>

enum class SortKeyKind { None, Number, Text };

class SortKeySource {
public:
    virtual ~SortKeySource() = default;

    // None for a code this source does not know.
    virtual SortKeyKind KindOf(int code) const = 0;
    virtual int64_t NumberKey(int code, const AlarmRecord& record) = 0;
    // Replaces `key` with the record's text key.
    virtual void TextKey(int code, const AlarmRecord& record, std::string& key) = 0;

    // The fields a code's key comes from, when not the whole record: records
    // that agree in them have the same key. Empty: the whole record.
    virtual std::vector<AlarmField> KeyFields(int) const { return {}; }

    virtual void BeginPass() {}
    virtual void EndPass() {}
};
