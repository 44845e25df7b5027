#pragma once

#include <QString>

// The value of an Authorization header for the Basic scheme: "Basic " and the Base64 (standard
// alphabet, "=" padding) of the UTF-8 bytes of userId ":" password. Never fails; a user id
// holding ":" is encoded as given, though servers split at its first colon.
QString BasicAuthorizationValue(const QString& userId, const QString& password);
