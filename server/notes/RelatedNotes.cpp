#include "notes/RelatedNotes.h"

#include <algorithm>
#include <cstdlib>

namespace orvendi::server::RelatedNotes {

namespace {

// Projects and tags as small numbers, with the live notes that carry each.
struct LabelIndex {
    std::vector<std::vector<size_t>> labelsOfNote; // by note index
    std::vector<std::vector<size_t>> notesOfLabel; // by label number
};

LabelIndex indexLabels(const std::vector<Note>& notes) {
    LabelIndex index;
    index.labelsOfNote.resize(notes.size());
    std::unordered_map<std::string, size_t> numbers;
    auto add = [&](size_t note, const std::string& label) {
        const auto [it, inserted] = numbers.try_emplace(label, index.notesOfLabel.size());
        if (inserted) {
            index.notesOfLabel.emplace_back();
        }
        index.labelsOfNote[note].push_back(it->second);
        index.notesOfLabel[it->second].push_back(note);
    };
    for (size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].archivedMs) {
            continue;
        }
        // Prefixes keep a project and a tag of the same name apart.
        if (notes[i].project) {
            add(i, "p:" + *notes[i].project);
        }
        for (const auto& tag : notes[i].tags) {
            add(i, "t:" + tag);
        }
    }
    return index;
}

} // namespace

std::unordered_map<std::string, std::vector<const Note*>> find(const std::vector<Note>& notes) {
    const LabelIndex index = indexLabels(notes);
    std::unordered_map<std::string, std::vector<const Note*>> related;
    // Labels shared with the current note, by note index; reset after each note.
    std::vector<int> shared(notes.size(), 0);
    std::vector<size_t> candidates;
    for (size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].archivedMs) {
            continue;
        }
        candidates.clear();
        for (size_t label : index.labelsOfNote[i]) {
            for (size_t other : index.notesOfLabel[label]) {
                if (other != i && shared[other]++ == 0) {
                    candidates.push_back(other);
                }
            }
        }
        const int64_t created = notes[i].createdMs;
        auto closer = [&](size_t a, size_t b) {
            if (shared[a] != shared[b]) {
                return shared[a] > shared[b];
            }
            const int64_t distanceA = std::llabs(notes[a].createdMs - created);
            const int64_t distanceB = std::llabs(notes[b].createdMs - created);
            return distanceA != distanceB ? distanceA < distanceB : a < b;
        };
        const size_t kept = std::min(kLimit, candidates.size());
        std::partial_sort(candidates.begin(),
                          candidates.begin() + static_cast<std::ptrdiff_t>(kept), candidates.end(),
                          closer);
        auto& list = related[notes[i].id];
        for (size_t k = 0; k < kept; ++k) {
            list.push_back(&notes[candidates[k]]);
        }
        for (size_t other : candidates) {
            shared[other] = 0;
        }
    }
    return related;
}

} // namespace orvendi::server::RelatedNotes
