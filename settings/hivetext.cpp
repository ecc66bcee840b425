#include "settings/hivetext.h"

#include "util/text.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

namespace {

constexpr std::string_view fileHeader = "REGEDIT4";
constexpr std::string_view fileHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view rootKey = "HKEY_CURRENT_USER";
constexpr std::size_t maxLineLength = 80;

// A line of the file, without the blanks around it (a CR LF file leaves a CR at each end).
std::string_view trim(std::string_view s)
{
    return trimmed(s, " \t\r");
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && sameRegName(s.substr(0, prefix.size()), prefix);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool parseHexNumber(std::string_view digits, std::size_t maxDigits, std::uint32_t& value)
{
    if (digits.empty() || digits.size() > maxDigits)
        return false;
    value = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        value = value << 4 | std::uint32_t(d);
    }
    return true;
}

class Lines {
public:
    explicit Lines(std::string_view text) : m_rest(text) {}

    bool next(std::string_view& line)
    {
        if (!peek(line))
            return false;
        m_rest.remove_prefix(std::min(line.size() + 1, m_rest.size()));
        return true;
    }

    bool peek(std::string_view& line) const
    {
        line = m_rest.substr(0, m_rest.find('\n'));
        return !m_rest.empty();
    }

private:
    std::string_view m_rest;
};

// Reads the quoted text at the start of s and leaves s just after its closing quote.
std::optional<std::string> readQuoted(std::string_view& s)
{
    std::string out;
    for (std::size_t i = 1; i < s.size();) {
        std::size_t stop = i;
        while (stop < s.size() && s[stop] != '"' && s[stop] != '\\')
            ++stop;
        if (stop == s.size())
            break;
        out.append(s.substr(i, stop - i));
        i = stop + 1;
        if (s[stop] == '"') {
            s.remove_prefix(i);
            return out;
        }
        if (i == s.size())
            break;
        switch (s[i++]) {
        case '\\':
            out += '\\';
            break;
        case '"':
            out += '"';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> parseBytes(std::string_view list)
{
    std::vector<std::uint8_t> bytes;
    list = trim(list);
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::uint32_t byte = 0;
        if (!parseHexNumber(trim(list.substr(0, comma)), 2, byte))
            return std::nullopt;
        bytes.push_back(std::uint8_t(byte));
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
        if (list.empty())
            return std::nullopt; // a trailing comma
    }
    return bytes;
}

// The data after "name"=: a quoted text, dword:, hex: or hex(type):.
bool parseData(std::string_view data, RegValue& value)
{
    if (data.starts_with('"')) {
        const std::optional<std::string> text = readQuoted(data);
        if (!text || !trim(data).empty())
            return false;
        value.type = reg::Sz;
        value.data.reserve(text->size() + 1);
        value.data.assign(text->begin(), text->end());
        value.data.push_back(0);
        return true;
    }
    if (startsWithNoCase(data, "dword:")) {
        std::uint32_t number = 0;
        if (!parseHexNumber(data.substr(6), 8, number))
            return false;
        value.type = reg::Dword;
        value.data = {std::uint8_t(number), std::uint8_t(number >> 8), std::uint8_t(number >> 16),
                      std::uint8_t(number >> 24)};
        return true;
    }
    if (!startsWithNoCase(data, "hex"))
        return false;
    data.remove_prefix(3);
    value.type = reg::Binary;
    if (data.starts_with('(')) {
        const std::size_t close = data.find(')');
        if (close == std::string_view::npos ||
            !parseHexNumber(data.substr(1, close - 1), 8, value.type))
            return false;
        data.remove_prefix(close + 1);
    }
    if (!data.starts_with(':'))
        return false;
    std::optional<std::vector<std::uint8_t>> bytes = parseBytes(data.substr(1));
    if (!bytes)
        return false;
    value.data = std::move(*bytes);
    return true;
}

std::optional<RegValue> parseValueLine(std::string_view line, Lines& lines)
{
    RegValue value;
    if (line.starts_with('@')) {
        line.remove_prefix(1);
    } else if (line.starts_with('"')) {
        std::optional<std::string> name = readQuoted(line);
        if (!name)
            return std::nullopt;
        value.name = std::move(*name);
    } else {
        return std::nullopt;
    }
    line = trim(line);
    if (!line.starts_with('='))
        return std::nullopt;
    line = trim(line.substr(1));
    std::string joined;
    if (startsWithNoCase(line, "hex")) {
        // Long hex data goes on over the next lines, each but the last ending in a backslash.
        // A line that starts a key or a value is never taken as such a continuation.
        while (line.ends_with('\\')) {
            joined.append(line.substr(0, line.size() - 1));
            std::string_view next;
            if (!lines.peek(next) ||
                std::string_view("[\"@;").find(trim(next).substr(0, 1)) != std::string_view::npos)
                return std::nullopt;
            lines.next(next);
            line = trim(next);
        }
        if (!joined.empty())
            line = joined.append(line);
    }
    if (!parseData(line, value))
        return std::nullopt;
    return value;
}

std::optional<std::vector<std::string>> parseKeyLine(std::string_view line)
{
    if (line.size() < 2 || line.back() != ']')
        return std::nullopt;
    std::string_view path = line.substr(1, line.size() - 2);
    if (!startsWithNoCase(path, rootKey))
        return std::nullopt;
    path.remove_prefix(rootKey.size());
    std::vector<std::string> parts;
    while (!path.empty()) {
        if (path.front() != '\\' || parts.size() == MaxKeyDepth)
            return std::nullopt;
        path.remove_prefix(1);
        const std::string_view part = path.substr(0, path.find('\\'));
        // A name the writer could not put back on a line would make the file unwritable.
        if (part.empty() || part.find('\r') != std::string_view::npos)
            return std::nullopt;
        parts.emplace_back(part);
        path.remove_prefix(part.size());
    }
    return parts;
}

bool isValidUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto lead = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF)
            extra = 1;
        else if ((lead & 0xF0) == 0xE0)
            extra = 2;
        else if (lead >= 0xF0 && lead <= 0xF4)
            extra = 3;
        else
            return false;
        code = lead & (0x3Fu >> extra);
        if (s.size() - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3Fu);
        }
        if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (extra == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

// Whether a text value can be written as "text": a single terminating NUL, no control
// characters, valid UTF-8. Anything else goes out as hex(1) bytes.
bool quotable(const std::vector<std::uint8_t>& data)
{
    if (data.empty() || data.back() != 0)
        return false;
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size() - 1);
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return isValidUtf8(text);
}

void appendQuoted(std::string& out, std::string_view text)
{
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    out += '"';
}

void appendHex(std::string& out, std::uint32_t number, int width)
{
    char digits[8];
    auto end = std::to_chars(digits, digits + sizeof digits, number, 16).ptr;
    out.append(std::size_t(std::max<std::ptrdiff_t>(0, width - (end - digits))), '0');
    out.append(digits, end);
}

void appendValue(std::string& out, const RegValue& value)
{
    const std::size_t lineStart = out.size();
    if (value.name.empty())
        out += '@';
    else
        appendQuoted(out, value.name);
    out += '=';
    const std::vector<std::uint8_t>& data = value.data;
    if (value.type == reg::Sz && quotable(data)) {
        appendQuoted(out, {reinterpret_cast<const char*>(data.data()), data.size() - 1});
    } else if (value.type == reg::Dword && data.size() == 4) {
        out += "dword:";
        appendHex(out, std::uint32_t(data[3]) << 24 | data[2] << 16 | data[1] << 8 | data[0], 8);
    } else {
        if (value.type == reg::Binary) {
            out += "hex:";
        } else {
            out += "hex(";
            appendHex(out, value.type, 1);
            out += "):";
        }
        std::size_t column = out.size() - lineStart;
        for (std::size_t i = 0; i < data.size(); ++i) {
            const bool last = i + 1 == data.size();
            const std::size_t width = last ? 2 : 3;
            if (i > 0 && column + width >= maxLineLength) {
                out += "\\\n  ";
                column = 2;
            }
            appendHex(out, data[i], 2);
            if (!last)
                out += ',';
            column += width;
        }
    }
    out += '\n';
}

bool appendKey(std::string& out, std::string& path, const RegNode& node, bool listed)
{
    if (listed) {
        out += '[';
        out += path;
        out += "]\n";
        for (const RegValue& value : node.values)
            appendValue(out, value);
        out += '\n';
    }
    for (const RegNode& child : node.subkeys()) {
        if (child.name.empty() || child.name.find_first_of("\\\r\n") != std::string::npos)
            return false;
        const std::size_t length = path.size();
        path += '\\';
        path += child.name;
        if (!appendKey(out, path, child, true))
            return false;
        path.resize(length);
    }
    return true;
}

// UTF-16LE as UTF-8. A lone surrogate or an odd last byte becomes a byte that is never valid
// UTF-8, so that its line counts as malformed.
std::string utf8FromUtf16(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const auto unitAt = [&](std::size_t i) {
        return std::uint32_t(static_cast<unsigned char>(bytes[i]) |
                             static_cast<unsigned char>(bytes[i + 1]) << 8);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t code = unitAt(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size()) {
            const std::uint32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (code >= 0xD800 && code <= 0xDFFF) {
            out += '\xFF';
        } else if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xC0 | code >> 6);
            out += char(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += char(0xE0 | code >> 12);
            out += char(0x80 | (code >> 6 & 0x3F));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xF0 | code >> 18);
            out += char(0x80 | (code >> 12 & 0x3F));
            out += char(0x80 | (code >> 6 & 0x3F));
            out += char(0x80 | (code & 0x3F));
        }
    }
    if (bytes.size() % 2 != 0)
        out += '\xFF';
    return out;
}

} // namespace

