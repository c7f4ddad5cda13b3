#pragma once
// The per-user settings store, in sections and values. On Linux an INI file under
// ~/.config/<organization>/<application>.conf.

#include <QSettings>

#include <memory>
#include <string>

class CProfile
{
public:
    CProfile(const std::string& organization, const std::string& application);
    ~CProfile();
    CProfile(const CProfile&) = delete;
    CProfile& operator=(const CProfile&) = delete;

    // The stored text, or defaultValue when the value is missing.
    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& defaultValue = {}) const;
    int GetProfileInt(const std::string& section, const std::string& entry, int defaultValue) const;
    // False when the store cannot be written (the reason in ErrorText).
    bool WriteProfileString(const std::string& section, const std::string& entry, const std::string& value);
    bool WriteProfileInt(const std::string& section, const std::string& entry, int value);

    std::string FileName() const;
    std::string ErrorText() const;

private:
    std::unique_ptr<QSettings> m_settings;
};
