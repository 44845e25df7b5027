#pragma once

#include "shell/Result.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

#include <functional>
#include <optional>

// The certificate (and key) a client presents when a server asks for one, as files.
struct ClientIdentity
{
    enum class Type { Pem, P12 };

    QString certFile; // a PEM certificate (holding its key too when keyFile is empty) or a PKCS#12
                      // bundle
    QString keyFile; // a PEM private key; empty when certFile holds it
    Type type = Type::Pem;
    std::optional<QString> passphrase; // given with the files; unset: asked for when needed

    bool isSet() const { return !certFile.isEmpty(); }
    bool operator==(const ClientIdentity&) const = default;
};

// The TLS choices for one target: whom to present, and which further CAs to trust.
struct TargetTls
{
    ClientIdentity identity;
    QString caFile; // a PEM bundle trusted beside the system's CAs; empty for none

    bool isEmpty() const { return !identity.isSet() && caFile.isEmpty(); }
    bool operator==(const TargetTls&) const = default;
};

// What the socket configures for one TLS connection.
struct TlsOptions
{
    QSslCertificate certificate; // null: no client certificate
    QSslKey key;
    QList<QSslCertificate> chain; // intermediates sent after the certificate
    QList<QSslCertificate> extraCas; // trusted in addition to the system's
};

// A client identity read from its files.
struct LoadedIdentity
{
    QSslCertificate certificate;
    QSslKey key;
    QList<QSslCertificate> chain;
};

// Reads identity's files with passphrase (empty for none). Fails naming the file when one is
// missing or unreadable, holds no certificate or key, or the passphrase is wrong; *needsPassphrase
// tells the caller that the key is protected and no passphrase was given.
Result LoadClientIdentity(const ClientIdentity& identity, const QByteArray& passphrase,
                          LoadedIdentity& loaded, bool* needsPassphrase = nullptr);
// Reads every certificate of a PEM bundle; fails naming the file when it is unreadable or holds
// none.
Result LoadCaFile(const QString& file, QList<QSslCertificate>& certificates);
// The subject's common name, "CN=<name>"; the whole subject when it has none.
QString ClientCertificateName(const QSslCertificate& certificate);

// Reads curl's "--cert-type" (PEM or P12, in any case); false for any other type.
bool ParseCertType(const QString& text, ClientIdentity::Type& type);

// The name a target's choice is kept under: "host:port", the host in lower case.
QString TlsTargetName(const QString& host, int port);

// The TLS choices of a window's session or a scripted run: one per target ("host:port"), or one
// for every target (the command line's), with the passphrases given during the run. Keys are
// read when first needed and kept only for the run.
class ClientTls final
{
public:
    // Asked for the passphrase of file; nothing when none is given (the connection then fails).
    using PassphrasePrompt = std::function<std::optional<QString>(const QString& file)>;

    // The choice for target ("host:port"); an empty choice removes it.
    void setTarget(const QString& target, const TargetTls& choice);
    // Every target's own choice, by "host:port".
    const QMap<QString, TargetTls>& targets() const { return m_targets; }
    // A choice for every target that overrides their own; nothing restores them.
    void setForAll(const std::optional<TargetTls>& choice);
    // What applies to host:port: the choice for every target, else the target's own, else none.
    TargetTls choiceFor(const QString& host, int port) const;

    // The passphrase of every key whose choice gives none (a scripted run's --pass); asked for
    // no more.
    void setPassphrase(const std::optional<QString>& passphrase) { m_passphrase = passphrase; }
    // Who is asked for a passphrase; without one, a protected key fails to load.
    void setPassphrasePrompt(PassphrasePrompt prompt) { m_prompt = std::move(prompt); }
    // The socket's options for host:port, reading (once per run) what the choice names and asking
    // for a passphrase when a key needs one. Fails with the reason when a file cannot be used.
    Result prepare(const QString& host, int port, TlsOptions& options);

private:
    QMap<QString, TargetTls> m_targets;
    std::optional<TargetTls> m_forAll;
    PassphrasePrompt m_prompt;
    std::optional<QString> m_passphrase;
    // Passphrases given during the run, by certificate file.
    QHash<QString, QByteArray> m_passphrases;
};
