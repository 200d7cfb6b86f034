#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvendi::server {

class Database;

// What each installation of the agent reported: its permission status (the
// latest report replaces the one before) and the activation milestones it
// reached (each kept once, with the time it was first reported).
class TelemetryStore {
public:
    struct Permissions {
        bool microphone = false;
        bool accessibility = false;
        bool inputMonitoring = false;
        bool screenRecording = false;
        double reportedAt = 0;
    };
    struct Milestone {
        std::string event;
        double recordedAt = 0;
    };
    struct Installation {
        std::string installationId;
        std::string platform;
        std::string appVersion;
        std::optional<Permissions> permissions;
        std::vector<Milestone> milestones;
    };
    struct Source {
        int64_t userId = 0;
        std::string installationId;
        std::string platform;
        std::string appVersion;
    };

    explicit TelemetryStore(Database& db);

    void recordMilestone(const Source& source, const std::string& event, double now);
    void recordPermissions(const Source& source, const Permissions& permissions);
    // The user's installations, the most recently heard from first.
    std::vector<Installation> installations(int64_t userId);

private:
    Database& db_;
};

} // namespace orvendi::server
