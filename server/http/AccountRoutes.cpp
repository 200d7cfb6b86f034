#include "http/AccountRoutes.h"

#include "ServiceError.h"
#include "http/BearerAuth.h"
#include "http/JsonReply.h"
#include "http/Router.h"
#include "speech/SpeechRecognizer.h"
#include "storage/UserStore.h"

namespace orvendi::server {

AccountRoutes::AccountRoutes(const BearerAuth& auth, UserStore& users,
                             const SpeechRecognizer& recognizer)
    : auth_(auth), users_(users), recognizer_(recognizer) {}

void AccountRoutes::registerRoutes(Router& router) {
    router.get("/api/account", [this](const auto& request, auto& response) {
        const auto user = users_.findById(auth_.requireUser(request));
        if (!user) {
            throw ServiceError(401, "Not signed in");
        }
        JsonReply::send(response, 200,
                        {{"email", user->email}, {"speech_engine", recognizer_.description()}});
    });
}

} // namespace orvendi::server
