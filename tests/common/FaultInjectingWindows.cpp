#include "FaultInjectingWindows.h"

namespace testmachine {

using platform::WinError;

namespace {

// A file of the wrapped layer whose reads and writes first ask the owner's
// hooks, by the file's name for them and how far they have come.
template <class Base, class Inner> class FaultyFile : public Base {
public:
    FaultyFile(std::unique_ptr<Inner> inner, const FaultInjectingWindows& owner, std::string path)
        : inner_(std::move(inner)), owner_(owner), path_(std::move(path)) {}

    platform::Result<std::size_t> read(void* buffer, std::size_t size) override {
        return run(owner_.readFault, size, [&] { return inner_->read(buffer, size); });
    }
    platform::Result<std::size_t> write(const void* buffer, std::size_t size) override {
        return run(owner_.writeFault, size, [&] { return inner_->write(buffer, size); });
    }
    WinError close() override { return inner_->close(); }

protected:
    std::unique_ptr<Inner> inner_;

private:
    template <class Move>
    platform::Result<std::size_t> run(const FaultHook& hook, std::size_t size, Move move) {
        if (hook)
            if (const WinError e = hook(path_, offset_, size))
                return platform::Result<std::size_t>::failure(e);
        auto moved = move();
        if (moved)
            offset_ += *moved;
        return moved;
    }

    const FaultInjectingWindows& owner_;
    std::string path_;
    std::uint64_t offset_ = 0;
};

class FaultyReplacement final
    : public FaultyFile<platform::ReplacementFile, platform::ReplacementFile> {
public:
    using FaultyFile::FaultyFile;
    WinError commit() override { return inner_->commit(); }
};

// The name the hooks know a file by: its native path, or the path as given
// when the layer has none for it.
std::string nativeOr(platform::Windows& win, const std::string& path) {
    auto native = win.nativePath(path);
    return native ? *native : path;
}

} // namespace

platform::Result<std::unique_ptr<platform::File>>
FaultInjectingWindows::createFile(const std::string& path, platform::Access access,
                                  std::uint32_t share, platform::Disposition disposition) {
    auto file = inner_.createFile(path, access, share, disposition);
    if (!file)
        return file;
    return std::unique_ptr<platform::File>(
        std::make_unique<FaultyFile<platform::File, platform::File>>(std::move(*file), *this,
                                                                     nativeOr(inner_, path)));
}

platform::Result<std::unique_ptr<platform::ReplacementFile>>
FaultInjectingWindows::createReplacement(const std::string& path) {
    auto file = inner_.createReplacement(path);
    if (!file)
        return file;
    return std::unique_ptr<platform::ReplacementFile>(
        std::make_unique<FaultyReplacement>(std::move(*file), *this, nativeOr(inner_, path)));
}

} // namespace testmachine
