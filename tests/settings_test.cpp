#include "TestSupport.h"
#include "settings/SettingsStore.h"
#include "settings/ValueConversions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <cstdio>

using namespace kalvora;
using namespace kalvora::test;

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void trickyValues_roundTripExactly_data();
    void trickyValues_roundTripExactly();
    void absentKey_givesDefaultAsText_andIsNotCreated();
    void emptyValue_isPresentAndEmpty();
    void write_isOnDiskForAnotherProcess();
    void handEditedCommaValue_readsAsTheLine();
    void unwritableStore_reportsOnce_andKeepsRunning();
    void conversions_roundHalfEven_andRejectJunk();
};

void SettingsTest::trickyValues_roundTripExactly_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks") << QStringLiteral("  QQ0ABC  ");
    QTest::newRow("comma") << QStringLiteral("144.750 MHz, FM");
    QTest::newRow("quotes") << QStringLiteral("say \"hi\" 'there'");
    QTest::newRow("backslash") << QStringLiteral("C:\\ATV\\tx\\");
    QTest::newRow("at") << QStringLiteral("@Variant(x)");
    QTest::newRow("punctuation") << QStringLiteral("a=b;c#d");
    QTest::newRow("non-ascii") << QStringLiteral("Zoë Ørsted — 73 ✓");
    QTest::newRow("long") << QString(10000, QLatin1Char('x')).replace(5000, 1, QLatin1Char(','));
}

void SettingsTest::trickyValues_roundTripExactly() {
    QFETCH(QString, value);
    TestPlatform t;
    QVERIFY(t.store->WriteSetting(QStringLiteral("Text1"), value));
    QCOMPARE(t.store->ReadSetting(QStringLiteral("Text1"), QStringLiteral("default")), value);
    QCOMPARE(t.storedValue(QStringLiteral("Text1")), value);
}

void SettingsTest::absentKey_givesDefaultAsText_andIsNotCreated() {
    TestPlatform t;
    t.store->WriteSetting(QStringLiteral("Text1"), QStringLiteral("x"));
    QCOMPARE(t.store->ReadSetting(QStringLiteral("tt_backcolor"), 16777215),
             QStringLiteral("16777215"));
    QCOMPARE(t.store->ReadSetting(QStringLiteral("Text2"), QStringLiteral("144.750 MHz")),
             QStringLiteral("144.750 MHz"));
    QVERIFY(!t.storeHas(QStringLiteral("Text2")));
    QVERIFY(!t.storeHas(QStringLiteral("tt_backcolor")));
}

void SettingsTest::emptyValue_isPresentAndEmpty() {
    TestPlatform t;
    t.store->WriteSetting(QStringLiteral("Text3"), QString());
    QVERIFY(t.storeHas(QStringLiteral("Text3")));
    QCOMPARE(t.storedValue(QStringLiteral("Text3")), QString());
    QCOMPARE(t.store->ReadSetting(QStringLiteral("Text3"), QStringLiteral("QQ0ABC")), QString());
}

void SettingsTest::write_isOnDiskForAnotherProcess() {
    TestPlatform t;
    t.store->WriteSetting(QStringLiteral("Text5"), QStringLiteral("A"));
    t.store->WriteSetting(QStringLiteral("Text5"), QStringLiteral("AB"));
    // No flush, no destructor: another process must already see the latest text.
    QProcess reader;
    reader.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--read"), t.iniPath(), QStringLiteral("Text5")});
    QVERIFY(reader.waitForFinished(10000));
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()), QStringLiteral("AB"));
}

void SettingsTest::handEditedCommaValue_readsAsTheLine() {
    TestPlatform t;
    QFile ini(t.iniPath());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[settings]\nText1=QQ0ABC\nText2=144.750 MHz, FM\n");
    ini.close();
    SettingsStore store(t.iniPath());
    QCOMPARE(store.ReadSetting(QStringLiteral("Text2"), QString()),
             QStringLiteral("144.750 MHz, FM"));
    QCOMPARE(store.ReadSetting(QStringLiteral("Text1"), QString()), QStringLiteral("QQ0ABC"));
}

void SettingsTest::unwritableStore_reportsOnce_andKeepsRunning() {
    TestPlatform t;
    // A folder that cannot be made, even for root: its parent is a file.
    QFile blocker(t.dir.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore store(t.dir.filePath(QStringLiteral("blocker/settings.ini")));
    QStringList messages;
    store.setFailureHandler([&](const QString& message) { messages << message; });
    QVERIFY(!store.WriteSetting(QStringLiteral("Text1"), QStringLiteral("A")));
    QVERIFY(!store.WriteSetting(QStringLiteral("Text1"), QStringLiteral("AB")));
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages.first().contains(QStringLiteral("blocker")));
}

void SettingsTest::conversions_roundHalfEven_andRejectJunk() {
    QCOMPARE(toInt16(QStringLiteral("2.5")).value, 2);
    QCOMPARE(toInt16(QStringLiteral("3.5")).value, 4);
    QCOMPARE(toInt16(QStringLiteral("-2.5")).value, -2);
    QCOMPARE(toInt32(QStringLiteral(" 16777215 ")).value, 16777215);
    QCOMPARE(toDouble(QStringLiteral("10,5")).value, 10.5);
    QCOMPARE(toDouble(QStringLiteral("1e3")).value, 1000.0);
    QCOMPARE(roundHalfEven(10.5 * 27), 284.0);
    for (const char* junk : {"12abc", "", "  ", "1.2.3", "abc", "--1", "0x10"})
        QCOMPARE(toInt32(QString::fromLatin1(junk)).status, ConversionStatus::NotANumber);
    QCOMPARE(toInt16(QStringLiteral("32768")).status, ConversionStatus::OutOfRange);
    QCOMPARE(toInt16(QStringLiteral("-32768")).value, -32768);
    QCOMPARE(toInt32(QStringLiteral("1e300")).status, ConversionStatus::OutOfRange);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The second process of write_isOnDiskForAnotherProcess.
    if (argc == 4 && QByteArray(argv[1]) == "--read") {
        SettingsStore store(QString::fromLocal8Bit(argv[2]));
        std::fputs(store.ReadSetting(QString::fromLocal8Bit(argv[3]), QString()).toUtf8(), stdout);
        return 0;
    }
    SettingsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "settings_test.moc"
