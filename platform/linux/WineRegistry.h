// A registry hive in Wine's text format (system.reg, user.reg).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class WineRegistry {
public:
    struct Value {
        enum Type { String, Dword, Other } type = Other;
        std::string text;        // String: UTF-8
        std::uint32_t dword = 0; // Dword
    };

    // Reads the file; false when it cannot be read (the hive is then empty).
    bool load(const std::string& hostFile);
    // Parses the text of a hive. Lines it does not understand are skipped.
    void parse(std::string_view text);

    // Key paths relative to the hive's root, "\"-separated, any case.
    const Value* find(const std::string& key, const std::string& name) const;
    void set(const std::string& key, const std::string& name, Value value);
    bool empty() const { return keys_.empty(); }

private:
    std::map<std::string, std::map<std::string, Value>> keys_; // upper-cased names
};

} // namespace platform
