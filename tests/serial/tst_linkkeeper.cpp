// The keeper on its own: a device reached through a link that is pointed at
// a pseudo-terminal, at nothing while the module is away, and at a new
// pseudo-terminal when it returns, as udev does for a module that resets.
#include "pointlink.h"
#include "ptypair.h"
#include "serial/linkkeeper.h"

#include <QTemporaryDir>
#include <QtTest>

class TestLinkKeeper : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<LinkKeeper> keeper;
    QString device;
    QVector<LineSettings> reopened;
    QStringList statuses;
    QStringList logged;
    int refusals = 0; // reopen attempts to turn down before one succeeds

    void moduleGoesAway()
    {
        pty.reset();
        QVERIFY(pointLink(device, dir->filePath("gone")));
    }

    void moduleReturns()
    {
        pty = std::make_unique<PtyPair>();
        QVERIFY(pointLink(device, pty->slavePath()));
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        device = dir->filePath("module");
        reopened.clear();
        statuses.clear();
        logged.clear();
        refusals = 0;
        moduleReturns();
        LinkKeeperHooks hooks;
        hooks.reopen = [this](const LineSettings &line) {
            if (refusals > 0) {
                --refusals;
                return false;
            }
            reopened << line;
            return true;
        };
        hooks.showStatus = [this](const QString &text) { statuses << text; };
        hooks.log = [this](const QString &line) { logged << line; };
        keeper = std::make_unique<LinkKeeper>(std::move(hooks));
        keeper->opened({device, 921600});
    }

    void cleanup()
    {
        keeper.reset();
        pty.reset();
        dir.reset();
    }

    void aLostLineIsLeftAloneUnlessAskedFor()
    {
        QVERIFY(!keeper->autoReconnects());
        moduleGoesAway();
        keeper->lost();
        QVERIFY(!keeper->isWaiting());
        moduleReturns();
        QTest::qWait(400);
        QVERIFY(reopened.isEmpty());
    }

    // Reopened with the same rate under the same name; a device that is
    // back but not yet ready is tried again on the next look.
    void theReturnedDeviceIsReopenedWithTheSameSettings()
    {
        keeper->setAutoReconnect(true);
        moduleGoesAway();
        keeper->lost();
        QVERIFY(keeper->isWaiting());
        QCOMPARE(statuses.last(), "Port Closed: waiting for " + device + " to come back");
        refusals = 1;
        moduleReturns();
        QTRY_COMPARE_WITH_TIMEOUT(reopened.size(), 1, 3000);
        QCOMPARE(refusals, 0);
        QCOMPARE(reopened.first().portName, device);
        QCOMPARE(reopened.first().baudRate, 921600u);
        QCOMPARE(logged, QStringList{"Reconnected to " + device});
        QVERIFY(!keeper->isWaiting());
    }

    void turningItOffOrClosingEndsTheWait()
    {
        keeper->setAutoReconnect(true);
        moduleGoesAway();
        keeper->lost();
        keeper->setAutoReconnect(false);
        QVERIFY(!keeper->isWaiting());
        QCOMPARE(statuses.last(), "No longer waiting for " + device);

        keeper->setAutoReconnect(true);
        keeper->lost();
        keeper->stop();
        QVERIFY(!keeper->isWaiting());
        moduleReturns();
        QTest::qWait(400);
        QVERIFY(reopened.isEmpty());
    }

    // After a firmware update the module is awaited whatever the setting,
    // and turning reconnecting off does not end that wait.
    void aFirmwareUpdateAwaitsTheModuleRegardless()
    {
        moduleGoesAway();
        QString back;
        keeper->awaitModule([&back](const QString &port) { back = port; });
        QVERIFY(keeper->isWaiting());
        keeper->setAutoReconnect(false);
        QVERIFY(keeper->isWaiting());
        moduleReturns();
        QTRY_COMPARE_WITH_TIMEOUT(back, device, 3000);
        QCOMPARE(reopened.size(), 1);
    }

    void nothingIsAwaitedBeforeALineWasOpen()
    {
        LinkKeeper fresh({[](const LineSettings &) { return true; }, [](const QString &) {},
                          [](const QString &) {}});
        fresh.setAutoReconnect(true);
        fresh.lost();
        fresh.awaitModule([](const QString &) { QFAIL("nothing was open"); });
        QVERIFY(!fresh.isWaiting());
    }
};

QTEST_GUILESS_MAIN(TestLinkKeeper)
#include "tst_linkkeeper.moc"
