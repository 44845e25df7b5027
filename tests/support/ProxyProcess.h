#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real proxy program on a free loopback port, started by a test and stopped with it: tinyproxy
// (HTTP, CONNECT) or microsocks (SOCKS5). Both take optional credentials.
class ProxyProcess final
{
public:
    enum class Program { Tinyproxy, Microsocks };

    explicit ProxyProcess(Program program);
    ~ProxyProcess();
    ProxyProcess(const ProxyProcess&) = delete;
    ProxyProcess& operator=(const ProxyProcess&) = delete;

    // Why the program cannot run here (not installed); empty when it can.
    static QString missing(Program program);
    // Starts it and waits until it listens; false (see error()) when that fails.
    bool start(const QString& user = {}, const QString& password = {});
    QString error() const { return m_error; }
    quint16 port() const { return m_port; }
    // Everything the program printed so far.
    QString output();

private:
    Program m_program;
    QProcess m_process;
    QTemporaryDir m_dir;
    quint16 m_port = 0;
    QString m_error;
    QString m_output;
};
