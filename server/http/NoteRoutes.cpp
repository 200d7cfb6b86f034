#include "http/NoteRoutes.h"

#include <algorithm>

#include "Clock.h"
#include "ServiceError.h"
#include "Utf8.h"
#include "base/IsoTime.h"
#include "http/BearerAuth.h"
#include "http/CachedReply.h"
#include "http/JsonReply.h"
#include "http/JsonRequest.h"
#include "http/NoteJson.h"
#include "http/NoteListings.h"
#include "http/Router.h"
#include "storage/NoteStore.h"

namespace orvendi::server {

namespace {

constexpr const char* kNotePath = "/api/notes/([^/]+)";
constexpr size_t kMaxTitleLength = 200;
constexpr size_t kMaxProjectLength = 100;
constexpr size_t kMaxTagLength = 50;
constexpr size_t kMaxTags = 20;

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// One line of text of at most `limit` characters, blanks around it removed.
std::string oneLine(const std::string& key, const std::string& text, size_t limit) {
    if (Utf8::hasControlCharacters(text)) {
        throw ServiceError(400, "\"" + key + "\" must be one line of text");
    }
    std::string value = trimmed(text);
    if (Utf8::length(value) > limit) {
        throw ServiceError(400, "\"" + key + "\" must be at most " + std::to_string(limit) +
                                    " characters");
    }
    return value;
}

std::optional<std::string> parseProject(const JsonRequest& body) {
    const auto project = body.optionalString("project");
    if (!project) {
        return std::nullopt;
    }
    std::string value = oneLine("project", *project, kMaxProjectLength);
    return value.empty() ? std::nullopt : std::optional(value);
}

// Tags keep their order; blanks and repeats are dropped.
std::vector<std::string> parseTags(const JsonRequest& body) {
    const auto& value = body.value("tags");
    if (!value.is_array()) {
        throw ServiceError(400, "\"tags\" must be a list of strings");
    }
    std::vector<std::string> tags;
    for (const auto& tag : value) {
        if (!tag.is_string()) {
            throw ServiceError(400, "\"tags\" must be a list of strings");
        }
        std::string text = oneLine("tags", tag.get<std::string>(), kMaxTagLength);
        if (!text.empty() && std::find(tags.begin(), tags.end(), text) == tags.end()) {
            tags.push_back(std::move(text));
        }
    }
    if (tags.size() > kMaxTags) {
        throw ServiceError(400, "A note has at most " + std::to_string(kMaxTags) + " tags");
    }
    return tags;
}

bool wantsFull(const Request& request) {
    const std::string full = request.param("full");
    return full == "1" || full == "true";
}

std::optional<int64_t> sinceOf(const Request& request) {
    const std::string since = request.param("since");
    if (since.empty()) {
        return std::nullopt;
    }
    const auto millis = IsoTime::parse(since);
    if (!millis) {
        throw ServiceError(400, "\"since\" must be an ISO 8601 time such as "
                                "2025-02-03T09:05:41.123Z");
    }
    return millis;
}

} // namespace

NoteRoutes::NoteRoutes(const BearerAuth& auth, NoteStore& notes, NoteListings& listings,
                       const Clock& clock)
    : auth_(auth), notes_(notes), listings_(listings), clock_(clock) {}

void NoteRoutes::registerRoutes(Router& router) {
    router.get("/api/notes", [this](const auto& request, auto& response) {
        const int64_t userId = auth_.requireUser(request);
        const auto since = sinceOf(request);
        const bool full = wantsFull(request);
        const auto answer =
            listings_.answer(userId, since, full, CachedReply::acceptsGzip(request));
        CachedReply::send(request, response, *answer);
    });

    auto noteAnswer = [this](int64_t userId, const std::string& id) {
        const auto note = notes_.find(userId, id);
        if (!note) {
            throw ServiceError(404, "Note not found");
        }
        return NoteJson::single(*note, notes_.related({*note}).front());
    };

    router.get(kNotePath, [this, noteAnswer](const auto& request, auto& response) {
        const int64_t userId = auth_.requireUser(request);
        JsonReply::sendText(response, 200, noteAnswer(userId, request.matches[1]));
    });

    router.patch(kNotePath, [this, noteAnswer](const auto& request, auto& response) {
        const int64_t userId = auth_.requireUser(request);
        const JsonRequest body(request.body);
        body.allowOnly({"title", "project", "tags", "archived"});
        auto note = notes_.find(userId, request.matches[1]);
        if (!note) {
            throw ServiceError(404, "Note not found");
        }
        const int64_t now = IsoTime::millisFromSeconds(clock_.now());
        if (body.has("title")) {
            note->title = oneLine("title", body.requiredString("title"), kMaxTitleLength);
        }
        if (body.has("project")) {
            note->project = parseProject(body);
        }
        if (body.has("tags")) {
            note->tags = parseTags(body);
        }
        if (body.has("archived")) {
            const bool archived = body.requiredBool("archived");
            if (archived && !note->archivedMs) {
                note->archivedMs = now;
            } else if (!archived) {
                note->archivedMs.reset();
            }
        }
        note->updatedMs = std::max(now, note->updatedMs);
        notes_.update(*note);
        JsonReply::sendText(response, 200, noteAnswer(userId, note->id));
    });

    router.del(kNotePath, [this](const auto& request, auto& response) {
        const int64_t userId = auth_.requireUser(request);
        if (!notes_.remove(userId, request.matches[1])) {
            throw ServiceError(404, "Note not found");
        }
        response.status = 204;
    });
}

} // namespace orvendi::server
