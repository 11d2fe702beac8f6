// Any bytes as a shell link: what loads must save and load again, before and
// after the shell's changes, and an unchanged link saves byte for byte.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzMachine.h"
#include "ShellLinkFormat.h"

using namespace platform::shelllink;

using fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    LinkFile link;
    if (LinkFile::parse(bytes, link) != platform::kSOk)
        return 0;
    require(link.serialize() == bytes, "an unchanged link saves byte for byte");

    require(link.setPath("C:\\DRO2015\\S64.bat") == platform::kSOk, "SetPath");
    require(link.setWorkingDirectory("C:\\DRO2015") == platform::kSOk, "SetWorkingDirectory");
    require(link.setIconLocation("C:\\DRO2015\\DRO2015.ico", 0) == platform::kSOk,
            "SetIconLocation");
    const std::string saved = link.serialize();
    LinkFile again;
    require(LinkFile::parse(saved, again) == platform::kSOk, "the changed link loads again");
    require(again.string(LinkString::WorkingDir) == std::string("C:\\DRO2015"),
            "working folder kept");
    require(again.extraData().size() <= link.extraData().size(), "no block appears");
    return 0;
}
