#pragma once

#include <QList>
#include <QSsl>
#include <QSslCertificate>
#include <QSslCipher>
#include <QString>

class QSslSocket;

// What a TLS connection tells about itself once the handshake has got far enough to
// report the server's certificate.
struct TlsSessionFacts
{
    QSsl::SslProtocol protocol = QSsl::UnknownProtocol;
    QSslCipher cipher;
    QSslCertificate peer;
    QList<QSslCertificate> chain; // as the server sent it, its own certificate first
};

// The facts of socket's current session; empty parts where it has none.
TlsSessionFacts TlsSessionFactsOf(const QSslSocket& socket);

// The certificate in chain that issued certificate: the one whose subject names its issuer,
// else the one after it in the chain. Null when the chain holds no such certificate.
QSslCertificate IssuingCertificate(const QSslCertificate& certificate,
                                   const QList<QSslCertificate>& chain);

// The labelled lines that follow the certificate block, each starting with CR LF: protocol,
// cipher, validity, SHA-256 fingerprint, subject alternative names and one line per chain
// certificate ("subject → issuer"). Lines whose facts are missing are left out.
QString TlsReport(const TlsSessionFacts& facts);
