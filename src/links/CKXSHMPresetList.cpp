// Reading the preset list under "KXSHM_PRESETLIST_MUTEX"; the mapping is
// closed before the mutex is released.
#include "links/CKXSHMPresetList.h"

#include "links/LittleEndian.h"
#include "links/SharedLayouts.h"
#include "platform/NamedMutex.h"
#include "platform/NamedMutexLock.h"
#include "platform/SharedMapping.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

using Layout = PresetListLayout;

CKXSHMPresetList::CKXSHMPresetList(std::string namePrefix) : m_prefix(std::move(namePrefix)) {}

bool CKXSHMPresetList::Read()
{
    m_names.clear();
    m_lastError.clear();
    try {
        NamedMutex mutex;
        if (!mutex.Open(m_prefix + kMutexName, SharedAccess::Group))
            throw CErrorException("mutex not available");
        NamedMutexLock lock(mutex);
        if (!lock.IsLocked())
            throw CErrorException("mutex not available");
        SharedMapping mapping;
        if (mapping.Attach(m_prefix + kMappingName, 0, SharedCreate::OpenOnly,
                           SharedAccess::Group) != AttachResult::Attached)
            throw CErrorException("mapping missing");
        if (mapping.Size() < Layout::kNamesAt ||
            LoadI32(mapping.Data() + Layout::kVersionAt) != Layout::kVersion)
            throw CErrorException("wrong version");
        if (!Parse({mapping.Data(), mapping.Size()}, m_names))
            throw CErrorException("malformed list");
    } catch (const CErrorException& error) {
        m_names.clear();
        m_lastError = error.What();
        return false;
    }
    return true;
}

bool CKXSHMPresetList::Parse(std::span<const uint8_t> view, std::vector<std::string>& names)
{
    names.clear();
    if (view.size() < Layout::kNamesAt)
        return false;
    if (LoadI32(view.data() + Layout::kVersionAt) != Layout::kVersion)
        return false;
    auto count = static_cast<int8_t>(view[Layout::kCountAt]);
    size_t pos = Layout::kNamesAt;
    for (int i = 0; i < count; ++i) {
        const void* end =
            pos < view.size() ? std::memchr(view.data() + pos, 0, view.size() - pos) : nullptr;
        if (end == nullptr) {
            names.clear();
            return false;
        }
        size_t length = static_cast<const uint8_t*>(end) - (view.data() + pos);
        names.emplace_back(reinterpret_cast<const char*>(view.data() + pos), length);
        pos += length + 1;
    }
    return true;
}

std::vector<uint8_t> CKXSHMPresetList::Encode(const std::vector<std::string>& names)
{
    size_t count = std::min<size_t>(names.size(), 127);
    std::vector<uint8_t> bytes(Layout::kNamesAt, 0);
    StoreI32(bytes.data() + Layout::kVersionAt, Layout::kVersion);
    bytes[Layout::kCountAt] = static_cast<uint8_t>(count);
    for (size_t i = 0; i < count; ++i) {
        std::string_view name = names[i];
        name = name.substr(0, std::min(name.find('\0'), name.size()));
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.push_back(0);
    }
    return bytes;
}
