// The printout's text as the print forms read it: from its start to its
// end, in pieces, so that a printout of thousands of pages need not be held
// in memory whole while it is drawn.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace pdfforms {

class FandTextReader {
public:
    virtual ~FandTextReader() = default;
    // The next piece of the text; empty at its end. The piece stays valid
    // until the next call. A failed read is raised as a NumberedError.
    virtual std::string_view next() = 0;
};

// A text held in memory, handed out as one piece.
class StringTextReader final : public FandTextReader {
public:
    explicit StringTextReader(std::string text) : text_(std::move(text)) {}
    std::string_view next() override {
        if (given_) {
            return {};
        }
        given_ = true;
        return text_;
    }

private:
    std::string text_;
    bool given_ = false;
};

} // namespace pdfforms
