#include "storage/TelemetryStore.h"

#include <algorithm>
#include <map>

#include "storage/Database.h"

namespace orvendi::server {

TelemetryStore::TelemetryStore(Database& db) : db_(db) {}

void TelemetryStore::recordMilestone(const Source& source, const std::string& event, double now) {
    db_.withConnection([&] {
        Statement insert =
            db_.prepare("INSERT OR IGNORE INTO activation_events "
                        "(user_id, installation_id, event, platform, app_version, recorded_at) "
                        "VALUES (?, ?, ?, ?, ?, ?)");
        insert.bindInteger(1, source.userId)
            .bindText(2, source.installationId)
            .bindText(3, event)
            .bindText(4, source.platform)
            .bindText(5, source.appVersion)
            .bindReal(6, now)
            .run();
    });
}

void TelemetryStore::recordPermissions(const Source& source, const Permissions& permissions) {
    db_.withConnection([&] {
        Statement upsert = db_.prepare(
            "INSERT OR REPLACE INTO native_status (user_id, installation_id, platform, "
            "app_version, microphone, accessibility, input_monitoring, screen_recording, "
            "reported_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
        upsert.bindInteger(1, source.userId)
            .bindText(2, source.installationId)
            .bindText(3, source.platform)
            .bindText(4, source.appVersion)
            .bindInteger(5, permissions.microphone)
            .bindInteger(6, permissions.accessibility)
            .bindInteger(7, permissions.inputMonitoring)
            .bindInteger(8, permissions.screenRecording)
            .bindReal(9, permissions.reportedAt)
            .run();
    });
}

std::vector<TelemetryStore::Installation> TelemetryStore::installations(int64_t userId) {
    std::map<std::string, Installation> byId;
    std::map<std::string, double> lastHeard;
    db_.withConnection([&] {
        Statement status =
            db_.prepare("SELECT installation_id, platform, app_version, microphone, accessibility, "
                        "input_monitoring, screen_recording, reported_at FROM native_status "
                        "WHERE user_id = ?");
        status.bindInteger(1, userId);
        while (status.step()) {
            Installation& installation = byId[status.text(0)];
            installation.installationId = status.text(0);
            installation.platform = status.text(1);
            installation.appVersion = status.text(2);
            installation.permissions =
                Permissions{status.integer(3) != 0, status.integer(4) != 0, status.integer(5) != 0,
                            status.integer(6) != 0, status.real(7)};
            lastHeard[installation.installationId] = status.real(7);
        }
        Statement events =
            db_.prepare("SELECT installation_id, platform, app_version, event, recorded_at "
                        "FROM activation_events WHERE user_id = ? ORDER BY recorded_at, event");
        events.bindInteger(1, userId);
        while (events.step()) {
            Installation& installation = byId[events.text(0)];
            if (installation.installationId.empty()) {
                installation.installationId = events.text(0);
                installation.platform = events.text(1);
                installation.appVersion = events.text(2);
            }
            installation.milestones.push_back({events.text(3), events.real(4)});
            double& heard = lastHeard[installation.installationId];
            heard = std::max(heard, events.real(4));
        }
    });
    std::vector<Installation> result;
    for (auto& [id, installation] : byId) {
        result.push_back(std::move(installation));
    }
    std::stable_sort(result.begin(), result.end(), [&](const auto& a, const auto& b) {
        return lastHeard[a.installationId] > lastHeard[b.installationId];
    });
    return result;
}

} // namespace orvendi::server
