// Reading the recorder list under "KXRLM"; the mapping is closed again as
// soon as it is parsed.
#include "links/SharedRecorderList.h"

#include "links/LittleEndian.h"
#include "links/SharedLayouts.h"
#include "platform/NamedMutex.h"
#include "platform/NamedMutexLock.h"
#include "platform/SharedMapping.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>
#include <utility>

using Layout = RecorderListLayout;

namespace {

// The next NUL-terminated text at pos; false when its NUL is missing.
bool NextText(std::span<const uint8_t> view, size_t& pos, std::string_view& text)
{
    if (pos >= view.size())
        return false;
    const void* end = std::memchr(view.data() + pos, 0, view.size() - pos);
    if (end == nullptr)
        return false;
    size_t length = static_cast<const uint8_t*>(end) - (view.data() + pos);
    text = {reinterpret_cast<const char*>(view.data() + pos), length};
    pos += length + 1;
    return true;
}

// The decimal text's value as a 32-bit pattern: optional blanks and sign,
// then the leading digits; out of range saturates like atoi.
uint32_t ItemNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT_MAX} + 1)
            value = int64_t{INT_MAX} + 1;
    }
    if (negative)
        value = -value;
    value = std::clamp<int64_t>(value, INT_MIN, INT_MAX);
    return static_cast<uint32_t>(static_cast<int32_t>(value));
}

} // namespace

SharedRecorderList::SharedRecorderList(std::string namePrefix) : m_prefix(std::move(namePrefix)) {}

bool SharedRecorderList::Read()
{
    m_recorders.clear();
    NamedMutex mutex;
    if (!mutex.Open(m_prefix + kMutexName, SharedAccess::Group))
        return false;
    NamedMutexLock lock(mutex);
    if (!lock.IsLocked())
        return false;
    SharedMapping mapping;
    if (mapping.Attach(m_prefix + kMappingName, 0, SharedCreate::OpenOnly, SharedAccess::Group) !=
        AttachResult::Attached)
        return false;
    if (!Parse({mapping.Data(), mapping.Size()}, m_recorders)) {
        m_recorders.clear();
        return false;
    }
    return true;
}

bool SharedRecorderList::Parse(std::span<const uint8_t> view,
                               std::vector<SharedRecorder>& recorders)
{
    recorders.clear();
    std::vector<SharedRecorder> parsed;
    if (view.size() < Layout::kRecordsAt)
        return false;
    if (LoadI32(view.data() + Layout::kVersionAt) != Layout::kVersion)
        return false;
    int32_t count = LoadI32(view.data() + Layout::kCountAt);
    if (count < 0)
        return false;
    size_t pos = Layout::kRecordsAt;
    for (int32_t i = 0; i < count; ++i) {
        SharedRecorder recorder;
        std::string_view text;
        if (!NextText(view, pos, text))
            return false;
        recorder.name = text;
        if (!NextText(view, pos, text))
            return false;
        recorder.address = text;
        for (;;) {
            if (!NextText(view, pos, text))
                return false;
            if (text.empty())
                break;
            if (!text.starts_with("##")) {
                recorder.presets.emplace_back(text);
                continue;
            }
            uint32_t number = ItemNumber(text.substr(2));
            recorder.topBits = static_cast<int32_t>(number >> 24);
            recorder.lowBits = static_cast<int32_t>(number & 0xffffff);
        }
        parsed.push_back(std::move(recorder));
    }
    recorders = std::move(parsed);
    return true;
}

std::vector<uint8_t> SharedRecorderList::Encode(const std::vector<SharedRecorder>& recorders)
{
    std::vector<uint8_t> bytes(Layout::kRecordsAt, 0);
    StoreI32(bytes.data() + Layout::kVersionAt, Layout::kVersion);
    StoreI32(bytes.data() + Layout::kCountAt, static_cast<int32_t>(recorders.size()));
    auto append = [&bytes](std::string_view text) {
        text = text.substr(0, std::min(text.find('\0'), text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.push_back(0);
    };
    for (const SharedRecorder& recorder : recorders) {
        append(recorder.name);
        append(recorder.address);
        for (const std::string& preset : recorder.presets)
            append(preset);
        if (recorder.topBits != 0 || recorder.lowBits != 0) {
            uint32_t number = static_cast<uint32_t>(recorder.topBits) << 24 |
                              (static_cast<uint32_t>(recorder.lowBits) & 0xffffff);
            // Written as the signed number it is read as.
            append("##" + std::to_string(static_cast<int32_t>(number)));
        }
        append("");
    }
    return bytes;
}
