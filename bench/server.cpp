// orvendi-server, measured as the agent meets it: a real process on loopback.
//   memory:      resident size once the pocketsphinx model is loaded, and without it
//   recognition: real-time factor (decoding time / audio time) of espeak-ng speech
//   notes:       GET /api/notes with 10,000 notes: the first answer after a change,
//                then requests per second with 1, 4 and 64 clients asking plainly,
//                for gzip, or revalidating with the ETag
//   load:        64 clients uploading 5-second dictations for 60 s: dictations/s,
//                p50/p99 latency, errors, the server's peak memory
//   load-standin: the same with the speech service replaced by a stand-in
//                answering at once (--asr URL), so that the server's own work
//                (connections, limits, parsing, conversion) is what is measured
// ORVENDI_BENCH_SERVER names another orvendi-server binary to measure (an
// older build, for a before-and-after comparison).
#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <numeric>
#include <regex>
#include <sstream>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <httplib.h>
#include <map>
#include <nlohmann/json.hpp>

#include "support/harness/ServerProcess.h"
#include "support/harness/SpokenAudio.h"
#include "support/harness/TempDir.h"
#include "support/harness/TestHTTPServer.h"

using namespace orvendi;
using namespace orvendi::test;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kNotes = 10'000;
constexpr int kSeedingClients = 4;

const char* serverBinary() {
    const char* other = std::getenv("ORVENDI_BENCH_SERVER");
    return other ? other : ORVENDI_BIN_DIR "/orvendi-server";
}
constexpr double kMeasureSeconds = 5;
constexpr time_t kSlowAnswerSeconds = 300;

long statusKiB(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::stol(line.substr(field.size()));
        }
    }
    return -1;
}

long residentKiB(pid_t pid) {
    return statusKiB(pid, "VmRSS:");
}

