#pragma once

#include "settings/registryapi.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A hive in memory: keys and values whose names compare without regard to ASCII case and keep
// the spelling of their first writing; values keep their order of first writing.
struct RegValue {
    std::string name; // empty for the unnamed value
    std::uint32_t type = reg::Sz;
    std::vector<std::uint8_t> data;
};

bool sameRegName(std::string_view a, std::string_view b);

// Hashing and comparing as sameRegName does, for maps keyed by names as they are spelled.
struct RegNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const;
};
struct RegNameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return sameRegName(a, b); }
};

// A key with its values and sub-keys. Sub-keys are found through an index, so a key with many
// siblings costs no more to find than one without; they change only through these functions.
class RegNode {
public:
    RegNode() = default;
    explicit RegNode(std::string nodeName) : name(std::move(nodeName)) {}

    std::string name;
    std::vector<RegValue> values;

    const std::vector<RegNode>& subkeys() const { return m_subkeys; }
    RegNode* child(std::string_view childName);
    const RegNode* child(std::string_view childName) const;
    // The caller makes sure no sub-key of that name exists yet.
    RegNode& addChild(std::string childName);
    void removeChild(const RegNode& node);
    RegValue* value(std::string_view valueName);

private:
    std::vector<RegNode> m_subkeys;
    std::unordered_map<std::string, std::size_t, RegNameHash, RegNameEqual> m_index;
};
std::vector<std::string> splitKeyPath(std::string_view path);

// Keys nest at most this deep, as on Windows.
constexpr std::size_t MaxKeyDepth = 512;

class RegTree {
public:
    RegNode root; // HKEY_CURRENT_USER

    RegNode* find(const std::vector<std::string>& path);
    const RegNode* find(const std::vector<std::string>& path) const;
    RegNode& create(const std::vector<std::string>& path);
    void clear() { root = RegNode{}; }
};

// The registry operations over a tree that a backend supplies for each call. Handles name
// paths, not nodes, so a key deleted behind an open handle is noticed.
class TreeRegistry : public RegistryApi {
public:
    long RegOpenKeyExA(const char* subKey, std::uint32_t samDesired, RegKey* result) override;
    long RegCreateKeyExA(const char* subKey, std::uint32_t samDesired, RegKey* result) override;
    long RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* dataSize) override;
    long RegQueryInfoKeyA(RegKey key, std::uint32_t* maxValueNameLen,
                          std::uint32_t* maxValueLen) override;
    long RegEnumValueA(RegKey key, std::uint32_t index, char* valueName,
                       std::uint32_t* valueNameLen, std::uint32_t* type, std::uint8_t* data,
                       std::uint32_t* dataSize) override;
    long RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t dataSize) override;
    long RegDeleteValueA(RegKey key, const char* valueName) override;
    long RegDeleteKeyA(RegKey key, const char* subKey) override;
    long RegCloseKey(RegKey key) override;

    // Keys opened and not yet closed.
    std::size_t openKeyCount() const { return m_open.size(); }

protected:
    enum class Access { Read, Write };
    // Runs op on the current tree. For Write, the backend keeps the tree as op left it when op
    // returns Success and sets changed; it returns op's result, or its own failure code.
    virtual long transact(Access access,
                          const std::function<long(RegTree&, bool& changed)>& op) = 0;

private:
    long withKey(RegKey key, Access access, const std::function<long(RegNode&, bool& changed)>& op);

    std::map<RegKey, std::vector<std::string>> m_open;
    RegKey m_next = 1;
};

// A registry that lives only in memory: the fake for tests, and the model the hive file follows.
class MemoryRegistry final : public TreeRegistry {
public:
    RegTree tree;

protected:
    long transact(Access access, const std::function<long(RegTree&, bool&)>& op) override;
};
