#pragma once

#include "settings/registryapi.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Text settings under HKEY_CURRENT_USER\Software\<Company>\<AppName>\<Section>. Each operation
// opens one key, does one thing, and closes the key again; failures show only in the result.
class registry final {
public:
    using Table = std::vector<std::pair<std::string, std::string>>; // (name, text) rows

    explicit registry(std::shared_ptr<RegistryApi> api);

    void setCompany(std::string NewVal);
    std::string Company() const { return m_company; }
    void setAppName(std::string NewVal);
    std::string AppName() const { return m_appName; }

    bool DeleteSetting(std::string Section, std::string Key = "");
    // Empty when the section is missing or holds no text value.
    Table GetAllSettings(std::string Section);
    std::string GetSetting(std::string Section, std::string Key, std::string Default = "");
    bool SaveSetting(std::string Section, std::string Key, std::string Setting);

    static constexpr const char* DefaultCompany = "Norvalde";
    static constexpr const char* ProductName = "Quorvil4";

private:
    std::string BuildKeyPath(const std::string& Section) const;

    std::shared_ptr<RegistryApi> m_api;
    std::string m_company = DefaultCompany;
    std::string m_appName = ProductName;
};
