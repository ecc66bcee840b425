#pragma once

#include <cstdint>
#include <string>

// The per-user registry as the settings store needs it: the Windows registry functions with
// their parameters and result codes, rooted at HKEY_CURRENT_USER. A Windows build can forward
// each call to the real function; on Linux a hive file stands behind them.

using RegKey = std::uintptr_t; // 0 is no key

namespace reg {
// Result codes (0 is success, as on Windows).
constexpr long Success = 0;
constexpr long FileNotFound = 2;
constexpr long AccessDenied = 5;
constexpr long InvalidHandle = 6;
constexpr long InvalidParameter = 87;
constexpr long MoreData = 234;
constexpr long NoMoreItems = 259;
constexpr long CantRead = 1012;
constexpr long CantWrite = 1013;
constexpr long KeyDeleted = 1018;

// Value types.
constexpr std::uint32_t None = 0;
constexpr std::uint32_t Sz = 1;
constexpr std::uint32_t ExpandSz = 2;
constexpr std::uint32_t Binary = 3;
constexpr std::uint32_t Dword = 4;
constexpr std::uint32_t MultiSz = 7;

// Access masks.
constexpr std::uint32_t KeyAllAccess = 0xF003F;
constexpr std::uint32_t KeyRead = 0x20019;
} // namespace reg

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // Key paths are relative to HKEY_CURRENT_USER and separated by backslashes. A null or empty
    // value name is the key's unnamed value. Sizes are in bytes; name lengths exclude the NUL.
    virtual long RegOpenKeyExA(const char* subKey, std::uint32_t samDesired, RegKey* result) = 0;
    virtual long RegCreateKeyExA(const char* subKey, std::uint32_t samDesired, RegKey* result) = 0;
    virtual long RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* dataSize) = 0;
    virtual long RegQueryInfoKeyA(RegKey key, std::uint32_t* maxValueNameLen,
                                  std::uint32_t* maxValueLen) = 0;
    virtual long RegEnumValueA(RegKey key, std::uint32_t index, char* valueName,
                               std::uint32_t* valueNameLen, std::uint32_t* type, std::uint8_t* data,
                               std::uint32_t* dataSize) = 0;
    virtual long RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t dataSize) = 0;
    virtual long RegDeleteValueA(RegKey key, const char* valueName) = 0;
    virtual long RegDeleteKeyA(RegKey key, const char* subKey) = 0;
    virtual long RegCloseKey(RegKey key) = 0;

    // Writes up to the matching endBatch may be held back and applied as one change, which
    // endBatch makes, giving the first failure of the batch. A store without batches applies
    // every write at once and has nothing to report here.
    virtual void beginBatch() {}
    virtual long endBatch() { return reg::Success; }
    // Where the settings are kept, and why a call that returned code failed, for the user.
    virtual std::string location() const { return "HKEY_CURRENT_USER"; }
    virtual std::string failureReason(long code) const;
};
