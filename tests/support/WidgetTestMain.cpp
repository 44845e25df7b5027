#include "shell/widgets/DialogRunner.h"
#include "shell/widgets/MessageBoxSink.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Widget tests never need a display, also when test discovery runs them.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // No widget test may wait for a person: message boxes are recorded, not shown, and
    // dialogs no test drives are cancelled.
    MessageBoxSink::setNonInteractive(true);
    DialogRunner::setNonInteractive(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
