#include "ScratchFile.h"

namespace platform {

Result<std::uint64_t> OffsetScratchFile::append(const void* data, std::size_t size) {
    const std::uint64_t at = end_;
    const auto* p = static_cast<const char*>(data);
    for (std::size_t done = 0; done < size;) {
        const Result<std::size_t> n = writeSome(end_, p + done, size - done);
        if (!n)
            return Result<std::uint64_t>::failure(n.error());
        if (*n == 0)
            return Result<std::uint64_t>::failure(kErrorDiskFull);
        done += *n;
        end_ += *n;
    }
    return at;
}

WinError OffsetScratchFile::readAt(std::uint64_t offset, void* buffer, std::size_t size) {
    if (offset > end_ || size > end_ - offset)
        return kErrorInvalidParameter;
    auto* p = static_cast<char*>(buffer);
    for (std::size_t done = 0; done < size;) {
        const Result<std::size_t> n = readSome(offset + done, p + done, size - done);
        if (!n)
            return n.error();
        if (*n == 0)
            return kErrorHandleEof;
        done += *n;
    }
    return kErrorSuccess;
}

} // namespace platform
