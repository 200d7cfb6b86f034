#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "notes/Note.h"

namespace orvendi::server {

// Related notes worked out in memory from (note, label) pairs: one pass over
// the labels a listing needs instead of one query per note.
class RelatedNotes {
public:
    // One label of a live note.
    void add(const std::string& noteId, const std::string& title, int64_t createdMs,
             const std::string& label);
    // The added notes sharing the most labels with `note`, closest in time
    // first, then newer, then the greater id; at most `limit`, with id, title
    // and creation time only.
    std::vector<Note> of(const Note& note, size_t limit);

private:
    struct Candidate {
        std::string id;
        std::string title;
        int64_t createdMs = 0;
        std::vector<size_t> labels;
    };

    void countShared(size_t self);
    std::vector<Note> best(int64_t createdMs, size_t limit);

    std::vector<Candidate> notes_;
    std::unordered_map<std::string, size_t> noteIndex_;
    std::unordered_map<std::string, size_t> labelIndex_;
    std::vector<std::vector<size_t>> members_;
    // Scratch for one note at a time: labels shared with each candidate, and
    // the candidates counted.
    std::vector<uint32_t> shared_;
    std::vector<size_t> touched_;
};

} // namespace orvendi::server
