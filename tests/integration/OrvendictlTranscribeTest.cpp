#include <cmath>

#include "support/harness/SoundFiles.h"
#include "support/harness/SpokenAudio.h"
#include "support/harness/ToolFixture.h"

namespace orvendi::test {
namespace {

using Orvendictl = ToolFixture;

// The offline recogniser gets synthetic speech roughly right; a loose bound
// still tells a real transcript from an empty or foreign one.
constexpr double kLooseWordErrorRate = 0.5;

TEST_F(Orvendictl, TranscribesSpokenFilesAsPlainTextAndAsJson) {
    const auto spoken = spokenFile("numbers.wav");
    const auto plain = tool({"transcribe", spoken.string()});
    ASSERT_EQ(plain.status, 0) << plain.err;
    const auto lines = linesOf(plain.out);
    ASSERT_EQ(lines.size(), 1u) << plain.out;
    EXPECT_LE(wordErrorRate(kSentence, lines[0]), kLooseWordErrorRate) << lines[0];

    const auto json = tool({"transcribe", "--json", spoken.string(), spoken.string()});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto objects = jsonLines(json.out);
    ASSERT_EQ(objects.size(), 2u);
    const auto& first = objects[0];
    std::vector<std::string> keys;
    for (const auto& item : first.items()) {
        keys.push_back(item.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"file", "text", "raw_text", "id", "duration_secs"}));
    EXPECT_EQ(first["file"], spoken.string());
    EXPECT_LE(wordErrorRate(kSentence, first["raw_text"]), kLooseWordErrorRate);
    EXPECT_TRUE(first["id"].is_string());
    EXPECT_NE(first["id"], objects[1]["id"]);
    const SoundInfo info = soundInfo(spoken);
    EXPECT_EQ(first["duration_secs"], std::llround(double(info.frames) / double(info.sampleRate)));
}

TEST_F(Orvendictl, FilesWithoutAVoiceAreNotSentAndAFailedFileOutweighsThem) {
    const auto spoken = spokenFile("numbers.wav");
    const auto silent = silentFile("silent.wav");
    const auto noise = temp() / "noise.wav";
    const auto missing = temp() / "missing.flac";
    runTool("sox -n -r 16000 -c 1 -b 16 " + shellQuoted(noise) + " synth 2 square 100 vol 0.99");

    const auto run = tool({"transcribe", silent.string(), noise.string()});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, silent.string() + ": no voice signal (silence or noise); not sent.\n" +
                           noise.string() + ": no voice signal (silence or noise); not sent.\n");
    const auto sync = tool({"sync"});
    EXPECT_EQ(sync.err, "Wrote 0 notes to " + notesFolder().string() + ".\n");

    // The others still go.
    const auto failed =
        tool({"transcribe", "--json", missing.string(), silent.string(), spoken.string()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(jsonLines(failed.out).size(), 1u);
    EXPECT_NE(failed.err.find(missing.string() + ": No such file or directory\n"),
              std::string::npos)
        << failed.err;
    const auto onlySilent = tool({"transcribe", silent.string(), spoken.string()});
    EXPECT_EQ(onlySilent.status, 3);
    EXPECT_EQ(linesOf(onlySilent.out).size(), 1u);
}

// A long file and an ephemeral one, then the vault written where the
// configuration says.
TEST_F(Orvendictl, AThreeMinuteFileGoesUpInPartsAndSyncWritesItAloneToTheVault) {
    // The sentence at the start of each minute, quiet noise in between.
    const auto spoken = spokenFile("numbers.wav");
    const auto minute = temp() / "minute.wav";
    const auto longFile = temp() / "three-minutes.flac";
    runTool("sox " + shellQuoted(spoken) + " -r 16000 " + shellQuoted(minute) +
            " pad 0 60 trim 0 60");
    runTool("sox " + shellQuoted(minute) + " " + shellQuoted(minute) + " " + shellQuoted(minute) +
            " " + shellQuoted(longFile));

    const auto run = tool({"transcribe", "--json", longFile.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto objects = jsonLines(run.out);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0]["duration_secs"], 180);
    // Parts of one utterance: their texts joined by single spaces, in order.
    const std::string text = objects[0]["raw_text"];
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    EXPECT_LE(wordErrorRate(std::string(kSentence) + " " + kSentence + " " + kSentence, text),
              kLooseWordErrorRate)
        << text;
    const auto ephemeral = tool({"transcribe", "--ephemeral", spoken.string()});
    ASSERT_EQ(ephemeral.status, 0) << ephemeral.err;

    const auto sync = tool({"sync"});
    ASSERT_EQ(sync.status, 0) << sync.err;
    EXPECT_EQ(sync.out, "");
    EXPECT_EQ(sync.err, "Wrote 1 notes to " + notesFolder().string() + ".\n");
    const auto notes = filesIn(notesFolder(), ".md");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(readFile(notes[0]).find("source: "), std::string::npos);

    // A vault folder of the user's choosing, "~" standing for the home folder.
    auto config = nlohmann::json::parse(readFile(home() / ".orvendi" / "config.json"));
    config["vault_dir"] = "~/Documents/Vault";
    writeFile(home() / ".orvendi" / "config.json", config.dump());
    const auto moved = tool({"sync"});
    ASSERT_EQ(moved.status, 0) << moved.err;
    EXPECT_EQ(filesIn(home() / "Documents" / "Vault" / "Notes", ".md").size(), 1u);
}

// Without the service transcribing and syncing fail with a description;
// status needs no network.
TEST_F(Orvendictl, WithoutTheServiceTranscribeAndSyncFailAndStatusStillAnswers) {
    const auto spoken = spokenFile("numbers.wav");
    stopServer();
    const auto failed = tool({"transcribe", spoken.string()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_EQ(failed.err.rfind(spoken.string() + ": ", 0), 0u) << failed.err;
    const auto sync = tool({"sync"});
    EXPECT_EQ(sync.status, 1);
    EXPECT_NE(sync.err, "");

    const auto run = tool({"status", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto status = nlohmann::json::parse(run.out);
    EXPECT_EQ(status["config_file"], (home() / ".orvendi" / "config.json").string());
    EXPECT_EQ(status["session_stored"], nullptr) << "no keyring in this test";
    EXPECT_EQ(status["pending_recordings"], 0);
    EXPECT_EQ(status["pending_recordings_dir"], pendingFolder().string());
    EXPECT_EQ(status["vault_dir"], notesFolder().string());
    const std::string id = status["installation_id"];
    EXPECT_EQ(id.size(), 36u);
    EXPECT_EQ(nlohmann::json::parse(tool({"status", "--json"}).out)["installation_id"], id);

    std::filesystem::remove(home() / ".orvendi" / "config.json");
    const auto plain = tool({"status"});
    EXPECT_NE(plain.out.find("Configuration file: none, built-in defaults in force"),
              std::string::npos)
        << plain.out;
    EXPECT_NE(plain.out.find("API URL: http://localhost:3000\n"), std::string::npos);
    EXPECT_NE(plain.out.find("Installation id: " + id + "\n"), std::string::npos);
}

} // namespace
} // namespace orvendi::test