// Processor time the process has used so far (user and system), in seconds.
double cpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) { // utime, stime
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::unique_ptr<ServerProcess> startServer(const TempDir& temp, const std::string& name,
                                           std::vector<std::string> arguments) {
    return std::make_unique<ServerProcess>(ServerProcess::Options{
        serverBinary(), temp.path() / name, temp.path() / (name + ".log"), std::move(arguments)});
}

std::string signIn(httplib::Client& client, const std::filesystem::path& dataDir) {
    const std::string email = "bench@example.com";
    client.Post("/api/native-auth/request", nlohmann::json{{"email", email}}.dump(),
                "application/json");
    std::smatch match;
    const std::string mail = readFile(dataDir / "outbox" / (email + ".txt"));
    std::regex_search(mail, match, std::regex(R"(\b(\d{6})\b)"));
    const auto verified = client.Post(
        "/api/native-auth/verify",
        nlohmann::json{{"email", email}, {"code", match[1].str()}}.dump(), "application/json");
    return nlohmann::json::parse(verified->body)["accessToken"];
}

void measureMemory(const TempDir& temp) {
    const auto withModel = startServer(temp, "memory-ps", {});
    const auto withoutModel = startServer(temp, "memory-remote", {"--asr", "http://127.0.0.1:9"});
    std::printf("memory after start: %.1f MiB with the pocketsphinx model, %.1f MiB without\n",
                residentKiB(withModel->pid()) / 1024.0, residentKiB(withoutModel->pid()) / 1024.0);
    const std::regex loaded(R"(Loaded .*pocketsphinx .* in ([\d.]+) s)");
    std::smatch match;
    const std::string log = withModel->log();
    if (std::regex_search(log, match, loaded)) {
        std::printf("model load: %s s\n", match[1].str().c_str());
    }
}

void measureRecognition(const TempDir& temp) {
    const auto server = startServer(temp, "speech", {});
    httplib::Client client("127.0.0.1", server->port());
    client.set_read_timeout(300, 0);
    const std::string token = signIn(client, temp.path() / "speech");
    const std::string sentences[] = {
        "the quick brown fox jumps over the lazy dog",
        "please call me back tomorrow morning about the meeting",
        "remember to buy milk eggs and bread on the way home",
        "the weather will be sunny with a light breeze in the afternoon",
    };
    std::string paragraph;
    for (int i = 0; i < 3; ++i) {
        for (const auto& sentence : sentences) {
            paragraph += sentence + ". ";
        }
    }
    std::vector<std::string> utterances(std::begin(sentences), std::end(sentences));
    utterances.push_back(paragraph);
    for (const auto& text : utterances) {
        const Bytes wav = spokenWav(text, temp.path(), 16000);
        httplib::MultipartFormDataItems form = {
            {"audio", std::string(wav.begin(), wav.end()), "recording.wav", "audio/wav"},
            {"duration_secs", "1", "", ""},
            {"source", "bench", "", ""},
            {"ephemeral", "true", "", ""}};
        const auto started = Clock::now();
        const double cpuBefore = cpuSeconds(server->pid());
        const auto result =
            client.Post("/api/transcribe", {{"Authorization", "Bearer " + token}}, form);
        const double cpu = cpuSeconds(server->pid()) - cpuBefore;
        const double roundTrip = std::chrono::duration<double>(Clock::now() - started).count();
        const double audio = static_cast<double>(wav.size() - 44) / 32000;
        std::printf("recognition: %5.1f s of audio, round trip %.2f s (real-time factor %.2f), "
                    "server processor time %.2f s (real-time factor %.2f), status %d\n",
                    audio, roundTrip, roundTrip / audio, cpu, cpu / audio,
                    result ? result->status : 0);
    }
    const std::regex decoded(R"(Recognised ([\d.]+) s of audio in ([\d.]+) s)");
    const std::string log = server->log();
    double audioTotal = 0, decodeTotal = 0;
    for (std::sregex_iterator it(log.begin(), log.end(), decoded), end; it != end; ++it) {
        audioTotal += std::stod((*it)[1]);
        decodeTotal += std::stod((*it)[2]);
    }
    std::printf("recognition overall: %.1f s of audio decoded in %.1f s, real-time factor %.2f\n",
                audioTotal, decodeTotal, decodeTotal / audioTotal);
}

// How the listing clients ask.
struct ListingClient {
    const char* name;
    httplib::Headers headers; // beside the Authorization
    int expectedStatus = 200;
};

// Processor time this process (the clients) has used so far, in seconds.
double ownCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Throughput {
    double perSecond;
    double serverCpuPerRequest;
    double clientCpuPerRequest;
};

// Requests per second of wall time, and the processor time per request of
// the server and of the clients (on the same two cores).
Throughput requestsPerSecond(const ServerProcess& server, const std::string& path,
                             const httplib::Headers& headers, int expectedStatus, int threads) {
    const int port = server.port();
    const double cpuBefore = cpuSeconds(server.pid());
    const double clientCpuBefore = ownCpuSeconds();
    std::atomic<long> done{0};
    std::atomic<long> failed{0};
    const auto deadline = Clock::now() + std::chrono::duration<double>(kMeasureSeconds);
    std::vector<std::thread> workers;
    const auto started = Clock::now();
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_read_timeout(kSlowAnswerSeconds, 0);
            // A gzip body is counted as it arrives: inflating it is the client's
            // work, on another machine in real use.
            client.set_decompress(false);
            while (Clock::now() < deadline) {
                const auto result = client.Get(path.c_str(), headers);
                (result && result->status == expectedStatus ? done : failed)++;
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (failed > 0) {
        std::printf("  (%ld requests failed)\n", failed.load());
    }
    const double requests = static_cast<double>(std::max(1L, done.load()));
    return {done / seconds, (cpuSeconds(server.pid()) - cpuBefore) / requests,
            (ownCpuSeconds() - clientCpuBefore) / requests};
}

// The time of the first answer after the notes changed (nothing kept to
// reuse), the median of a few: an edit of one note, then the listing.
void measureFirstAnswer(httplib::Client& client, const httplib::Headers& auth,
                        const std::string& path, const std::string& noteId, bool gzip) {
    constexpr int kRounds = 5;
    httplib::Headers headers = auth;
    if (gzip) {
        headers.emplace("Accept-Encoding", "gzip");
    }
    client.set_decompress(false);
    std::vector<double> seconds;
    size_t bytes = 0;
    for (int round = 0; round < kRounds; ++round) {
        client.Patch(("/api/notes/" + noteId).c_str(), auth,
                     nlohmann::json{{"title", "Edited " + std::to_string(round)}}.dump(),
                     "application/json");
        const auto sent = Clock::now();
        const auto answer = client.Get(path.c_str(), headers);
        seconds.push_back(std::chrono::duration<double>(Clock::now() - sent).count());
        bytes = answer ? answer->body.size() : 0;
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("GET %-17s first answer after a change%s: %.0f ms (median of %d), %zu bytes\n",
                path.c_str(), gzip ? " (gzip)" : "", seconds[kRounds / 2] * 1000, kRounds, bytes);
}

void measureNotes(const TempDir& temp) {
    // 64 clients from one address.
    const auto server = startServer(
        temp, "notes", {"--asr", "http://127.0.0.1:9", "--connections-per-client", "80"});
    httplib::Client client("127.0.0.1", server->port());
    client.set_keep_alive(true);
    // The full listing of 10,000 notes takes seconds on a busy machine.
    client.set_read_timeout(kSlowAnswerSeconds, 0);
    const std::string token = signIn(client, temp.path() / "notes");
    const httplib::Headers auth = {{"Authorization", "Bearer " + token}};
    auto seed = [&](int first) {
        httplib::Client seeder("127.0.0.1", server->port());
        seeder.set_keep_alive(true);
        for (int i = first; i < kNotes; i += kSeedingClients) {
            const std::string text = "Note number " + std::to_string(i) +
                                     " about the project plan and what to do next week.";
            const auto made = seeder.Post("/api/transcribe/finalize", auth,
                                          nlohmann::json{{"rawText", text},
                                                         {"cleanedText", text},
                                                         {"durationSecs", 5},
                                                         {"source", "bench"}}
                                              .dump(),
                                          "application/json");
            const std::string id = nlohmann::json::parse(made->body)["raw"]["id"];
            // Ten projects and a few tags, so every note has related notes to work out.
            seeder.Patch(
                ("/api/notes/" + id).c_str(), auth,
                nlohmann::json{
                    {"project", "project " + std::to_string(i % 10)},
                    {"tags", {"tag" + std::to_string(i % 7), "tag" + std::to_string(i % 3)}}}
                    .dump(),
                "application/json");
        }
    };
    std::vector<std::thread> seeders;
    for (int first = 0; first < kSeedingClients; ++first) {
        seeders.emplace_back(seed, first);
    }
    for (auto& seeder : seeders) {
        seeder.join();
    }
    std::string someNote;
    if (const auto listing = client.Get("/api/notes", auth)) {
        someNote = nlohmann::json::parse(listing->body)["notes"][0]["id"];
    }
    // The short listing first: a slow full listing must not hold its figures back.
    for (const std::string path : {"/api/notes", "/api/notes?full=1"}) {
        const auto listing = client.Get(path.c_str(), auth);
        std::printf("notes: %d notes, %s answers %zu bytes\n", kNotes, path.c_str(),
                    listing ? listing->body.size() : 0);
        const bool full = path.find("full") != std::string::npos;
        measureFirstAnswer(client, auth, path, someNote, false);
        if (!full) {
            measureFirstAnswer(client, auth, path, someNote, true);
        }
        const std::string etag = client.Get(path.c_str(), auth)->get_header_value("ETag");
        const ListingClient kinds[] = {{"plain", {}, 200},
                                       {"gzip", {{"Accept-Encoding", "gzip"}}, 200},
                                       {"revalidating", {{"If-None-Match", etag}}, 304}};
        for (const auto& kind : kinds) {
            httplib::Headers headers = kind.headers;
            headers.emplace("Authorization", "Bearer " + token);
            for (int threads : {1, 4, 64}) {
                if (full && threads > 1) {
                    continue; // the full listing is heavy: one client says enough
                }
                const auto measured =
                    requestsPerSecond(*server, path, headers, kind.expectedStatus, threads);
                std::printf("GET %-17s %-12s %2d client%s: %6.0f requests/s, processor time "
                            "per request %.2f ms in the server, %.2f ms in the clients\n",
                            path.c_str(), kind.name, threads, threads == 1 ? " " : "s",
                            measured.perSecond, measured.serverCpuPerRequest * 1000,
                            measured.clientCpuPerRequest * 1000);
            }
        }
    }
}

// One request on its own connection from a chosen loopback address (clients
// spread over several addresses, as on a LAN); the HTTP status, 0 on failure.
int postOnce(int port, const std::string& from, const std::string& request) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{}, server{};
    local.sin_family = server.sin_family = AF_INET;
    inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    server.sin_port = htons(static_cast<uint16_t>(port));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{300, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string answer;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
        ::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
            answer.append(buffer, static_cast<size_t>(got));
        }
    }
    ::close(fd);
    return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(answer.c_str() + 9) : 0;
}

// `seconds` of 16 kHz speech: the sentence spoken, repeated or cut to length.
std::string dictationOf(double seconds, const TempDir& temp) {
    const Bytes spoken =
        spokenWav("remember to buy milk eggs and bread on the way home", temp.path(), 16000);
    const size_t pcmBytes = static_cast<size_t>(seconds * 32000);
    std::string pcm;
    while (pcm.size() < pcmBytes) {
        pcm.append(spoken.begin() + 44, spoken.end());
    }
    pcm.resize(pcmBytes);
    std::string wav(spoken.begin(), spoken.begin() + 44);
    const auto put32 = [&wav](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            wav[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
        }
    };
    put32(4, static_cast<uint32_t>(36 + pcm.size()));
    put32(40, static_cast<uint32_t>(pcm.size()));
    return wav + pcm;
}

// `recognizer`: the --asr the server runs with; empty for pocketsphinx.
void measureLoad(const TempDir& temp, const std::string& recognizer) {
    constexpr int kClients = 64;
    constexpr int kClientAddresses = 8;
    constexpr double kSeconds = 60;
    const auto server =
        startServer(temp, recognizer.empty() ? "load" : "load-standin",
                    recognizer.empty() ? std::vector<std::string>{}
                                       : std::vector<std::string>{"--asr", recognizer});
    httplib::Client client("127.0.0.1", server->port());
    const std::string token = signIn(client, server->dataDir());
    const std::string boundary = "bench-boundary";
    const std::string body =
        "--" + boundary +
        "\r\nContent-Disposition: form-data; name=\"audio\"; "
        "filename=\"recording.wav\"\r\nContent-Type: audio/wav\r\n\r\n" +
        dictationOf(5, temp) + "\r\n--" + boundary +
        "\r\nContent-Disposition: form-data; name=\"ephemeral\"\r\n\r\ntrue\r\n--" + boundary +
        "--\r\n";
    const std::string request =
        "POST /api/transcribe HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
        "Authorization: Bearer " +
        token + "\r\nContent-Type: multipart/form-data; boundary=" + boundary +
        "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;

    std::mutex mutex;
    std::vector<double> latencies;
    std::map<int, long> errors; // by status, 0 for no answer
    const auto deadline = Clock::now() + std::chrono::duration<double>(kSeconds);
    const auto started = Clock::now();
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        const std::string from = "127.0.3." + std::to_string(1 + c % kClientAddresses);
        clients.emplace_back([&, from] {
            while (Clock::now() < deadline) {
                const auto sent = Clock::now();
                const int status = postOnce(server->port(), from, request);
                const double latency = std::chrono::duration<double>(Clock::now() - sent).count();
                std::lock_guard lock(mutex);
                if (status == 200) {
                    latencies.push_back(latency);
                } else {
                    ++errors[status];
                }
            }
        });
    }
    for (auto& thread : clients) {
        thread.join();
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    std::sort(latencies.begin(), latencies.end());
    const auto percentile = [&latencies](double p) {
        return latencies.empty() ? 0.0
                                 : latencies[std::min(latencies.size() - 1,
                                                      static_cast<size_t>(p * latencies.size()))];
    };
    long errorCount = 0;
    std::string byStatus;
    for (const auto& [status, count] : errors) {
        errorCount += count;
        byStatus += " " + std::to_string(count) + " x " +
                    (status == 0 ? std::string("no answer") : std::to_string(status));
    }
    std::printf("load (%s): %d clients, 5 s dictations for %.0f s: %zu done (%.2f dictations/s), "
                "latency p50 %.2f s p99 %.2f s, %ld errors%s, server peak memory %.1f MiB\n",
                recognizer.empty() ? "pocketsphinx" : "stand-in recognizer", kClients, elapsed,
                latencies.size(), latencies.size() / elapsed, percentile(0.5), percentile(0.99),
                errorCount, byStatus.c_str(), statusKiB(server->pid(), "VmHWM:") / 1024.0);
}

// The speech service replaced by one that answers every upload at once.
void measureLoadWithStandIn(const TempDir& temp) {
    TestHTTPServer standIn;
    standIn.respond("POST", "/v1/audio/transcriptions",
                    ScriptedResponse::json(200, {{"text", "remember to buy milk"}}));
    measureLoad(temp, standIn.url());
}

} // namespace

// With arguments, only the named parts run: memory, recognition, notes, load,
// load-standin.
int main(int argc, char** argv) {
    const std::vector<std::string> parts(argv + 1, argv + argc);
    auto wanted = [&](const std::string& part) {
        return parts.empty() || std::find(parts.begin(), parts.end(), part) != parts.end();
    };
    // Each figure is printed as soon as it is known, even into a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    TempDir temp;
    if (wanted("memory")) {
        measureMemory(temp);
    }
    if (wanted("recognition")) {
        measureRecognition(temp);
    }
    if (wanted("notes")) {
        measureNotes(temp);
    }
    if (wanted("load")) {
        measureLoad(temp, "");
    }
    if (wanted("load-standin")) {
        measureLoadWithStandIn(temp);
    }
    return 0;
}
