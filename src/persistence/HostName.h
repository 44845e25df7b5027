#pragma once

#include "persistence/XmlNode.h"

#include <QString>

// Host names are compared without regard to letter case. Stored names are lower-cased; files
// written before that may hold capitals, so queries fold the stored name as well.
namespace HostName {

// An XPath predicate matching @name against the variable $host (give it variables()).
QString predicate();

// The variables for predicate(), plus any more a query needs.
XPathVariables variables(const QString& host, XPathVariables more = {});

} // namespace HostName
