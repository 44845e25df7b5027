#include "editing/BasicAuthorization.h"

#include <QByteArray>

using namespace Qt::StringLiterals;

QString BasicAuthorizationValue(const QString& userId, const QString& password)
{
    // UTF-8 is the one charset RFC 7617 2.1 lets a server announce; text the user types goes
    // on the wire as UTF-8 everywhere else too.
    const QByteArray credentials = (userId + u':' + password).toUtf8();
    return u"Basic "_s + QString::fromLatin1(credentials.toBase64());
}
