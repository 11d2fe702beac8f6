// The finished content streams of the pages, compressed on a second thread
// while the drawing goes on, and kept only as their compressed bytes: in a
// scratch file until the save reads them back, or in memory where no
// scratch file can be had.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Host.h"

namespace tiskpdf {

// Compresses into the zlib format that FlateDecode reads: with libdeflate
// where the library is built with it, else with zlib. One object is used by
// one thread at a time.
class Deflater {
public:
    Deflater();
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    std::string compress(std::string_view data);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Streams handed in are compressed in the order given on a worker thread
// and kept under their numbers. Each result depends on its stream's data
// only, so the output is the same whatever the timing. A failure of the
// worker is raised by the next add() or by wait(), never lost.
class PageStreams {
public:
    using Compress = std::function<std::string(std::string_view)>;

    // An empty compress is a Deflater.
    explicit PageStreams(Compress compress = {});
    ~PageStreams();
    PageStreams(const PageStreams&) = delete;
    PageStreams& operator=(const PageStreams&) = delete;

    // Hands a finished stream to the worker; returns its number. Waits while
    // the worker is several streams behind, so that memory does not pile up.
    std::size_t add(std::string data);
    // Waits until every stream handed in is compressed.
    void wait();
    // The compressed bytes of stream n; only after wait(). A scratch file
    // that cannot be read back raises std::runtime_error.
    std::string compressed(std::size_t n) const;
    // The stream is not needed any more.
    void discard(std::size_t n);

private:
    static constexpr std::size_t kMaxQueued = 8;
    struct Job {
        std::size_t number;
        std::string data;
    };

    // A compressed stream: its bytes in the scratch file (size of them at
    // offset; only a stream with bytes goes there) or in data.
    struct Stored {
        std::string data;
        std::uint64_t offset = 0;
        std::size_t size = 0;
        bool dropped = false;
    };

    void work();
    void raiseFailure(); // with mutex_ held
    // The result in the scratch file where it can go, else kept in memory;
    // by the one thread that compresses, without mutex_ held.
    Stored spill(std::string result);

    Compress compress_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::vector<Stored> streams_;
    std::unique_ptr<platform::ScratchFile> scratch_;
    bool scratchTried_ = false;
    bool scratchFull_ = false;
    std::size_t busy_ = 0; // streams handed in and not yet stored
    std::exception_ptr failure_;
    bool stopping_ = false;
    bool inline_ = false; // no worker could be started: add() compresses itself
    std::thread worker_;
};

} // namespace tiskpdf
