#pragma once

#include "settings/registryapi.h"

#include <memory>
#include <optional>
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

    // The writes up to endBatch may reach the store as one change (one wait for its lock, one
    // rewrite). endBatch is false when any of them failed; failureReason then says why.
    void beginBatch();
    bool endBatch();
    // Why the stored settings cannot be read at all (say, a file that holds no settings), so
    // that every Get gives its default; none when they can, or when nothing is stored yet.
    std::optional<std::string> unreadable();
    // Where the settings are kept, and why the last failed write or delete failed, for the
    // user.
    std::string location() const { return m_api->location(); }
    std::string failureReason() const { return m_api->failureReason(m_failure); }

    static constexpr const char* DefaultCompany = "Norvalde";
    static constexpr const char* ProductName = "Quorvil4";

private:
    std::string BuildKeyPath(const std::string& Section) const;
    // Keeps the first failure of a batch, or the latest outside one.
    bool noteResult(long rc);

    std::shared_ptr<RegistryApi> m_api;
    std::string m_company = DefaultCompany;
    std::string m_appName = ProductName;
    long m_failure = reg::Success;
    int m_batchDepth = 0;
};
