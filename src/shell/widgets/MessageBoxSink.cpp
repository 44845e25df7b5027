#include "shell/widgets/MessageBoxSink.h"

#include <QMessageBox>

#include <utility>

namespace {

struct TestHook
{
    bool nonInteractive = false;
    QList<bool> answers;
    QList<MessageBoxSink::Shown> shown;
};

TestHook& hook()
{
    static TestHook h;
    return h;
}

QMessageBox::Icon boxIcon(MessageSink::Icon icon)
{
    switch (icon) {
    case MessageSink::Icon::None:
        return QMessageBox::NoIcon;
    case MessageSink::Icon::Information:
        return QMessageBox::Information;
    case MessageSink::Icon::Warning:
        return QMessageBox::Warning;
    case MessageSink::Icon::Error:
    case MessageSink::Icon::Critical:
        return QMessageBox::Critical;
    case MessageSink::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageBoxSink::MessageBoxSink(QWidget* parent)
    : m_parent(parent)
{ }

void MessageBoxSink::showMessage(const QString& text, const QString& title, Icon icon)
{
    if (hook().nonInteractive) {
        hook().shown.append({ text, title, icon });
        return;
    }
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, m_parent.data());
    box.exec();
}

bool MessageBoxSink::askYesNo(const QString& text, const QString& title)
{
    if (hook().nonInteractive) {
        hook().shown.append({ text, title, Icon::Question });
        return !hook().answers.isEmpty() && hook().answers.takeFirst();
    }
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                    m_parent.data());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxSink::setNonInteractive(bool on)
{
    hook().nonInteractive = on;
    if (!on)
        hook().answers.clear();
}

bool MessageBoxSink::isNonInteractive()
{
    return hook().nonInteractive;
}

void MessageBoxSink::setNextAnswer(bool yes)
{
    hook().answers.append(yes);
}

QList<MessageBoxSink::Shown> MessageBoxSink::takeShown()
{
    return std::exchange(hook().shown, {});
}
