#include "Lizenz.h"
#include "ProductInfo.h"
#include "Startup.h"
#include "TestEnvironment.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestComponents final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionTexts_data();
    void versionTexts();
    void identification();
    void splashLabels();
    void disclaimerLeavesOnlyThroughItsButtons();
    void disclaimerButtons_data();
    void disclaimerButtons();
};

void TestComponents::versionTexts_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("withBuild");

    QTest::newRow("revision 2") << 2 << 5 << 2 << QStringLiteral("Quandel Library 2.05 Build 200");
    QTest::newRow("revision 0 reads 100") << 2 << 5 << 0 << QStringLiteral("Quandel Library 2.05 Build 100");
    QTest::newRow("revision 12") << 2 << 5 << 12 << QStringLiteral("Quandel Library 2.05 Build 120");
    QTest::newRow("revision 345") << 3 << 10 << 345 << QStringLiteral("Quandel Library 3.10 Build 345");
}

void TestComponents::versionTexts()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, withBuild);
    QCOMPARE(ProductInfo::nameVersionAndBuild(major, minor, revision), withBuild);
}

void TestComponents::identification()
{
    // This release is 2.5: "2.5" is what the disclaimer's acceptance stores,
    // and the splash shows major, "0", minor.
    QCOMPARE(ProductInfo::versionText(), QStringLiteral("2.5"));
    QCOMPARE(ProductInfo::nameAndVersion(), QStringLiteral("Quandel Library 2.05"));
    QVERIFY(ProductInfo::identification().endsWith(QStringLiteral(" 205")));
}

void TestComponents::splashLabels()
{
    TestEnvironment env;
    Startup splash;
    QCOMPARE(splash.objectName(), QStringLiteral("Startup"));
    auto *name = splash.findChild<QLabel *>(QStringLiteral("LName"));
    QVERIFY(name);
    // The account's full name when the system knows one, else the fixed text.
    QVERIFY(!name->text().isEmpty());
    QCOMPARE(name->text(), ProductInfo::registeredOwner());
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("LIdent"))->text(),
             QStringLiteral("Tivorn Quandel Library Edition 205"));
}

void TestComponents::disclaimerLeavesOnlyThroughItsButtons()
{
    Lizenz dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral(" Sicherheitswarnung"));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("RName"))->text(), QStringLiteral("Quandel Library 2.05"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy finished(&dialog, &QDialog::finished);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.close());
    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.size(), 0);
}

void TestComponents::disclaimerButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("result");
    QTest::newRow("accept") << QStringLiteral("BReady") << QStringLiteral("&Ok") << int(QDialog::Accepted);
    QTest::newRow("cancel") << QStringLiteral("BAbbrechen") << QStringLiteral("&Abbrechen") << int(QDialog::Rejected);
}

void TestComponents::disclaimerButtons()
{
    Lizenz dialog;
    dialog.show();
    QFETCH(QString, button);
    auto *pushButton = dialog.findChild<QPushButton *>(button);
    QVERIFY(pushButton);
    QFETCH(QString, caption);
    QCOMPARE(pushButton->text(), caption);
    QSignalSpy finished(&dialog, &QDialog::finished);
    pushButton->click();
    QCOMPARE(finished.size(), 1);
    QFETCH(int, result);
    QCOMPARE(dialog.result(), result);
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestComponents)
#include "tst_components.moc"
