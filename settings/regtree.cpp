#include "settings/regtree.h"

#include "util/text.h"

#include <algorithm>
#include <cstring>

namespace {

std::string_view nameOf(const char* valueName)
{
    return valueName ? std::string_view(valueName) : std::string_view();
}

// A value's type, and its data when the buffer holds them, as the registry functions hand them
// out; the size is the data's in any case.
long copyOut(const RegValue& v, std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize)
{
    if (type)
        *type = v.type;
    const auto size = std::uint32_t(v.data.size());
    long rc = reg::Success;
    if (data) {
        if (*dataSize < size)
            rc = reg::MoreData;
        else
            std::memcpy(data, v.data.data(), size);
    }
    if (dataSize)
        *dataSize = size;
    return rc;
}

} // namespace

bool sameRegName(std::string_view a, std::string_view b)
{
    return equalsIgnoringAsciiCase(a, b);
}

std::vector<std::string> splitKeyPath(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::size_t RegNameHash::operator()(std::string_view name) const
{
    std::size_t hash = 14695981039346656037ull; // FNV-1a
    for (char c : name)
        hash = (hash ^ static_cast<unsigned char>(lowerAscii(c))) * 1099511628211ull;
    return hash;
}

RegNode* RegNode::child(std::string_view childName)
{
    const auto found = m_index.find(childName);
    return found == m_index.end() ? nullptr : &m_subkeys[found->second];
}

const RegNode* RegNode::child(std::string_view childName) const
{
    return const_cast<RegNode*>(this)->child(childName);
}

RegNode& RegNode::addChild(std::string childName)
{
    m_index.emplace(childName, m_subkeys.size());
    return m_subkeys.emplace_back(std::move(childName));
}

void RegNode::removeChild(const RegNode& node)
{
    const std::size_t at = std::size_t(&node - m_subkeys.data());
    m_index.erase(node.name);
    m_subkeys.erase(m_subkeys.begin() + std::ptrdiff_t(at));
    for (auto& [name, position] : m_index)
        if (position > at)
            --position;
}

RegValue* RegNode::value(std::string_view valueName)
{
    for (RegValue& v : values)
        if (sameRegName(v.name, valueName))
            return &v;
    return nullptr;
}

RegNode* RegTree::find(const std::vector<std::string>& path)
{
    RegNode* node = &root;
    for (const std::string& part : path) {
        node = node->child(part);
        if (!node)
            return nullptr;
    }
    return node;
}

const RegNode* RegTree::find(const std::vector<std::string>& path) const
{
    return const_cast<RegTree*>(this)->find(path);
}

RegNode& RegTree::create(const std::vector<std::string>& path)
{
    RegNode* node = &root;
    for (const std::string& part : path) {
        RegNode* next = node->child(part);
        node = next ? next : &node->addChild(part);
    }
    return *node;
}

long TreeRegistry::RegOpenKeyExA(const char* subKey, std::uint32_t, RegKey* result)
{
    if (!result)
        return reg::InvalidParameter;
    *result = 0;
    std::vector<std::string> path = splitKeyPath(nameOf(subKey));
    long rc = transact(Access::Read, [&](RegTree& tree, bool&) {
        return tree.find(path) ? reg::Success : reg::FileNotFound;
    });
    if (rc != reg::Success)
        return rc;
    *result = m_next++;
    m_open.emplace(*result, std::move(path));
    return reg::Success;
}

long TreeRegistry::RegCreateKeyExA(const char* subKey, std::uint32_t, RegKey* result)
{
    if (!result)
        return reg::InvalidParameter;
    *result = 0;
    std::vector<std::string> path = splitKeyPath(nameOf(subKey));
    if (path.size() > MaxKeyDepth)
        return reg::InvalidParameter;
    long rc = transact(Access::Write, [&](RegTree& tree, bool& changed) {
        changed = tree.find(path) == nullptr;
        if (changed)
            tree.create(path);
        return reg::Success;
    });
    if (rc != reg::Success)
        return rc;
    *result = m_next++;
    m_open.emplace(*result, std::move(path));
    return reg::Success;
}

long TreeRegistry::withKey(RegKey key, Access access,
                           const std::function<long(RegNode&, bool& changed)>& op)
{
    auto open = m_open.find(key);
    if (open == m_open.end())
        return reg::InvalidHandle;
    const std::vector<std::string>& path = open->second;
    return transact(access, [&](RegTree& tree, bool& changed) {
        RegNode* node = tree.find(path);
        return node ? op(*node, changed) : reg::KeyDeleted;
    });
}

long TreeRegistry::RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* dataSize)
{
    if (data && !dataSize)
        return reg::InvalidParameter;
    return withKey(key, Access::Read, [&](RegNode& node, bool&) {
        RegValue* v = node.value(nameOf(valueName));
        if (!v)
            return reg::FileNotFound;
        return copyOut(*v, type, data, dataSize);
    });
}

