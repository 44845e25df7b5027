#include "shell/MessageSink.h"

#include <cstdio>

using namespace Qt::StringLiterals;

void StderrMessageSink::showMessage(const QString& text, const QString& title, Icon)
{
    const QByteArray line = (title.isEmpty() ? text : title + u' ' + text).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

bool StderrMessageSink::askYesNo(const QString& text, const QString& title)
{
    showMessage(text + (m_answer ? u" [yes]"_s : u" [no]"_s), title, Icon::Question);
    return m_answer;
}
