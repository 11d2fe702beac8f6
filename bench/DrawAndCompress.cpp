// The two halves of a Listar2 job that must happen anyway, each measured
// alone, beside the whole job, in one process:
//
//   bench_halves <parameter file> [rounds]
//
//   job          the job as Listar2 runs it
//   drawing      the same job with the pages' content set aside instead of
//                compressed: the walk through the text, the drawing, the
//                template and the save (of empty page content)
//   compressing  the same pages' content compressed alone, one stream after
//                the other, with the document library's deflater
//
// Prints the median of each in milliseconds and the job's time over the
// longer half. Each round ends with the real job, so that the output file
// left behind is a valid PDF.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "ProgIdRegistry.h"
#include "linux/LinuxConsoleUserInterface.h"
#include "mdlGlob.h"
#include "platform/Host.h"
#include "tiskpdf/PageStreams.h"
#include "tiskpdf/TiskPdf.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the job with the document made by `compress` (empty: the deflater);
// returns its time in milliseconds.
double runJob(const std::string& parameters, tiskpdf::PageCompression compress) {
    pdfforms::ConsoleUserInterface ui;
    platform::HostOptions options;
    options.ui = &ui;
    const auto windows = platform::makeHostWindows(options);
    pdfforms::ProgIdRegistry registry;
    registry.Register(pdfforms::kPdfDocumentProgId,
                      [&compress](const pdfforms::PdfDocumentHost& host) {
                          return tiskpdf::CreatePdfDocument(host, compress);
                      });
    pdfforms::mdlGlob::Job job(*windows, registry);
    const Clock::time_point start = Clock::now();
    const int status = pdfforms::mdlGlob::ExitStatus(job.Main("$ " + parameters));
    const double ms = since(start);
    if (status != 0)
        throw std::runtime_error("the job failed (exit status " + std::to_string(status) + ")");
    return ms;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("usage: bench_halves <parameter file> [rounds]\n", stderr);
        return 2;
    }
    const std::string parameters = argv[1];
    const int rounds = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;
    try {
        std::vector<double> job, drawing, compressing;
        std::size_t pages = 0, bytes = 0;
        for (int r = 0; r < rounds; ++r) {
            std::vector<std::string> contents;
            drawing.push_back(runJob(parameters, [&contents](std::string_view content) {
                contents.emplace_back(content);
                return std::string();
            }));
            tiskpdf::Deflater deflater;
            bytes = 0;
            const Clock::time_point start = Clock::now();
            for (const std::string& c : contents)
                bytes += deflater.compress(c).size();
            compressing.push_back(since(start));
            pages = contents.size();
            job.push_back(runJob(parameters, nullptr));
        }
        const double j = median(job), d = median(drawing), c = median(compressing);
        std::printf("%zu page streams, %zu bytes compressed\n", pages, bytes);
        std::printf("job %.1f ms\ndrawing %.1f ms\ncompressing %.1f ms\n", j, d, c);
        std::printf("job / longer half %.2f\n", j / std::max(d, c));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_halves: %s\n", e.what());
        return 1;
    }
    return 0;
}
