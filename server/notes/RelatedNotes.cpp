#include "notes/RelatedNotes.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace orvendi::server::RelatedNotes {

namespace {

// Indices of live notes by project ("p:" prefix) and by tag ("t:" prefix).
std::map<std::string, std::vector<size_t>> indexByLabel(const std::vector<Note>& notes) {
    std::map<std::string, std::vector<size_t>> index;
    for (size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].archivedMs) {
            continue;
        }
        if (notes[i].project) {
            index["p:" + *notes[i].project].push_back(i);
        }
        for (const auto& tag : notes[i].tags) {
            index["t:" + tag].push_back(i);
        }
    }
    return index;
}

std::vector<std::string> labelsOf(const Note& note) {
    std::vector<std::string> labels;
    if (note.project) {
        labels.push_back("p:" + *note.project);
    }
    for (const auto& tag : note.tags) {
        labels.push_back("t:" + tag);
    }
    return labels;
}

} // namespace

std::unordered_map<std::string, std::vector<const Note*>> find(const std::vector<Note>& notes) {
    const auto index = indexByLabel(notes);
    std::unordered_map<std::string, std::vector<const Note*>> related;
    std::unordered_map<size_t, int> shared;
    for (size_t i = 0; i < notes.size(); ++i) {
        const Note& note = notes[i];
        if (note.archivedMs) {
            continue;
        }
        shared.clear();
        for (const auto& label : labelsOf(note)) {
            for (size_t other : index.at(label)) {
                if (other != i) {
                    ++shared[other];
                }
            }
        }
        std::vector<std::pair<size_t, int>> ranked(shared.begin(), shared.end());
        auto distance = [&](size_t other) {
            return std::llabs(notes[other].createdMs - note.createdMs);
        };
        std::sort(ranked.begin(), ranked.end(), [&](const auto& a, const auto& b) {
            if (a.second != b.second) {
                return a.second > b.second;
            }
            if (distance(a.first) != distance(b.first)) {
                return distance(a.first) < distance(b.first);
            }
            return a.first < b.first;
        });
        auto& list = related[note.id];
        for (size_t k = 0; k < ranked.size() && k < kLimit; ++k) {
            list.push_back(&notes[ranked[k].first]);
        }
    }
    return related;
}

} // namespace orvendi::server::RelatedNotes
