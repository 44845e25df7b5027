#include "persistence/HostName.h"

using namespace Qt::StringLiterals;

XPathVariables HostName::variables(const QString& host, XPathVariables more)
{
    more.append({ u"upper"_s, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s });
    more.append({ u"lower"_s, u"abcdefghijklmnopqrstuvwxyz"_s });
    more.append({ u"host"_s, host.toLower() });
    return more;
}

QString HostName::predicate()
{
    return u"translate(@name, $upper, $lower) = $host"_s;
}
