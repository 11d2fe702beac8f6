// Compression of the finished content streams on a worker thread.
#include "PageStreams.h"

#include <limits>
#include <new>
#include <stdexcept>
#include <system_error>

#if TISKPDF_LIBDEFLATE
#include <libdeflate.h>
#else
#include <zlib.h>
#endif

namespace tiskpdf {

namespace {

// libdeflate's level 6 compresses the pages of printouts smaller than
// zlib's level 9 in half the time of zlib's level 6 (`make bench` measures
// every level of both); zlib's level 6 is its default, as qpdf compresses.
constexpr int kLevel = 6;

} // namespace

struct Deflater::State {
#if TISKPDF_LIBDEFLATE
    libdeflate_compressor* compressor = nullptr;
    ~State() {
        libdeflate_free_compressor(compressor);
    }
#else
    z_stream stream{}; // one deflate state for every stream, reset in between
    bool ready = false;
    ~State() {
        if (ready)
            deflateEnd(&stream);
    }
#endif
    std::vector<unsigned char> buffer;
};

Deflater::Deflater() : state_(std::make_unique<State>()) {}

Deflater::~Deflater() = default;

std::string Deflater::compress(std::string_view data) {
    State& s = *state_;
#if TISKPDF_LIBDEFLATE
    if (!s.compressor) {
        s.compressor = libdeflate_alloc_compressor(kLevel);
        if (!s.compressor)
            throw std::bad_alloc();
    }
    s.buffer.resize(libdeflate_zlib_compress_bound(s.compressor, data.size()));
    const std::size_t n = libdeflate_zlib_compress(s.compressor, data.data(), data.size(),
                                                   s.buffer.data(), s.buffer.size());
    if (n == 0)
        throw std::runtime_error("libdeflate_zlib_compress");
#else
    if (data.size() > std::numeric_limits<uInt>::max() / 2)
        throw std::length_error("page content beyond zlib's limit");
    z_stream& z = s.stream;
    const int ready = s.ready ? deflateReset(&z) : deflateInit(&z, kLevel);
    if (ready == Z_MEM_ERROR)
        throw std::bad_alloc();
    if (ready != Z_OK)
        throw std::runtime_error("zlib deflateInit: " + std::to_string(ready));
    s.ready = true;
    s.buffer.resize(deflateBound(&z, static_cast<uLong>(data.size())));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = s.buffer.data();
    z.avail_out = static_cast<uInt>(s.buffer.size());
    const int rc = deflate(&z, Z_FINISH);
    if (rc != Z_STREAM_END)
        throw std::runtime_error("zlib deflate: " + std::to_string(rc));
    const std::size_t n = z.total_out;
#endif
    // A string of its own size: the buffer's bound would keep the raw size.
    return std::string(reinterpret_cast<const char*>(s.buffer.data()), n);
}

PageStreams::PageStreams(Compress compress) : compress_(std::move(compress)) {
    if (!compress_)
        compress_ = [deflater = std::make_shared<Deflater>()](std::string_view data) {
            return deflater->compress(data);
        };
}

PageStreams::~PageStreams() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

void PageStreams::raiseFailure() {
    if (failure_)
        std::rethrow_exception(failure_);
}

std::size_t PageStreams::add(std::string data) {
    std::unique_lock<std::mutex> lock(mutex_);
    raiseFailure();
    if (!worker_.joinable() && !inline_) {
        try {
            worker_ = std::thread(&PageStreams::work, this);
        } catch (const std::system_error&) {
            inline_ = true; // no second thread on this system: compressed here
        }
    }
    const std::size_t n = streams_.size();
    if (inline_) {
        streams_.push_back(spill(compress_(data)));
        return n;
    }
    changed_.wait(lock, [this] { return queue_.size() < kMaxQueued || failure_; });
    raiseFailure();
    streams_.emplace_back();
    queue_.push_back({n, std::move(data)});
    ++busy_;
    changed_.notify_all();
    return n;
}

void PageStreams::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        Job job = std::move(queue_.front());
        queue_.pop_front();
        changed_.notify_all(); // there is room in the queue
        lock.unlock();
        std::string result;
        std::exception_ptr error;
        try {
            result = compress_(job.data);
        } catch (...) {
            error = std::current_exception();
        }
        std::string().swap(job.data);
        Stored stored = error ? Stored{} : spill(std::move(result));
        lock.lock();
        if (error && !failure_)
            failure_ = error;
        if (!streams_[job.number].dropped)
            streams_[job.number] = std::move(stored);
        --busy_;
        changed_.notify_all();
    }
}

void PageStreams::wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return busy_ == 0; });
    raiseFailure();
}

PageStreams::Stored PageStreams::spill(std::string result) {
    if (!scratchTried_) {
        scratchTried_ = true;
        if (auto created = platform::createScratchFile())
            scratch_ = std::move(*created);
    }
    Stored stored;
    // A full disk keeps this stream and the rest in memory.
    if (scratch_ && !scratchFull_ && !result.empty()) {
        if (const auto offset = scratch_->append(result.data(), result.size())) {
            stored.offset = *offset;
            stored.size = result.size();
            return stored;
        }
        scratchFull_ = true;
    }
    stored.data = std::move(result);
    return stored;
}

std::string PageStreams::compressed(std::size_t n) const {
    const Stored& stored = streams_[n];
    if (stored.size == 0 || stored.dropped)
        return stored.data;
    std::string data(stored.size, '\0');
    if (const platform::WinError e = scratch_->readAt(stored.offset, data.data(), data.size()))
        throw std::runtime_error("page content cannot be read back (error " + std::to_string(e) +
                                 ")");
    return data;
}

void PageStreams::discard(std::size_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (n >= streams_.size())
        return;
    Stored& stored = streams_[n];
    stored.dropped = true;
    std::string().swap(stored.data);
}

} // namespace tiskpdf