long TreeRegistry::RegQueryInfoKeyA(RegKey key, std::uint32_t* maxValueNameLen,
                                    std::uint32_t* maxValueLen)
{
    return withKey(key, Access::Read, [&](RegNode& node, bool&) {
        std::uint32_t nameLen = 0;
        std::uint32_t dataLen = 0;
        for (const RegValue& v : node.values) {
            nameLen = std::max(nameLen, std::uint32_t(v.name.size()));
            dataLen = std::max(dataLen, std::uint32_t(v.data.size()));
        }
        if (maxValueNameLen)
            *maxValueNameLen = nameLen;
        if (maxValueLen)
            *maxValueLen = dataLen;
        return reg::Success;
    });
}

long TreeRegistry::RegEnumValueA(RegKey key, std::uint32_t index, char* valueName,
                                 std::uint32_t* valueNameLen, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* dataSize)
{
    if (!valueName || !valueNameLen || (data && !dataSize))
        return reg::InvalidParameter;
    return withKey(key, Access::Read, [&](RegNode& node, bool&) {
        if (index >= node.values.size())
            return reg::NoMoreItems;
        const RegValue& v = node.values[index];
        if (*valueNameLen <= v.name.size())
            return reg::MoreData;
        std::memcpy(valueName, v.name.c_str(), v.name.size() + 1);
        *valueNameLen = std::uint32_t(v.name.size());
        return copyOut(v, type, data, dataSize);
    });
}

long TreeRegistry::RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t dataSize)
{
    if (!data && dataSize)
        return reg::InvalidParameter;
    return withKey(key, Access::Write, [&](RegNode& node, bool& changed) {
        std::vector<std::uint8_t> bytes(data, data + dataSize);
        RegValue* v = node.value(nameOf(valueName));
        if (!v) {
            node.values.push_back(RegValue{std::string(nameOf(valueName)), type, {}});
            v = &node.values.back();
        } else if (v->type == type && v->data == bytes) {
            return reg::Success; // the same again: nothing to write
        }
        v->type = type;
        v->data = std::move(bytes);
        changed = true;
        return reg::Success;
    });
}

long TreeRegistry::RegDeleteValueA(RegKey key, const char* valueName)
{
    return withKey(key, Access::Write, [&](RegNode& node, bool& changed) {
        RegValue* v = node.value(nameOf(valueName));
        if (!v)
            return reg::FileNotFound;
        node.values.erase(node.values.begin() + (v - node.values.data()));
        changed = true;
        return reg::Success;
    });
}

long TreeRegistry::RegDeleteKeyA(RegKey key, const char* subKey)
{
    const std::vector<std::string> path = splitKeyPath(nameOf(subKey));
    if (path.empty())
        return reg::InvalidParameter;
    return withKey(key, Access::Write, [&](RegNode& node, bool& changed) {
        RegNode* parent = &node;
        for (std::size_t i = 0; i + 1 < path.size() && parent; ++i)
            parent = parent->child(path[i]);
        RegNode* target = parent ? parent->child(path.back()) : nullptr;
        if (!target)
            return reg::FileNotFound;
        // As on Windows NT: a key that still has sub-keys is not deleted.
        if (!target->subkeys().empty())
            return reg::AccessDenied;
        parent->removeChild(*target);
        changed = true;
        return reg::Success;
    });
}

long TreeRegistry::RegCloseKey(RegKey key)
{
    return m_open.erase(key) ? reg::Success : reg::InvalidHandle;
}

long MemoryRegistry::transact(Access access, const std::function<long(RegTree&, bool&)>& op)
{
    bool changed = false;
    if (access == Access::Read)
        return op(tree, changed);
    // Work on a copy so that a failed operation leaves nothing half done, as the file does.
    RegTree work = tree;
    long rc = op(work, changed);
    if (rc == reg::Success && changed)
        tree = std::move(work);
    return rc;
}
