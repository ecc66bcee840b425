#include "settings/registry.h"

#include "util/text.h"

#include <algorithm>

namespace {

// Closes a key that was opened, on every way out of the operation.
class KeyCloser {
public:
    KeyCloser(RegistryApi& api, RegKey key) : m_api(api), m_key(key) {}
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;
    ~KeyCloser() { m_api.RegCloseKey(m_key); }

private:
    RegistryApi& m_api;
    RegKey m_key;
};

// "*" names the key's unnamed value.
const char* valueName(const std::string& Key)
{
    return Key == "*" ? nullptr : Key.c_str();
}

} // namespace

std::string RegistryApi::failureReason(long code) const
{
    switch (code) {
    case reg::AccessDenied:
        return "Access is denied";
    case reg::InvalidParameter:
        return "A name or text that the settings cannot hold";
    case reg::CantRead:
        return "The settings cannot be read";
    case reg::CantWrite:
        return "The settings cannot be written";
    default:
        return "Error " + std::to_string(code);
    }
}

registry::registry(std::shared_ptr<RegistryApi> api) : m_api(std::move(api)) {}

void registry::setCompany(std::string NewVal)
{
    m_company = NewVal.empty() ? DefaultCompany : std::string(trimmed(NewVal, Spaces));
}

void registry::setAppName(std::string NewVal)
{
    m_appName = NewVal.empty() ? ProductName : std::string(trimmed(NewVal, Spaces));
}

std::string registry::BuildKeyPath(const std::string& Section) const
{
    std::string path = "Software\\" + m_company + "\\" + m_appName;
    if (!Section.empty())
        path += "\\" + Section;
    return path;
}

std::string registry::GetSetting(std::string Section, std::string Key, std::string Default)
{
    RegKey key = 0;
    if (m_api->RegOpenKeyExA(BuildKeyPath(Section).c_str(), reg::KeyAllAccess, &key) !=
        reg::Success)
        return Default;
    const KeyCloser closer{*m_api, key};
    std::string result = Default;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (m_api->RegQueryValueExA(key, valueName(Key), &type, nullptr, &size) == reg::Success &&
        size > 0) {
        std::string buffer(size, ' ');
        std::uint32_t length = size;
        // Another process may have shortened the value since its size was asked: the length
        // just read, not the earlier size, says where the text ends.
        if (m_api->RegQueryValueExA(key, valueName(Key), &type,
                                    reinterpret_cast<std::uint8_t*>(buffer.data()),
                                    &length) == reg::Success &&
            length > 0)
            result = buffer.substr(0, std::min(length, size) - 1);
    }
    return result;
}

bool registry::SaveSetting(std::string Section, std::string Key, std::string Setting)
{
    RegKey key = 0;
    if (!noteResult(m_api->RegCreateKeyExA(BuildKeyPath(Section).c_str(), reg::KeyAllAccess, &key)))
        return false;
    const KeyCloser closer{*m_api, key};
    const std::string data = Setting + '\0';
    return noteResult(m_api->RegSetValueExA(key, valueName(Key), reg::Sz,
                                            reinterpret_cast<const std::uint8_t*>(data.data()),
                                            std::uint32_t(data.size())));
}

bool registry::noteResult(long rc)
{
    if (rc != reg::Success && (m_batchDepth == 0 || m_failure == reg::Success))
        m_failure = rc;
    return rc == reg::Success;
}

void registry::beginBatch()
{
    if (m_batchDepth++ == 0)
        m_failure = reg::Success;
    m_api->beginBatch();
}

bool registry::endBatch()
{
    const long rc = m_api->endBatch();
    if (m_batchDepth > 0)
        --m_batchDepth;
    noteResult(rc);
    return m_batchDepth > 0 || m_failure == reg::Success;
}

bool registry::DeleteSetting(std::string Section, std::string Key)
{
    // A value goes from its section's key; a section goes from the application key.
    // Nothing there to delete is no failure to report.
    const auto note = [this](long rc) { return rc == reg::FileNotFound ? false : noteResult(rc); };
    RegKey key = 0;
    if (const long rc = m_api->RegOpenKeyExA(BuildKeyPath(Key.empty() ? "" : Section).c_str(),
                                             reg::KeyAllAccess, &key);
        rc != reg::Success)
        return note(rc);
    const KeyCloser closer{*m_api, key};
    return note(Key.empty() ? m_api->RegDeleteKeyA(key, Section.c_str())
                            : m_api->RegDeleteValueA(key, valueName(Key)));
}

std::optional<std::string> registry::unreadable()
{
    RegKey key = 0;
    const long rc = m_api->RegOpenKeyExA(BuildKeyPath("").c_str(), reg::KeyRead, &key);
    if (rc == reg::Success)
        m_api->RegCloseKey(key);
    if (rc == reg::Success || rc == reg::FileNotFound)
        return std::nullopt;
    return m_api->failureReason(rc);
}

registry::Table registry::GetAllSettings(std::string Section)
{
    RegKey key = 0;
    if (m_api->RegOpenKeyExA(BuildKeyPath(Section).c_str(), reg::KeyRead, &key) != reg::Success)
        return {};
    const KeyCloser closer{*m_api, key};
    Table rows;
    std::uint32_t longestName = 0;
    std::uint32_t longestData = 0;
    if (m_api->RegQueryInfoKeyA(key, &longestName, &longestData) == reg::Success) {
        std::string name(longestName + 1, '\0');
        std::string data(longestData + 1, '\0');
        for (std::uint32_t index = 0;; ++index) {
            auto nameLength = std::uint32_t(name.size());
            auto dataSize = std::uint32_t(data.size());
            std::uint32_t type = 0;
            if (m_api->RegEnumValueA(key, index, name.data(), &nameLength, &type,
                                     reinterpret_cast<std::uint8_t*>(data.data()),
                                     &dataSize) != reg::Success)
                break;
            // A text value of size 0 (only another program writes one) reads as empty.
            if (type == reg::Sz)
                rows.emplace_back(name.substr(0, nameLength),
                                  data.substr(0, dataSize > 0 ? dataSize - 1 : 0));
        }
    }
    return rows;
}
