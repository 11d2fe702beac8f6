// Any text as a registry hive in Wine's format.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "linux/WineRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::WineRegistry reg;
    reg.parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const char* key = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    for (const char* name : {"CurrentVersion", "CurrentMajorVersionNumber", ""})
        if (const auto* v = reg.find(key, name))
            (void)v->text.size();
    return 0;
}
