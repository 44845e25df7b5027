#include "transport/ClientIdentity.h"

#include <QBuffer>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

Result readWhole(const QString& file, const QString& what, QByteArray& bytes)
{
    QFile f(file);
    if (!f.exists())
        return Result::failure(u"The %1 file %2 does not exist"_s.arg(what, file));
    if (!f.open(QIODevice::ReadOnly))
        return Result::failure(
            u"Cannot read the %1 file %2: %3"_s.arg(what, file, f.errorString()));
    bytes = f.readAll();
    return Result::success();
}

// Both the traditional ("Proc-Type: 4,ENCRYPTED") and the PKCS#8 form say so in the clear.
bool isEncryptedPem(const QByteArray& pem)
{
    return pem.contains("ENCRYPTED");
}

QSslKey readPemKey(const QByteArray& pem, const QByteArray& passphrase)
{
    // Qt wants the algorithm named; the PEM may hold any of them.
    for (const QSsl::KeyAlgorithm algorithm : { QSsl::Rsa, QSsl::Ec, QSsl::Dsa }) {
        QSslKey key(pem, algorithm, QSsl::Pem, QSsl::PrivateKey, passphrase);
        if (!key.isNull())
            return key;
    }
    return {};
}

Result loadPem(const ClientIdentity& identity, const QByteArray& passphrase, LoadedIdentity& loaded,
               bool* needsPassphrase)
{
    QByteArray certBytes;
    if (Result read = readWhole(identity.certFile, u"certificate"_s, certBytes); !read)
        return read;
    const QList<QSslCertificate> certificates = QSslCertificate::fromData(certBytes, QSsl::Pem);
    if (certificates.isEmpty() || certificates.constFirst().isNull())
        return Result::failure(u"No PEM certificate in %1"_s.arg(identity.certFile));
    const QString keyFile = identity.keyFile.isEmpty() ? identity.certFile : identity.keyFile;
    QByteArray keyBytes = certBytes;
    if (!identity.keyFile.isEmpty()) {
        if (Result read = readWhole(keyFile, u"key"_s, keyBytes); !read)
            return read;
    }
    const QSslKey key = readPemKey(keyBytes, passphrase);
    if (key.isNull()) {
        if (!isEncryptedPem(keyBytes))
            return Result::failure(u"No private key in %1"_s.arg(keyFile));
        if (passphrase.isEmpty()) {
            if (needsPassphrase)
                *needsPassphrase = true;
            return Result::failure(
                u"The key in %1 is protected by a passphrase and none was given"_s.arg(keyFile));
        }
        return Result::failure(u"Wrong passphrase for the key in %1"_s.arg(keyFile));
    }
    loaded.certificate = certificates.constFirst();
    loaded.chain = certificates.mid(1);
    loaded.key = key;
    return Result::success();
}

Result loadP12(const ClientIdentity& identity, const QByteArray& passphrase, LoadedIdentity& loaded,
               bool* needsPassphrase)
{
    QByteArray bytes;
    if (Result read = readWhole(identity.certFile, u"PKCS#12"_s, bytes); !read)
        return read;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    LoadedIdentity result;
    if (QSslCertificate::importPkcs12(&buffer, &result.key, &result.certificate, &result.chain,
                                      passphrase)
        && !result.certificate.isNull() && !result.key.isNull()) {
        loaded = result;
        return Result::success();
    }
    // A bundle tells a wrong passphrase from damage only by its MAC, which Qt does not report.
    if (passphrase.isEmpty()) {
        if (needsPassphrase)
            *needsPassphrase = true;
        return Result::failure(
            u"The PKCS#12 bundle %1 cannot be read without a passphrase, or is damaged"_s.arg(
                identity.certFile));
    }
    return Result::failure(
        u"Wrong passphrase for the PKCS#12 bundle %1, or it is damaged"_s.arg(identity.certFile));
}

} // namespace

Result LoadClientIdentity(const ClientIdentity& identity, const QByteArray& passphrase,
                          LoadedIdentity& loaded, bool* needsPassphrase)
{
    if (needsPassphrase)
        *needsPassphrase = false;
    if (!identity.isSet())
        return Result::failure(u"No client certificate file given"_s);
    return identity.type == ClientIdentity::Type::P12
        ? loadP12(identity, passphrase, loaded, needsPassphrase)
        : loadPem(identity, passphrase, loaded, needsPassphrase);
}

Result LoadCaFile(const QString& file, QList<QSslCertificate>& certificates)
{
    QByteArray bytes;
    if (Result read = readWhole(file, u"CA"_s, bytes); !read)
        return read;
    certificates = QSslCertificate::fromData(bytes, QSsl::Pem);
    if (certificates.isEmpty())
        return Result::failure(u"No PEM certificate in the CA file %1"_s.arg(file));
    return Result::success();
}

QString ClientCertificateName(const QSslCertificate& certificate)
{
    const QStringList names = certificate.subjectInfo(QSslCertificate::CommonName);
    if (names.isEmpty())
        return certificate.subjectDisplayName();
    return u"CN="_s + names.join(u", "_s);
}

bool ParseCertType(const QString& text, ClientIdentity::Type& type)
{
    if (text.compare(u"PEM"_s, Qt::CaseInsensitive) == 0)
        type = ClientIdentity::Type::Pem;
    else if (text.compare(u"P12"_s, Qt::CaseInsensitive) == 0)
        type = ClientIdentity::Type::P12;
    else
        return false;
    return true;
}

QString TlsTargetName(const QString& host, int port)
{
    return host.toLower() + u':' + QString::number(port);
}

void ClientTls::setTarget(const QString& target, const TargetTls& choice)
{
    if (choice.isEmpty())
        m_targets.remove(target);
    else
        m_targets.insert(target, choice);
}

void ClientTls::setForAll(const std::optional<TargetTls>& choice)
{
    m_forAll = choice;
}

TargetTls ClientTls::choiceFor(const QString& host, int port) const
{
    if (m_forAll)
        return *m_forAll;
    return m_targets.value(TlsTargetName(host, port));
}

Result ClientTls::prepare(const QString& host, int port, TlsOptions& options)
{
    options = TlsOptions();
    const TargetTls choice = choiceFor(host, port);
    if (!choice.caFile.isEmpty()) {
        if (Result read = LoadCaFile(choice.caFile, options.extraCas); !read)
            return read;
    }
    const ClientIdentity& identity = choice.identity;
    if (!identity.isSet())
        return Result::success();
    const QString& file = identity.certFile;
    const std::optional<QString> given = identity.passphrase ? identity.passphrase : m_passphrase;
    QByteArray passphrase = given ? given->toUtf8() : m_passphrases.value(file);
    LoadedIdentity loaded;
    bool needsPassphrase = false;
    Result result = LoadClientIdentity(identity, passphrase, loaded, &needsPassphrase);
    // Asked once per run and file; a wrong answer is forgotten, so the next connection asks again.
    const bool mayAsk = !given && m_prompt;
    if (!result && mayAsk && (needsPassphrase || m_passphrases.contains(file))) {
        m_passphrases.remove(file);
        const std::optional<QString> answer = m_prompt(file);
        if (!answer)
            return result;
        passphrase = answer->toUtf8();
        result = LoadClientIdentity(identity, passphrase, loaded, &needsPassphrase);
        if (result)
            m_passphrases.insert(file, passphrase);
    }
    if (!result)
        return result;
    options.certificate = loaded.certificate;
    options.key = loaded.key;
    options.chain = loaded.chain;
    return Result::success();
}
