// The per-user profile: a few named values kept outside the configuration
// tree (the database path), in sections like an INI file.
#pragma once

#include <string>
#include <string_view>

class Profile {
public:
    virtual ~Profile() = default;

    virtual void SetString(std::string_view section, std::string_view key,
                           std::string_view value) = 0;
    virtual std::string GetString(std::string_view section, std::string_view key,
                                  std::string_view fallback) = 0;
};
