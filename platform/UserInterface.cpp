#include "platform/UserInterface.h"

#include "platform/Encoding.h"
#include "platform/WinTypes.h"

namespace platform {
namespace {

struct BoxButton {
    const char* czech;
    const char* english;
    int answer;
};

std::vector<BoxButton> buttonsOf(std::uint32_t style) {
    switch (style & kMbTypeMask) {
    case kMbOkCancel:
        return {{"OK", "OK", kIdOk}, {"Storno", "Cancel", kIdCancel}};
    case kMbYesNoCancel:
        return {{"Ano", "Yes", kIdYes}, {"Ne", "No", kIdNo}, {"Storno", "Cancel", kIdCancel}};
    case kMbYesNo:
        return {{"Ano", "Yes", kIdYes}, {"Ne", "No", kIdNo}};
    default:
        return {{"OK", "OK", kIdOk}};
    }
}

} // namespace

std::string withoutAccelerator(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '&')
            out += c;
    return out;
}

std::vector<std::string> messageBoxButtons(std::uint32_t style) {
    std::vector<std::string> out;
    for (const auto& b : buttonsOf(style))
        out.emplace_back(b.czech);
    return out;
}

int messageBoxAnswerFor(std::uint32_t style, const std::string& caption) {
    const std::string wanted = withoutAccelerator(caption);
    for (const auto& b : buttonsOf(style))
        if (equalsIgnoreCase(wanted, b.czech) || equalsIgnoreCase(wanted, b.english))
            return b.answer;
    return 0;
}

int messageBoxEscapeAnswer(std::uint32_t style) {
    // Escape answers Cancel where the box has it; a box with OK alone is
    // closed as OK; Yes/No boxes cannot be closed with Escape, and the
    // callers then take the answer as No.
    switch (style & kMbTypeMask) {
    case kMbOk:
        return kIdOk;
    case kMbYesNo:
        return kIdNo;
    default:
        return kIdCancel;
    }
}

} // namespace platform
