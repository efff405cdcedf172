#include "app/SessionValues.h"
#include "app/SingleInstance.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace qb;

TEST(SessionValues, LockIdentityFromTheComputerName)
{
    EXPECT_EQ(LockIdentity("DESKTOP-1", 5), "DESKTOP-1");
    EXPECT_EQ(LockIdentity("fourteen-chars", 5), "fourteen-chars");
    EXPECT_EQ(LockIdentity("", 1700000000), "1700000000");
    EXPECT_EQ(LockIdentity("", 7), "7");

    // Longer names: 14 characters, stable, and different for different machines.
    const std::string a = LockIdentity("build-server-one.example", 5);
    EXPECT_EQ(a.size(), 14u);
    EXPECT_EQ(a.substr(0, 9), "build-se~");
    EXPECT_EQ(a, LockIdentity("build-server-one.example", 99));
    EXPECT_NE(a, LockIdentity("build-server-two.example", 5));
    EXPECT_EQ(ScriptBase(), "/Buffer/Buffer0000/");
}

TEST(SingleInstance, SecondCopyRaisesTheFirst)
{
    const QString name = QStringLiteral("QuillboxTest-%1").arg(QCoreApplication::applicationPid());
    CSingleInstance first(name);
    ASSERT_TRUE(first.Claim());
    QSignalSpy raised(&first, &CSingleInstance::activationRequested);
    CSingleInstance second(name);
    EXPECT_FALSE(second.Claim());
    EXPECT_TRUE(raised.wait(5000));
}

TEST(SingleInstance, StaleSocketOfACrashedCopyIsTakenOver)
{
    const QString name = QStringLiteral("QuillboxStale-%1").arg(QCoreApplication::applicationPid());
    {
        CSingleInstance crashed(name);
        ASSERT_TRUE(crashed.Claim());
    } // the server closes; a file left behind must not block the next copy
    CSingleInstance next(name);
    EXPECT_TRUE(next.Claim());
}
