#include "storage/RelatedNotes.h"

#include <algorithm>
#include <cstdlib>

namespace orvendi::server {

void RelatedNotes::add(const std::string& noteId, const std::string& title, int64_t createdMs,
                       const std::string& label) {
    const auto [note, newNote] = noteIndex_.try_emplace(noteId, notes_.size());
    if (newNote) {
        notes_.push_back({noteId, title, createdMs, {}});
    }
    const auto [group, newLabel] = labelIndex_.try_emplace(label, members_.size());
    if (newLabel) {
        members_.emplace_back();
    }
    notes_[note->second].labels.push_back(group->second);
    members_[group->second].push_back(note->second);
}

std::vector<Note> RelatedNotes::of(const Note& note, size_t limit) {
    const auto self = noteIndex_.find(note.id);
    if (self == noteIndex_.end()) {
        return {};
    }
    countShared(self->second);
    auto related = best(note.createdMs, limit);
    for (const size_t other : touched_) {
        shared_[other] = 0;
    }
    touched_.clear();
    return related;
}

void RelatedNotes::countShared(size_t self) {
    shared_.resize(notes_.size());
    for (const size_t label : notes_[self].labels) {
        for (const size_t other : members_[label]) {
            if (other != self && shared_[other]++ == 0) {
                touched_.push_back(other);
            }
        }
    }
}

std::vector<Note> RelatedNotes::best(int64_t createdMs, size_t limit) {
    const auto before = [&](size_t a, size_t b) {
        if (shared_[a] != shared_[b]) {
            return shared_[a] > shared_[b];
        }
        const Candidate& x = notes_[a];
        const Candidate& y = notes_[b];
        const int64_t distanceX = std::llabs(x.createdMs - createdMs);
        const int64_t distanceY = std::llabs(y.createdMs - createdMs);
        if (distanceX != distanceY) {
            return distanceX < distanceY;
        }
        if (x.createdMs != y.createdMs) {
            return x.createdMs > y.createdMs;
        }
        return x.id > y.id;
    };
    const size_t count = std::min(limit, touched_.size());
    std::partial_sort(touched_.begin(), touched_.begin() + static_cast<ptrdiff_t>(count),
                      touched_.end(), before);
    std::vector<Note> related(count);
    for (size_t i = 0; i < count; ++i) {
        const Candidate& chosen = notes_[touched_[i]];
        related[i].id = chosen.id;
        related[i].title = chosen.title;
        related[i].createdMs = chosen.createdMs;
    }
    return related;
}

} // namespace orvendi::server
