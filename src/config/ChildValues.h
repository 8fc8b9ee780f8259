// A child's value read where it may be missing: 0 then, as a new key's
// default would read.
#pragma once

#include "config/ConfigNode.h"

#include <cstdint>
#include <string_view>

inline int32_t IntOf(const ConfigNode& folder, std::string_view key)
{
    const ConfigNode* node = folder.Child(key);
    return node == nullptr ? 0 : node->GetInt();
}

inline int64_t Int64Of(const ConfigNode& folder, std::string_view key)
{
    const ConfigNode* node = folder.Child(key);
    return node == nullptr ? 0 : node->GetInt64();
}
