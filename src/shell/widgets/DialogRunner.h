#pragma once

#include <QtGlobal>

#include <functional>

class QDialog;

// Runs the program's own modal dialogs. In the program a dialog is shown modally and waited
// for. Tests queue drivers instead: the next dialog is shown without a nested event loop and
// its driver plays the user (fills boxes, clicks buttons); and while non-interactive a dialog
// no driver is queued for is cancelled at once, so nothing waits for a person.
class DialogRunner final
{
public:
    using Driver = std::function<void(QDialog& dialog)>;

    DialogRunner() = delete;

    // Shows dialog modally and returns its result code (QDialog::Accepted or Rejected). A
    // driver that leaves the dialog open has it rejected.
    static int exec(QDialog& dialog);

    // Test hook: queues a driver for the next dialog run, first queued first used.
    static void pushDriver(Driver driver);
    // Test hook: the number of queued drivers not used yet; clearing drops them.
    static qsizetype pendingDrivers();
    static void clearDrivers();
    // Test hook: while on, a dialog run with no driver queued is rejected unseen.
    static void setNonInteractive(bool on);
    static bool isNonInteractive();
    // Test hook: the number of dialogs rejected unseen since the last call.
    static int takeUnattended();
};