std::optional<ParsedHive> parseHive(std::string_view text)
{
    ParsedHive hive;
    if (text.empty())
        return hive;
    // A file exported by a Windows registry editor of version 5.00 is UTF-16 with a mark.
    std::string decoded;
    if (text.starts_with("\xFF\xFE")) {
        decoded = utf8FromUtf16(text.substr(2));
        text = decoded;
    }
    if (text.find('\0') != std::string_view::npos)
        return std::nullopt;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    Lines lines(text);
    std::string_view line;
    // Blank lines and comments may come before the header; a rewrite keeps neither.
    while (lines.next(line) && (trim(line).empty() || trim(line).starts_with(';')))
        hive.droppedLines += !trim(line).empty();
    line = trim(line);
    if (sameRegName(line, fileHeader5))
        ++hive.droppedLines; // a rewrite gives it the header of this program's own form
    else if (!sameRegName(line, fileHeader))
        return std::nullopt;

    RegNode* key = nullptr; // none after a key line that cannot be read: its values go too
    std::unordered_map<std::string, std::size_t, RegNameHash, RegNameEqual> valueIndex; // in key
    while (lines.next(line)) {
        line = trim(line);
        if (line.empty())
            continue;
        // Text in another encoding (a name typed in Latin-1) would come back changed.
        const bool readable = isValidUtf8(line);
        if (line.starts_with('[')) {
            std::optional<std::vector<std::string>> path;
            if (readable)
                path = parseKeyLine(line);
            key = path ? &hive.tree.create(*path) : nullptr;
            valueIndex.clear();
            if (!key)
                ++hive.droppedLines;
            for (std::size_t i = 0; key && i < key->values.size(); ++i)
                valueIndex.emplace(key->values[i].name, i);
            continue;
        }
        std::optional<RegValue> value;
        if (key && readable && !line.starts_with(';'))
            value = parseValueLine(line, lines);
        if (!value) {
            ++hive.droppedLines;
            continue;
        }
        const auto [at, added] = valueIndex.emplace(value->name, key->values.size());
        if (added) {
            key->values.push_back(std::move(*value));
        } else {
            // The later line wins, in the place and spelling of the first.
            RegValue& first = key->values[at->second];
            first.type = value->type;
            first.data = std::move(value->data);
            ++hive.droppedLines;
        }
    }
    return hive;
}

std::optional<std::string> formatHive(const RegTree& tree)
{
    std::string out(fileHeader);
    out += "\n\n";
    std::string path(rootKey);
    // HKEY_CURRENT_USER itself is listed only when it holds values.
    if (!appendKey(out, path, tree.root, !tree.root.values.empty()))
        return std::nullopt;
    return out;
}
