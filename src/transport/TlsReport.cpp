#include "transport/TlsReport.h"

#include "transport/QtSocketX.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QSslSocket>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QString protocolName(QSsl::SslProtocol protocol)
{
    switch (protocol) {
    case QSsl::TlsV1_2:
        return u"TLSv1.2"_s;
    case QSsl::TlsV1_3:
        return u"TLSv1.3"_s;
    case QSsl::DtlsV1_2:
        return u"DTLSv1.2"_s;
    default:
        break;
    }
    // Older protocols are deprecated in Qt; their names are still what the cipher reports.
    return {};
}

QString utc(const QDateTime& time)
{
    return time.toUTC().toString(u"yyyy-MM-dd HH:mm:ss 'UTC'"_s);
}

QString alternativeNames(const QSslCertificate& certificate)
{
    const auto names = certificate.subjectAlternativeNames();
    QStringList parts;
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        switch (it.key()) {
        case QSsl::DnsEntry:
            parts << u"DNS:"_s + it.value();
            break;
        case QSsl::IpAddressEntry:
            parts << u"IP:"_s + it.value();
            break;
        case QSsl::EmailEntry:
            parts << u"email:"_s + it.value();
            break;
        }
    }
    return parts.isEmpty() ? u"(none)"_s : parts.join(u", "_s);
}

QString line(const QString& label, const QString& value)
{
    return u"\r\n<"_s + label + u":> "_s + value;
}

} // namespace

TlsSessionFacts TlsSessionFactsOf(const QSslSocket& socket)
{
    TlsSessionFacts facts;
    facts.protocol = socket.sessionProtocol();
    facts.cipher = socket.sessionCipher();
    facts.peer = socket.peerCertificate();
    facts.chain = socket.peerCertificateChain();
    return facts;
}

QSslCertificate IssuingCertificate(const QSslCertificate& certificate,
                                   const QList<QSslCertificate>& chain)
{
    if (certificate.isNull())
        return QSslCertificate();
    // A self-signed certificate is its own issuer; there is no other to show.
    if (certificate.issuerInfoAttributes().isEmpty()
        || QtSocketX::distinguishedName(certificate, true)
            == QtSocketX::distinguishedName(certificate, false))
        return QSslCertificate();
    const QString issuer = QtSocketX::distinguishedName(certificate, true);
    for (const QSslCertificate& candidate : chain) {
        if (candidate != certificate && QtSocketX::distinguishedName(candidate, false) == issuer)
            return candidate;
    }
    const qsizetype own = chain.indexOf(certificate);
    return own >= 0 ? chain.value(own + 1) : QSslCertificate();
}

QString TlsReport(const TlsSessionFacts& facts)
{
    QString text;
    QString protocol = protocolName(facts.protocol);
    if (protocol.isEmpty() && !facts.cipher.isNull())
        protocol = facts.cipher.protocolString();
    if (!protocol.isEmpty())
        text += line(u"Protocol"_s, protocol);
    if (!facts.cipher.isNull())
        text += line(u"Cipher"_s,
                     facts.cipher.name() + u" ("_s + QString::number(facts.cipher.usedBits())
                         + u" bits)"_s);
    if (!facts.peer.isNull()) {
        text += line(u"Not before"_s, utc(facts.peer.effectiveDate()));
        text += line(u"Not after"_s, utc(facts.peer.expiryDate()));
        text += line(u"SHA-256 fingerprint"_s,
                     QString::fromLatin1(
                         facts.peer.digest(QCryptographicHash::Sha256).toHex(':').toUpper()));
        text += line(u"Subject alternative names"_s, alternativeNames(facts.peer));
    }
    const QList<QSslCertificate>& chain
        = facts.chain.isEmpty() && !facts.peer.isNull() ? QList { facts.peer } : facts.chain;
    for (qsizetype i = 0; i < chain.size(); ++i) {
        text += line(u"Chain "_s + QString::number(i + 1),
                     QtSocketX::distinguishedName(chain.at(i), false) + u" → "_s
                         + QtSocketX::distinguishedName(chain.at(i), true));
    }
    return text;
}
