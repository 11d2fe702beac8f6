// Measures the compression of page content for the benchmarks.
//
//   bench_deflate streams <pdf>   each page's own content streams compressed
//                                 alone with zlib and libdeflate at every
//                                 level: total bytes and time
//   bench_deflate floor <text>    the pages of a text (split at form feeds)
//                                 compressed each alone with zlib level 9:
//                                 the least the pages' streams can take
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <zlib.h>

#if BENCH_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace {

std::size_t zlibSize(const std::string& data, int level, std::vector<unsigned char>& buffer) {
    uLongf n = compressBound(static_cast<uLong>(data.size()));
    buffer.resize(n);
    compress2(buffer.data(), &n, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), level);
    return n;
}

// The page streams that no other page shares (the text the document drew).
std::vector<std::string> pageStreams(const char* file) {
    QPDF pdf;
    pdf.processFile(file);
    std::map<QPDFObjGen, int> uses;
    std::vector<std::vector<QPDFObjectHandle>> perPage;
    for (QPDFObjectHandle page : pdf.getAllPages()) {
        perPage.emplace_back();
        QPDFObjectHandle contents = page.getKey("/Contents");
        std::vector<QPDFObjectHandle> list =
            contents.isArray() ? contents.getArrayAsVector() : std::vector{contents};
        for (auto& s : list)
            if (s.isStream()) {
                ++uses[s.getObjGen()];
                perPage.back().push_back(s);
            }
    }
    std::vector<std::string> streams;
    for (auto& list : perPage)
        for (auto& s : list)
            if (uses[s.getObjGen()] == 1) {
                std::shared_ptr<Buffer> b = s.getStreamData(qpdf_dl_generalized);
                streams.emplace_back(reinterpret_cast<const char*>(b->getBuffer()), b->getSize());
            }
    return streams;
}

void measure(const std::string& name, const std::vector<std::string>& streams,
             const std::function<std::size_t(const std::string&)>& compress) {
    std::size_t bytes = 0;
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        bytes = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& s : streams)
            bytes += compress(s);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    std::printf("  %-14s %10zu bytes %8.1f ms\n", name.c_str(), bytes, best * 1000);
}

int streams(const char* file) {
    const std::vector<std::string> streams = pageStreams(file);
    std::size_t raw = 0;
    for (auto& s : streams)
        raw += s.size();
    std::printf("%zu page streams, %zu bytes (each compressed alone; best of 5 rounds):\n",
                streams.size(), raw);
    std::vector<unsigned char> buffer;
    for (int level : {1, 6, 9})
        measure("zlib " + std::to_string(level), streams,
                [&](const std::string& s) { return zlibSize(s, level, buffer); });
#if BENCH_LIBDEFLATE
    for (int level = 1; level <= 12; ++level) {
        libdeflate_compressor* c = libdeflate_alloc_compressor(level);
        measure("libdeflate " + std::to_string(level), streams, [&](const std::string& s) {
            buffer.resize(libdeflate_zlib_compress_bound(c, s.size()));
            return libdeflate_zlib_compress(c, s.data(), s.size(), buffer.data(), buffer.size());
        });
        libdeflate_free_compressor(c);
    }
#endif
    return 0;
}

int floor(const char* file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    std::vector<unsigned char> buffer;
    std::size_t total = 0, pages = 0;
    for (std::size_t from = 0; from < all.size();) {
        std::size_t end = all.find('\f', from);
        if (end == std::string::npos)
            end = all.size();
        if (end > from) {
            total += zlibSize(all.substr(from, end - from), 9, buffer);
            ++pages;
        }
        from = end + 1;
    }
    std::printf("%zu %zu\n", total, pages);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "streams")
        return streams(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "floor")
        return floor(argv[2]);
    std::fprintf(stderr, "usage: bench_deflate streams <pdf> | floor <text>\n");
    return 2;
}
