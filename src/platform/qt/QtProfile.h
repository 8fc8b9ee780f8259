// The per-user profile as QSettings under the organisation's name.
#pragma once

#include "platform/Profile.h"

#include <memory>

class QSettings;

class QtProfile final : public Profile {
public:
    QtProfile(std::string_view organisation, std::string_view application);
    ~QtProfile() override;

    void SetString(std::string_view section, std::string_view key, std::string_view value) override;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view fallback) override;

private:
    std::unique_ptr<QSettings> m_settings;
};
