// The scratch file's bookkeeping, shared by the hosts: appends at the end
// and reads within what was written, in whole, over the host's one-call
// reads and writes at an offset.
#pragma once

#include <cstdint>

#include "platform/Host.h"

namespace platform {

class OffsetScratchFile : public ScratchFile {
public:
    Result<std::uint64_t> append(const void* data, std::size_t size) final;
    WinError readAt(std::uint64_t offset, void* buffer, std::size_t size) final;

protected:
    // One write or read of the host at offset: the bytes it moved, 0 when
    // none could be (a full disk, the end of the file).
    virtual Result<std::size_t> writeSome(std::uint64_t offset, const void* data,
                                          std::size_t size) = 0;
    virtual Result<std::size_t> readSome(std::uint64_t offset, void* buffer, std::size_t size) = 0;

private:
    std::uint64_t end_ = 0;
};

} // namespace platform
