#include "TestSupport.h"
#include "settings/SettingsStore.h"
#include "settings/ValueConversions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
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
    void twoInstancesTyping_loseNoKeyOfEachOther();
    void handEditedCommaValue_readsAsTheLine();
    void handEditedFile_otherLinesKept_valuesReadAsQSettingsDoes();
    void unwritableStore_reportsOnce_andKeepsRunning();
    void listeners_hearOnlyTheKeysTheyFollow_andOnlyWhatWasStored();
    void unreadableStore_reported_andNeverWrittenOver_data();
    void unreadableStore_reported_andNeverWrittenOver();
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
    QTest::newRow("controls") << QStringLiteral("a\tb\nc\x01" "2\x1f" "f");
    QTest::newRow("nul then hex digit") << QString(QChar(0)) + QStringLiteral("abc");
    QTest::newRow("two ats") << QStringLiteral("@@x");
    QTest::newRow("outside the BMP") << QStringLiteral("73 \U0001F4E1 de QQ0ABC");
    QTest::newRow("tab edges") << QStringLiteral("\tQQ0ABC\t");
}

// Files written by earlier versions went through QSettings, and QSettings must read ours:
// each value crosses both ways unchanged.
void SettingsTest::trickyValues_roundTripExactly() {
    QFETCH(QString, value);
    TestPlatform t;
    QVERIFY(t.store->WriteSetting(QStringLiteral("Text1"), value));
    QCOMPARE(t.store->ReadSetting(QStringLiteral("Text1"), QStringLiteral("default")), value);
    QCOMPARE(t.storedValue(QStringLiteral("Text1")), value);
    QSettings qt(t.iniPath(), QSettings::IniFormat);
    if (!value.contains(QLatin1Char(',')))
        QCOMPARE(qt.value(QStringLiteral("settings/Text1")).toString(), value);
    qt.setValue(QStringLiteral("settings/Text2"), value);
    qt.sync();
    QCOMPARE(t.storedValue(QStringLiteral("Text2")), value);
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
    TestPlatform t({{"Text5", "A"}, {"Text5", "AB"}});
    // No flush, no destructor: another process must already see the latest text.
    QProcess reader;
    reader.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--read"), t.iniPath(), QStringLiteral("Text5")});
    QVERIFY(reader.waitForFinished(10000));
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()), QStringLiteral("AB"));
}

void SettingsTest::twoInstancesTyping_loseNoKeyOfEachOther() {
    TestPlatform t;
    // A large file makes the time between reading and replacing it long.
    QFile ini(t.iniPath());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("; " + QByteArray(2 << 20, 'x') + "\n[settings]\n");
    ini.close();
    QList<QProcess*> writers;
    for (const char* prefix : {"a", "b"}) {
        auto* writer = new QProcess(this);
        writer->start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--write"), t.iniPath(), QString::fromLatin1(prefix)});
        writers << writer;
    }
    for (QProcess* writer : writers)
        QVERIFY(writer->waitForFinished(60000) && writer->exitCode() == 0);
    for (const char* prefix : {"a", "b"})
        for (int i = 0; i < 40; ++i)
            QVERIFY2(t.storeHas(QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i)),
                     qPrintable(QStringLiteral("%1%2 lost").arg(QLatin1String(prefix)).arg(i)));
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

