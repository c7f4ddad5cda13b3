#include "profile.h"

namespace {

QString key(const std::string& section, const std::string& entry)
{
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(entry);
}

} // namespace

CProfile::CProfile(const std::string& organization, const std::string& application)
    : m_settings(std::make_unique<QSettings>(QString::fromStdString(organization),
                                             QString::fromStdString(application)))
{
}

CProfile::~CProfile() = default;

std::string CProfile::GetProfileString(const std::string& section, const std::string& entry,
                                       const std::string& defaultValue) const
{
    const QVariant value = m_settings->value(key(section, entry));
    if (!value.isValid() || !value.canConvert<QString>())
        return defaultValue;
    return value.toString().toStdString();
}

int CProfile::GetProfileInt(const std::string& section, const std::string& entry, int defaultValue) const
{
    bool ok = false;
    const int value = m_settings->value(key(section, entry)).toInt(&ok);
    return ok ? value : defaultValue;
}

bool CProfile::WriteProfileString(const std::string& section, const std::string& entry,
                                  const std::string& value)
{
    m_settings->setValue(key(section, entry), QString::fromStdString(value));
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

bool CProfile::WriteProfileInt(const std::string& section, const std::string& entry, int value)
{
    m_settings->setValue(key(section, entry), value);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

std::string CProfile::FileName() const
{
    return m_settings->fileName().toStdString();
}

std::string CProfile::ErrorText() const
{
    switch (m_settings->status()) {
    case QSettings::NoError:
        return {};
    case QSettings::AccessError:
        return "cannot write " + FileName();
    case QSettings::FormatError:
        return FileName() + " is not a settings file";
    }
    return {};
}
