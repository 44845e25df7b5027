#include "shell/widgets/DialogRunner.h"

#include <QDialog>
#include <QList>

#include <utility>

namespace {

struct TestHook
{
    QList<DialogRunner::Driver> drivers;
    bool nonInteractive = false;
    int unattended = 0;
};

TestHook& hook()
{
    static TestHook h;
    return h;
}

} // namespace

int DialogRunner::exec(QDialog& dialog)
{
    if (hook().drivers.isEmpty()) {
        if (!hook().nonInteractive)
            return dialog.exec();
        ++hook().unattended;
        dialog.reject();
        return dialog.result();
    }
    const Driver driver = hook().drivers.takeFirst();
    dialog.setResult(QDialog::Rejected);
    dialog.setModal(true);
    dialog.show();
    driver(dialog);
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}

void DialogRunner::pushDriver(Driver driver)
{
    hook().drivers.append(std::move(driver));
}

qsizetype DialogRunner::pendingDrivers()
{
    return hook().drivers.size();
}

void DialogRunner::clearDrivers()
{
    hook().drivers.clear();
}

void DialogRunner::setNonInteractive(bool on)
{
    hook().nonInteractive = on;
}

bool DialogRunner::isNonInteractive()
{
    return hook().nonInteractive;
}

int DialogRunner::takeUnattended()
{
    return std::exchange(hook().unattended, 0);
}
