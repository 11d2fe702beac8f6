#include "ReplacementFile.h"

namespace platform {

namespace {

class TemporaryReplacement final : public ReplacementFile {
public:
    TemporaryReplacement(std::unique_ptr<DurableFile> file, std::string temp, std::string target)
        : file_(std::move(file)), temp_(std::move(temp)), target_(std::move(target)) {}
    ~TemporaryReplacement() override { discard(); }

    Result<std::size_t> read(void* buffer, std::size_t size) override {
        return file_->read(buffer, size);
    }
    Result<std::size_t> write(const void* buffer, std::size_t size) override {
        return file_->write(buffer, size);
    }
    // Closed without commit, the replacement is given up.
    WinError close() override {
        discard();
        return kErrorSuccess;
    }

    WinError commit() override {
        if (temp_.empty())
            return kErrorInvalidHandle;
        WinError e = file_->flushAndClose();
        if (e == kErrorSuccess)
            e = replaceWith(temp_, target_);
        if (e != kErrorSuccess) {
            discard();
            return e;
        }
        temp_.clear();
        return kErrorSuccess;
    }

private:
    void discard() {
        if (temp_.empty())
            return;
        // The bytes are thrown away, so a failure to close or flush them
        // changes nothing; a temporary file that cannot be deleted stays
        // beside the target under its own name, which harms no reader of
        // the target, and this is the end of its owner's interest in it.
        static_cast<void>(file_->close());
        static_cast<void>(removeFile(temp_));
        temp_.clear();
    }

    std::unique_ptr<DurableFile> file_;
    std::string temp_; // empty once committed or given up
    std::string target_;
};

} // namespace

Result<std::unique_ptr<ReplacementFile>> createNativeReplacement(const std::string& nativePath) {
    std::string temp;
    auto file = createExclusiveBeside(nativePath, temp);
    if (!file)
        return Result<std::unique_ptr<ReplacementFile>>::failure(file.error());
    return std::unique_ptr<ReplacementFile>(
        std::make_unique<TemporaryReplacement>(std::move(*file), temp, nativePath));
}

} // namespace platform
