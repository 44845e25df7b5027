#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// The program with its window (offscreen) ended by SIGTERM, as a logout or kill ends it.
TEST(ProgramSignalTest, WindowedProgramSavesAndEndsOnSigterm)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString data = dir.filePath(u"data"_s);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PELORIN_BINARY), { u"--data-dir"_s, data });
    ASSERT_TRUE(process.waitForStarted());
    // The data folder is seeded after the signals are watched.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFile::exists(data + u"/pelorinconfig.xml"_s); }, 30000));
    // Only the shut-down can write the user data again.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFile::remove(data + u"/pelorinuser.xml"_s); }, 30000));
    ASSERT_EQ(process.state(), QProcess::Running);
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    QFile saved(data + u"/pelorinuser.xml"_s);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("<userdata>"));
}
