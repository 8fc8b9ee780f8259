// A configuration key the station reads on its own, described once: the
// folder it lives in, its name, its kind (by the value type) and the default
// the built-in script gives it. Reads of a missing key give that default;
// writes to a missing key do nothing.
#pragma once

#include "config/ConfigNode.h"
#include "config/ConfigTree.h"

#include <cstdint>
#include <string>
#include <string_view>

// A folder by its path below the root, steps separated by "/". In a list,
// "<TEMPLATE>" stands for any entry: such a path names no one node and only
// describes where keys read from an entry live.
struct ConfigFolder {
    std::string_view path;
};

// T is int32_t (INTEGER), int64_t (INT64) or std::string_view (STRING).
template <typename T>
struct ConfigKey {
    ConfigFolder folder;
    std::string_view name;
    T fallback;
};

// A list (or a folder holding entries) inside a folder.
struct ConfigList {
    ConfigFolder folder;
    std::string_view name;
};

// The folder's node, or null when a step is missing.
ConfigNode* Find(const ConfigTree& tree, ConfigFolder folder);

inline ConfigNode* Find(const ConfigTree& tree, ConfigList list)
{
    ConfigNode* folder = Find(tree, list.folder);
    return folder != nullptr ? folder->Child(list.name) : nullptr;
}

// A list inside an entry (a recorder's alarm settings), or null.
inline ConfigNode* Find(const ConfigNode& entry, ConfigList list)
{
    return entry.Child(list.name);
}

// A key in a fixed folder, or null.
template <typename T>
ConfigNode* Find(const ConfigTree& tree, const ConfigKey<T>& key)
{
    ConfigNode* folder = Find(tree, key.folder);
    return folder != nullptr ? folder->Child(key.name) : nullptr;
}

// A key in `folder`: the list entry or folder copy that holds it, or null.
template <typename T>
ConfigNode* Find(const ConfigNode& folder, const ConfigKey<T>& key)
{
    return folder.Child(key.name);
}

inline int32_t ValueOf(const ConfigNode* node, const ConfigKey<int32_t>& key)
{
    return node != nullptr ? node->GetInt() : key.fallback;
}

inline int64_t ValueOf(const ConfigNode* node, const ConfigKey<int64_t>& key)
{
    return node != nullptr ? node->GetInt64() : key.fallback;
}

inline std::string ValueOf(const ConfigNode* node, const ConfigKey<std::string_view>& key)
{
    return node != nullptr ? node->GetString() : std::string(key.fallback);
}

template <typename T>
auto Get(const ConfigNode& folder, const ConfigKey<T>& key)
{
    return ValueOf(folder.Child(key.name), key);
}

template <typename T>
auto Get(const ConfigTree& tree, const ConfigKey<T>& key)
{
    return ValueOf(Find(tree, key), key);
}

inline void SetValue(ConfigNode* node, int32_t value)
{
    if (node != nullptr)
        node->SetInt(value);
}

inline void SetValue(ConfigNode* node, int64_t value)
{
    if (node != nullptr)
        node->SetInt64(value);
}

inline void SetValue(ConfigNode* node, std::string_view value)
{
    if (node != nullptr)
        node->SetString(value);
}

template <typename T, typename V>
void Set(ConfigNode& folder, const ConfigKey<T>& key, V value)
{
    SetValue(folder.Child(key.name), T(value));
}

template <typename T, typename V>
void Set(const ConfigTree& tree, const ConfigKey<T>& key, V value)
{
    SetValue(Find(tree, key), T(value));
}
