// Throughput of a 64 MiB passive download from a real FTP server on loopback: the engine
// running the backup script, then libcurl fetching the same file, in the same run. And the
// heap an upload of 64 MiB needs at its peak, as a multiple of the file's size; and how the
// cost of a reply line that arrives in small pieces grows with its length.
#include "testing/EngineHarness.h"
#include "testing/FakeScriptSocket.h"
#include "testing/ManualTimerService.h"
#include "testing/ServerProcess.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <new>
#include <random>

// Heap in use and its peak, counted by the replaced allocation functions at the end.
struct HeapCount {
    std::atomic<size_t> lngInUse{0};
    std::atomic<size_t> lngPeak{0};
};
static HeapCount& Heap() {
    static HeapCount heap;
    return heap;
}

using namespace ata::script::test;
namespace fs = std::filesystem;

namespace {

constexpr size_t kSize = size_t{64} << 20;

struct Server {
    fs::path dir;
    std::unique_ptr<ServerProcess> process;
    Server() {
        dir = fs::temp_directory_path() / ("zeltelnet_bench_" + std::to_string(getpid()));
        fs::create_directories(dir / "RFA");
        std::mt19937 gen(1);
        std::string s(kSize, '\0');
        for (auto& ch : s)
            ch = static_cast<char>(gen() & 0xFF);
        std::ofstream(dir / "RFA" / "CONFIG.REG", std::ios::binary) << s;
        process = std::make_unique<ServerProcess>(
            std::vector<std::string>{FixturePath("pyftpd_rfa.py"), dir.string(), "bench", "pw"});
    }
    ~Server() {
        process.reset();
        fs::remove_all(dir);
    }
};

Server& TheServer() {
    static Server server;
    return server;
}

size_t CountBytes(char*, size_t size, size_t n, void* user) {
    *static_cast<size_t*>(user) += size * n;
    return size * n;
}

void BM_EngineFetch(benchmark::State& state) {
    Server& s = TheServer();
    // The script's one-second DELAY is not part of the transfer: it is left out here.
    std::string script = BackupScript(s.process->Port(), "bench", "pw");
    const auto pos = script.find("DELAY 1\r\n");
    script.erase(pos, 9);
    for (auto _ : state) {
        EngineHarness h;
        h.blnKeepData = false; // count only, as the curl side does
        h.Run(script, 300);
        if (h.lngDataBytes != kSize)
            state.SkipWithError("incomplete transfer");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void BM_CurlFetch(benchmark::State& state) {
    Server& s = TheServer();
    const std::string url =
        "ftp://bench:pw@127.0.0.1:" + std::to_string(s.process->Port()) + "/CONFIG.REG";
    for (auto _ : state) {
        size_t bytes = 0;
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CountBytes);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bytes);
        curl_easy_setopt(curl, CURLOPT_FTP_USE_EPSV, 0L);
        curl_easy_perform(curl);
        curl_easy_cleanup(curl);
        if (bytes != kSize)
            state.SkipWithError("incomplete transfer");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void BM_PutPeakHeap(benchmark::State& state) {
    Server& s = TheServer();
    const fs::path local = s.dir / "upload.bin";
    {
        std::ofstream out(local, std::ios::binary);
        out << std::string(kSize, 'u');
    }
    const std::string script = "HOST 127.0.0.1 " + std::to_string(s.process->Port()) +
                               "\r\nWAIT \"220\"\r\nSEND \"USER bench\\n\"\r\nWAIT \"331\"\r\n"
                               "SEND \"PASS pw\\n\"\r\nWAIT \"230\"\r\nSEND \"TYPE I\\n\"\r\n"
                               "WAIT \"200\"\r\nSEND \"PASV\\n\"\r\nWAIT \"227\"\r\n"
                               "STOR \"UP.BIN\\n\"\r\nWAIT \"ata connection\"\r\nPUT \"" +
                               local.string() +
                               "\"\r\nWAIT \"226\"\r\nSEND \"QUIT\\n\"\r\nWAIT \"221\"\r\n";
    double dblPeak = 0;
    for (auto _ : state) {
        const size_t lngBase = Heap().lngInUse;
        Heap().lngPeak = lngBase;
        {
            EngineHarness h;
            if (!h.Run(script, 300) || h.Last() != "Complete")
                state.SkipWithError("upload failed");
        }
        dblPeak = static_cast<double>(Heap().lngPeak - lngBase) / static_cast<double>(kSize);
    }
    state.counters["peak_heap_per_file_byte"] = dblPeak;
    fs::remove(local);
}

// One reply line of the given length in 64-byte pieces, its line end last.
void BM_LongReplyLineInPieces(benchmark::State& state) {
    const std::string strPiece(64, 'x');
    for (auto _ : state) {
        auto pMain = std::make_unique<FakeScriptSocket>();
        FakeScriptSocket& main = *pMain;
        ata::test::ManualTimerService timers;
        ata::script::ZelTelnet engine(std::move(pMain), std::make_unique<FakeScriptSocket>(),
                                      {&timers, {}, {}});
        engine.Mode = 2;
        engine.RunScript("HOST h 21\r\nWAIT \"220\"\r\n");
        main.Connected();
        for (int64_t n = 0; n < state.range(0); n += 64)
            main.Receive(strPiece);
        main.Receive("\r\n220 ready\r\n");
        if (engine.IsRunning())
            state.SkipWithError("the greeting was not seen");
    }
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_LongReplyLineInPieces)->RangeMultiplier(4)->Range(1 << 14, 1 << 20)->Complexity();
BENCHMARK(BM_PutPeakHeap)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_EngineFetch)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CurlFetch)->Unit(benchmark::kMillisecond)->Iterations(3);

// Allocation functions that keep the count above; everything else is the C library's.
static void* CountedAlloc(std::size_t lngSize) {
    void* p = std::malloc(lngSize == 0 ? 1 : lngSize);
    if (!p)
        throw std::bad_alloc();
    const size_t lngNow = Heap().lngInUse += malloc_usable_size(p);
    size_t lngPeak = Heap().lngPeak;
    while (lngNow > lngPeak && !Heap().lngPeak.compare_exchange_weak(lngPeak, lngNow)) {
    }
    return p;
}
static void CountedFree(void* p) noexcept {
    if (p) {
        Heap().lngInUse -= malloc_usable_size(p);
        std::free(p);
    }
}
void* operator new(std::size_t n) {
    return CountedAlloc(n);
}
void* operator new[](std::size_t n) {
    return CountedAlloc(n);
}
void operator delete(void* p) noexcept {
    CountedFree(p);
}
void operator delete[](void* p) noexcept {
    CountedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
    CountedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    CountedFree(p);
}
