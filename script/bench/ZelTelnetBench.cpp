// Throughput of a 64 MiB passive download from a real FTP server on loopback: the engine
// running the backup script, then libcurl fetching the same file, in the same run.
#include "EngineHarness.h"
#include "ServerProcess.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <filesystem>
#include <fstream>
#include <random>

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

} // namespace

BENCHMARK(BM_EngineFetch)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CurlFetch)->Unit(benchmark::kMillisecond)->Iterations(3);
