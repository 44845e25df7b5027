#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real nginx on 127.0.0.1, plain and TLS (the test certificate for "localhost"), started
// by the test in a temporary folder and stopped when the object goes. It serves:
//   /index.html, /target.html      small static pages
//   /large.bin                     largeSize() bytes of every byte value, large.bin's content
//   /chunked/text.txt              a text sent with chunked transfer coding
//   /redirect-relative             302 to the relative location "target.html"
//   /redirect-absolute             302 to http://127.0.0.1:<port>/target.html
//   /redirect-loop                 302 to itself
//   /cookies                       sets "persist=abc" (with Expires) and "session=xyz"
//   /echo-cookie                   answers "cookie=[<the Cookie header>]"
class NginxServer final
{
    Q_DISABLE_COPY_MOVE(NginxServer)

public:
    NginxServer();
    ~NginxServer();

    // Writes the files and configuration and starts nginx; false (see error()) when nginx
    // is missing or does not come up.
    bool start();
    QString error() const { return m_error; }

    quint16 port() const { return m_port; }
    quint16 tlsPort() const { return m_tlsPort; }
    // The bytes of a file under the served folder, e.g. "/large.bin".
    QByteArray file(const QString& path) const;
    static qint64 largeSize() { return 8 * 1024 * 1024 + 123; }
    // Request lines nginx logged so far, oldest first.
    QStringList accessLog() const;

private:
    bool writeFiles();
    bool waitUntilListening(quint16 port);

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
    QString m_error;
};
