#include "support/NginxServer.h"

#include "support/TestServer.h"
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString nginxBinary()
{
    const QString found = QStandardPaths::findExecutable(u"nginx"_s);
    if (!found.isEmpty())
        return found;
    return QStandardPaths::findExecutable(u"nginx"_s, { u"/usr/sbin"_s, u"/usr/local/sbin"_s });
}

} // namespace

NginxServer::NginxServer() = default;

NginxServer::~NginxServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QByteArray NginxServer::file(const QString& path) const
{
    QFile f(m_dir.path() + u"/www"_s + path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList NginxServer::accessLog() const
{
    QFile f(m_dir.path() + u"/access.log"_s);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

bool NginxServer::writeFiles()
{
    const QString www = m_dir.path() + u"/www"_s;
    QByteArray large(largeSize(), Qt::Uninitialized);
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char((i * 7 + i / 256) & 0xff);
    QByteArray text;
    for (int i = 0; i < 2000; ++i)
        text += "line " + QByteArray::number(i) + " of a text nginx sends in chunks\n";
    return writeFile(www + u"/index.html"_s,
                     "<html><body><a href=\"target.html\">t\xc3\xa9st</a></body></html>\n")
        && writeFile(www + u"/target.html"_s, "<html><body>target</body></html>\n")
        && writeFile(www + u"/large.bin"_s, large) && writeFile(www + u"/chunked/text.txt"_s, text);
}

bool NginxServer::start()
{
    if (!m_dir.isValid()) {
        m_error = u"no temporary folder"_s;
        return false;
    }
    const QString nginx = nginxBinary();
    if (nginx.isEmpty()) {
        m_error = u"nginx is not installed"_s;
        return false;
    }
    if (!writeFiles()) {
        m_error = u"cannot write the served files"_s;
        return false;
    }
    m_port = freePort();
    m_tlsPort = freePort();
    const QString dir = m_dir.path();
    const QString certs = TestServer::certificateDir();
    const QString port = QString::number(m_port);
    QString conf = uR"(
worker_processes 1;
daemon off;
pid @DIR@/nginx.pid;
error_log @DIR@/error.log;
@USER@
events { worker_connections 64; }
http {
    access_log @DIR@/access.log;
    client_body_temp_path @DIR@/tmp/body;
    proxy_temp_path @DIR@/tmp/proxy;
    fastcgi_temp_path @DIR@/tmp/fastcgi;
    uwsgi_temp_path @DIR@/tmp/uwsgi;
    scgi_temp_path @DIR@/tmp/scgi;
    default_type application/octet-stream;
    types { text/html html; text/plain txt; }
    server {
        listen 127.0.0.1:@PORT@;
        listen 127.0.0.1:@TLSPORT@ ssl;
        server_name localhost;
        ssl_certificate @CERTS@/server.pem;
        ssl_certificate_key @CERTS@/server.key;
        root @DIR@/www;
        location = /redirect-relative { absolute_redirect off; return 302 target.html; }
        location = /redirect-absolute { return 302 http://127.0.0.1:@PORT@/target.html; }
        location = /redirect-loop { absolute_redirect off; return 302 /redirect-loop; }
        location = /cookies {
            add_header Set-Cookie "persist=abc; Expires=Wed, 01 Jan 2031 00:00:00 GMT; Path=/";
            add_header Set-Cookie "session=xyz; Path=/";
            return 200 "cookies set\n";
        }
        location = /echo-cookie { return 200 "cookie=[$http_cookie]\n"; }
        location /chunked/ { sub_filter 'nginx' 'NGINX'; sub_filter_once off; sub_filter_types text/plain; }
    }
}
)"_s;
    // Workers of a root master would run as "nobody", which cannot read a private folder.
    conf.replace(u"@USER@"_s, geteuid() == 0 ? u"user root;"_s : QString());
    conf.replace(u"@DIR@"_s, dir).replace(u"@CERTS@"_s, certs);
    conf.replace(u"@TLSPORT@"_s, QString::number(m_tlsPort)).replace(u"@PORT@"_s, port);
    QDir().mkpath(dir + u"/tmp"_s);
    if (!writeFile(dir + u"/nginx.conf"_s, conf.toUtf8())) {
        m_error = u"cannot write nginx.conf"_s;
        return false;
    }
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(
        nginx, { u"-p"_s, dir, u"-c"_s, dir + u"/nginx.conf"_s, u"-e"_s, dir + u"/error.log"_s });
    if (!m_process.waitForStarted(5000)) {
        m_error = u"nginx did not start: "_s + m_process.errorString();
        return false;
    }
    if (!waitUntilListening(m_port) || !waitUntilListening(m_tlsPort)) {
        QFile log(dir + u"/error.log"_s);
        log.open(QIODevice::ReadOnly);
        m_error = u"nginx is not listening: "_s + QString::fromUtf8(m_process.readAll())
            + QString::fromUtf8(log.readAll());
        return false;
    }
    return true;
}

bool NginxServer::waitUntilListening(quint16 port)
{
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200))
            return true;
        QTest::qWait(20);
    }
    return false;
}
