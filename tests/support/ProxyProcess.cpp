#include "support/ProxyProcess.h"

#include "support/TestServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString programName(ProxyProcess::Program program)
{
    return program == ProxyProcess::Program::Tinyproxy ? u"tinyproxy"_s : u"microsocks"_s;
}

QString executable(ProxyProcess::Program program)
{
    const QString name = programName(program);
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty()
        ? QStandardPaths::findExecutable(name, { u"/usr/sbin"_s, u"/usr/local/bin"_s })
        : found;
}

} // namespace

ProxyProcess::ProxyProcess(Program program)
    : m_program(program)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

ProxyProcess::~ProxyProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString ProxyProcess::missing(Program program)
{
    if (!executable(program).isEmpty())
        return {};
    return programName(program) + u" is not installed (Debian package "_s + programName(program)
        + u", installed by ./dev setup)"_s;
}

bool ProxyProcess::start(const QString& user, const QString& password)
{
    m_port = TestServer::refusedPort();
    const QString port = QString::number(m_port);
    QStringList arguments;
    if (m_program == Program::Tinyproxy) {
        // No Via header: the server then sees only what the client sent, in origin form.
        QString conf = u"Port "_s + port
            + u"\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\nAllow 127.0.0.1\n"
              "DisableViaHeader Yes\nLogLevel Info\n"_s;
        if (!user.isEmpty())
            conf += u"BasicAuth "_s + user + u' ' + password + u'\n';
        const QString path = m_dir.filePath(u"tinyproxy.conf"_s);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(conf.toUtf8()) < 0) {
            m_error = u"cannot write "_s + path;
            return false;
        }
        file.close();
        arguments = { u"-d"_s, u"-c"_s, path };
    } else {
        arguments = { u"-i"_s, u"127.0.0.1"_s, u"-p"_s, port };
        if (!user.isEmpty())
            arguments += { u"-u"_s, user, u"-P"_s, password };
    }
    m_process.start(executable(m_program), arguments);
    if (!m_process.waitForStarted(5000)) {
        m_error = programName(m_program) + u" did not start: "_s + m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(200))
            return true;
        QTest::qWait(20);
    }
    m_error = programName(m_program) + u" is not listening: "_s + output();
    return false;
}

QString ProxyProcess::output()
{
    m_output += QString::fromUtf8(m_process.readAll());
    return m_output;
}
