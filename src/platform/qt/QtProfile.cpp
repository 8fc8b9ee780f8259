#include "platform/qt/QtProfile.h"

#include <QSettings>

namespace {

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString KeyPath(std::string_view section, std::string_view key)
{
    return Text(section) + QLatin1Char('/') + Text(key);
}

} // namespace

QtProfile::QtProfile(std::string_view organisation, std::string_view application)
    : m_settings(std::make_unique<QSettings>(Text(organisation), Text(application)))
{
}

QtProfile::~QtProfile() = default;

void QtProfile::SetString(std::string_view section, std::string_view key, std::string_view value)
{
    m_settings->setValue(KeyPath(section, key), Text(value));
    m_settings->sync();
}

std::string QtProfile::GetString(std::string_view section, std::string_view key,
                                 std::string_view fallback)
{
    return m_settings->value(KeyPath(section, key), Text(fallback)).toString().toStdString();
}
