#pragma once

#include "http/RouteModule.h"

namespace orvendi::server {

class BearerAuth;
class Clock;
class NoteListings;
class NoteStore;

// The signed-in user's notes (Bearer on every route):
//   GET    /api/notes?since=<time>&full=1  -> {"notes": [...]}, newest first; "since"
//          keeps notes created or changed after that time; full=1 adds the texts
//          and related notes; each answer carries an ETag, If-None-Match
//          with it gives 304, Accept-Encoding: gzip a compressed body
//   GET    /api/notes/<id>                 -> {"note": {...}} (full form)
//   PATCH  /api/notes/<id>  {"title"?, "project"?, "tags"?, "archived"?} -> {"note": {...}}
//   DELETE /api/notes/<id>                 -> 204
class NoteRoutes : public RouteModule {
public:
    NoteRoutes(const BearerAuth& auth, NoteStore& notes, NoteListings& listings,
               const Clock& clock);

    void registerRoutes(Router& router) override;

private:
    const BearerAuth& auth_;
    NoteStore& notes_;
    NoteListings& listings_;
    const Clock& clock_;
};

} // namespace orvendi::server
