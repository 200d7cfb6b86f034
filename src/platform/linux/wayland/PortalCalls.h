#pragma once

#include <QString>
#include <QVariantMap>

// What the desktop portals' interfaces share: where the portal is, and how a
// request's answer and a session's handle are found.
namespace orvendi::portal {

inline const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
inline const QString kSession = QStringLiteral("org.freedesktop.portal.Session");

// The portal answers a request on an object named after the caller and the
// request's token; listening there before the call cannot miss the answer.
QString requestPath(const QString& token);

// The session a CreateSession answer names; empty when it names none.
QString sessionHandle(const QVariantMap& results);

// Ends a session of this caller's without waiting for the portal.
void closeSession(const QString& session);

} // namespace orvendi::portal
