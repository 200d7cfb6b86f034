#include "ClientFixture.h"
#include "capture/WAV.h"

namespace orvendi::test {
namespace {

constexpr const char* kUpload = "/api/transcribe";
constexpr const char* kFinalize = "/api/transcribe/finalize";

class ChunkProgress : public ClientFixture {
protected:
    ChunkProgress() {
        server.respond("POST", kUpload, ScriptedResponse::json(200, {{"text", "part"}}));
        server.respond("POST", kFinalize,
                       ScriptedResponse::json(200, {{"raw", {{"text", "all"}, {"id", "n"}}}}));
    }

    // Each report with the number of uploads the server had seen by then.
    struct Report {
        size_t chunk;
        size_t chunks;
        size_t uploadsBefore;
        bool operator==(const Report&) const = default;
    };

    APIClient::ChunkProgress recorder() {
        return [this](size_t chunk, size_t chunks) {
            reports.push_back({chunk, chunks, server.requestCount(kUpload)});
        };
    }

    std::vector<Report> reports;
};

TEST_F(ChunkProgress, ReportsEachChunkBeforeItGoesUp) {
    const Bytes wav = *WAV::wrap(Bytes(6'400'000, 1)); // 200 seconds: three chunks
    signedInClient().transcribeWithReceipt(wav, 200, false, recorder());
    EXPECT_EQ(reports, (std::vector<Report>{{1, 3, 0}, {2, 3, 1}, {3, 3, 2}}));
}

TEST_F(ChunkProgress, SingleUploadsReportNothing) {
    APIClient& api = signedInClient();
    api.transcribeWithReceipt(*WAV::wrap(Bytes(3'145'728, 1)), 98, false, recorder());
    api.transcribeWithReceipt(*WAV::wrap(Bytes(6'400'000, 1)), 200, true, recorder());
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(server.requestCount(kUpload), 2u);
}

} // namespace
} // namespace orvendi::test
