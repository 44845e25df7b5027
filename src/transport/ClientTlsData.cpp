#include "transport/ClientTlsData.h"

#include "persistence/XmlDocument.h"

using namespace Qt::StringLiterals;

namespace {
const QString kSection = u"clientcertificates"_s;
} // namespace

void LoadClientTlsTargets(const XmlDocument& userData, ClientTls& tls)
{
    for (const QString& target : tls.targets().keys())
        tls.setTarget(target, {});
    for (const XmlNode& node : userData.selectNodes(u"userdata/clientcertificates/target"_s)) {
        const QString name = node.attribute(u"name"_s).trimmed().toLower();
        if (name.isEmpty())
            continue;
        TargetTls choice;
        choice.identity.certFile = node.attribute(u"cert"_s);
        choice.identity.keyFile = node.attribute(u"key"_s);
        // An unknown type is read as PEM, the type a certificate file most often has.
        if (!ParseCertType(node.attribute(u"type"_s), choice.identity.type))
            choice.identity.type = ClientIdentity::Type::Pem;
        choice.caFile = node.attribute(u"cacert"_s);
        tls.setTarget(name, choice);
    }
}

void StoreClientTlsTargets(XmlDocument& userData, const ClientTls& tls)
{
    XmlNode root = userData.documentElement();
    if (const XmlNode old = root.child(kSection))
        root.removeChild(old);
    if (tls.targets().isEmpty())
        return;
    XmlNode section = root.appendElement(kSection);
    for (auto it = tls.targets().cbegin(); it != tls.targets().cend(); ++it) {
        XmlNode node = section.appendElement(u"target"_s);
        const ClientIdentity& identity = it->identity;
        node.setAttribute(u"name"_s, it.key());
        if (identity.isSet()) {
            node.setAttribute(u"type"_s,
                              identity.type == ClientIdentity::Type::P12 ? u"P12"_s : u"PEM"_s);
            node.setAttribute(u"cert"_s, identity.certFile);
            if (!identity.keyFile.isEmpty())
                node.setAttribute(u"key"_s, identity.keyFile);
        }
        if (!it->caFile.isEmpty())
            node.setAttribute(u"cacert"_s, it->caFile);
    }
}

CurlTlsFiles CurlTlsOf(const TargetTls& choice)
{
    CurlTlsFiles files;
    files.cert = choice.identity.certFile;
    files.key = choice.identity.keyFile;
    if (choice.identity.isSet() && choice.identity.type == ClientIdentity::Type::P12)
        files.certType = u"P12"_s;
    files.caFile = choice.caFile;
    return files;
}

Result TargetTlsOf(const CurlTlsFiles& files, TargetTls& choice)
{
    choice = TargetTls { { files.cert, files.key, ClientIdentity::Type::Pem, std::nullopt },
                         files.caFile };
    if (!files.certType.isEmpty() && !ParseCertType(files.certType, choice.identity.type))
        return Result::failure(u"--cert-type must be PEM or P12: "_s + files.certType);
    return Result::success();
}