void SettingsTest::handEditedFile_otherLinesKept_valuesReadAsQSettingsDoes() {
    TestPlatform t;
    const QByteArray before = "\xEF\xBB\xBF; written by hand\n"
                              "[other]\r\nkey=kept\n"
                              "[settings\n"
                              "a line without equals\n"
                              "[settings]\n"
                              "Text1 = QQ0ABC ; a comment\r\n"
                              "Text2=\"  144.750 MHz; FM \"\n"
                              "Text3=@@at\n"
                              "\n[tail]\nx=1\n";
    QFile ini(t.iniPath());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(before);
    ini.close();

    QSettings qt(t.iniPath(), QSettings::IniFormat);
    for (const char* key : {"Text1", "Text2", "Text3"})
        QCOMPARE(t.storedValue(QString::fromLatin1(key)),
                 qt.value(QStringLiteral("settings/") + QLatin1String(key)).toString());

    QStringList warnings;
    t.store->setFailureHandler([&](const QString& message) { warnings << message; });
    QVERIFY(t.store->WriteSetting(QStringLiteral("Text1"), QStringLiteral("PA3XYZ")));
    QVERIFY(t.store->WriteSetting(QStringLiteral("Text4"), QStringLiteral("1255 MHz")));
    QVERIFY(warnings.isEmpty());
    QFile after(t.iniPath());
    QVERIFY(after.open(QIODevice::ReadOnly));
    QByteArray expected = before;
    // Each line keeps its own end; a new one takes the end most lines have.
    expected.replace("Text1 = QQ0ABC ; a comment\r\n", "Text1=PA3XYZ\r\n");
    expected.replace("Text3=@@at\n", "Text3=@@at\nText4=1255 MHz\n");
    QCOMPARE(after.readAll(), expected);
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

// A listener hears of a write only where it stored keys the listener follows, and only those;
// a write that failed is not announced, and a listener removed hears nothing more.
void SettingsTest::listeners_hearOnlyTheKeysTheyFollow_andOnlyWhatWasStored() {
    TestPlatform t;
    QFile blocker(t.dir.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (const QString& file : {t.iniPath(), t.dir.filePath(QStringLiteral("blocker/x.ini"))}) {
        SettingsStore store(file);
        const bool writable = file == t.iniPath();
        QList<SettingsStore::Written> heard;
        const int id = store.addChangeListener(
            {QStringLiteral("tt_speed"), QStringLiteral("tt_font")},
            [&heard](const SettingsStore::Written& written) { heard << written; });
        store.WriteSetting(QStringLiteral("Text1"), QStringLiteral("PI6ATV"));
        store.WriteSettings({{QStringLiteral("Text2"), QStringLiteral("145")},
                             {QStringLiteral("tt_font"), QStringLiteral("Arial")}});
        store.removeChangeListener(id);
        store.WriteSetting(QStringLiteral("tt_speed"), QStringLiteral("9"));
        const QList<SettingsStore::Written> expected = {
            {{QStringLiteral("tt_font"), QStringLiteral("Arial")}}};
        QCOMPARE(heard, writable ? expected : QList<SettingsStore::Written>());
    }
}

void SettingsTest::unreadableStore_reported_andNeverWrittenOver_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("named pipe") << QStringLiteral("pipe");
}

void SettingsTest::unreadableStore_reported_andNeverWrittenOver() {
    QFETCH(QString, kind);
    TestPlatform t;
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(t.iniPath()));
    else if (QProcess::execute(QStringLiteral("mkfifo"), {t.iniPath()}) != 0)
        QSKIP("mkfifo is not available");
    QVERIFY(t.store->readProblem().contains(QDir::toNativeSeparators(t.iniPath())));
    QCOMPARE(t.store->ReadSetting(QStringLiteral("Text1"), QStringLiteral("QQ0ABC")),
             QStringLiteral("QQ0ABC"));
    QStringList warnings;
    t.store->setFailureHandler([&](const QString& message) { warnings << message; });
    QVERIFY(!t.store->WriteSetting(QStringLiteral("Text1"), QStringLiteral("PA3XYZ")));
    QCOMPARE(warnings.size(), 1);
    QVERIFY(!QFileInfo(t.iniPath()).isFile());
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
    // One of the two instances of twoInstancesTyping_loseNoKeyOfEachOther: a key per keystroke.
    if (argc == 4 && QByteArray(argv[1]) == "--write") {
        SettingsStore store(QString::fromLocal8Bit(argv[2]));
        for (int i = 0; i < 40; ++i)
            if (!store.WriteSetting(QString::fromLocal8Bit(argv[3]) + QString::number(i),
                                    QStringLiteral("typed")))
                return 1;
        return 0;
    }
    SettingsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "settings_test.moc"
