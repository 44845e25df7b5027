#include <QCoreApplication>

#include <gtest/gtest.h>

// Headless tests still need an event loop for sockets and timers.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
