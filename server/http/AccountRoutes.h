#pragma once

#include "http/RouteModule.h"

namespace orvendi::server {

class BearerAuth;
class SpeechRecognizer;
class UserStore;

// GET /api/account (Bearer) -> {"email", "speech_engine"}: who is signed in
// and which recogniser this server uses.
class AccountRoutes : public RouteModule {
public:
    AccountRoutes(const BearerAuth& auth, UserStore& users, const SpeechRecognizer& recognizer);

    void registerRoutes(Router& router) override;

private:
    const BearerAuth& auth_;
    UserStore& users_;
    const SpeechRecognizer& recognizer_;
};

} // namespace orvendi::server
