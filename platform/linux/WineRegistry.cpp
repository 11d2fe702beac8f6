#include "linux/WineRegistry.h"

#include <fstream>
#include <sstream>

#include "platform/Encoding.h"

namespace platform {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing
// quote. Wine escapes backslash, quote, control characters (\n, \t, ...) and
// characters outside ASCII (\xHHHH).
std::optional<std::string> readQuoted(std::string_view s, std::size_t& pos) {
    if (pos >= s.size() || s[pos] != '"')
        return std::nullopt;
    ++pos;
    std::string out;
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"')
            return out;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= s.size())
            return std::nullopt;
        char e = s[pos++];
        switch (e) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'a':
            out += '\a';
            break;
        case 'b':
            out += '\b';
            break;
        case 'e':
            out += '\x1b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'v':
            out += '\v';
            break;
        case 'x': {
            char32_t v = 0;
            int n = 0;
            while (pos < s.size() && n < 4 && hexDigit(s[pos]) >= 0) {
                v = v * 16 + hexDigit(s[pos++]);
                ++n;
            }
            appendUtf8(out, v);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                char32_t v = e - '0';
                for (int n = 0; n < 2 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7'; ++n)
                    v = v * 8 + (s[pos++] - '0');
                appendUtf8(out, v);
            } else {
                out += e;
            }
        }
    }
    return std::nullopt;
}

std::string upper(const std::string& s) {
    return upperCase(s);
}

} // namespace

bool WineRegistry::load(const std::string& hostFile) {
    std::ifstream in(hostFile, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    parse(text.str());
    return true;
}

void WineRegistry::parse(std::string_view text) {
    std::string currentKey;
    bool inKey = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        // Continuation lines of hex values end with a backslash.
        while (!line.empty() && line.back() == '\\' && pos < text.size()) {
            line.pop_back();
            end = text.find('\n', pos);
            if (end == std::string_view::npos)
                end = text.size();
            line += text.substr(pos, end - pos);
            pos = end + 1;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            inKey = close != std::string::npos;
            if (!inKey)
                continue;
            // Key names double their backslashes.
            std::string key;
            const std::string raw = line.substr(1, close - 1);
            for (std::size_t i = 0; i < raw.size(); ++i) {
                if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == '\\')
                    ++i;
                key += raw[i];
            }
            currentKey = upper(key);
            keys_[currentKey];
            continue;
        }
        if (!inKey)
            continue;
        std::size_t p = 0;
        std::string name;
        if (line[0] == '@') {
            p = 1;
        } else {
            auto n = readQuoted(line, p);
            if (!n)
                continue;
            name = *n;
        }
        if (p >= line.size() || line[p] != '=')
            continue;
        ++p;
        Value v;
        std::string_view rest(line);
        rest.remove_prefix(p);
        if (!rest.empty() && rest[0] == '"') {
            std::size_t q = p;
            auto s = readQuoted(line, q);
            if (!s)
                continue;
            v.type = Value::String;
            v.text = *s;
        } else if (rest.substr(0, 6) == "dword:") {
            v.type = Value::Dword;
            std::uint32_t d = 0;
            for (char c : rest.substr(6)) {
                if (hexDigit(c) < 0)
                    break;
                d = d * 16 + static_cast<std::uint32_t>(hexDigit(c));
            }
            v.dword = d;
        } else if (rest.substr(0, 4) == "str(") {
            const std::size_t colon = line.find(':', p);
            if (colon == std::string::npos)
                continue;
            std::size_t q = colon + 1;
            auto s = readQuoted(line, q);
            if (!s)
                continue;
            v.type = Value::String;
            v.text = *s;
        } else {
            v.type = Value::Other;
            v.text = std::string(rest);
        }
        keys_[currentKey][upper(name)] = std::move(v);
    }
}

const WineRegistry::Value* WineRegistry::find(const std::string& key,
                                              const std::string& name) const {
    auto k = keys_.find(upper(key));
    if (k == keys_.end())
        return nullptr;
    auto v = k->second.find(upper(name));
    return v == k->second.end() ? nullptr : &v->second;
}

void WineRegistry::set(const std::string& key, const std::string& name, Value value) {
    keys_[upper(key)][upper(name)] = std::move(value);
}

} // namespace platform
