// The six settings that outlast a run, in a settings file of the test's own.
#include "platform/LocaleInfo.h"
#include "shell/Settings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void freshStoreGivesDefaults();
    void roundTrip_data();
    void roundTrip();
    void unconvertibleValuesFallBack_data();
    void unconvertibleValuesFallBack();
    void emptyValueIsNotWritten();
    void localeSeparators_data();
    void localeSeparators();
    void labelLimitsKeepTheirOwnGroup();

private:
    SettingsStore freshStore()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        return SettingsStore{m_dir->filePath(QStringLiteral("nimbrel.ini"))};
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettings::freshStoreGivesDefaults()
{
    const SettingsStore store = freshStore();
    const AppSettings s = LoadAppSettings(store, NumberFormat());
    QCOMPARE(s.Params.MaxSizeEPD, int16_t(20));
    QCOMPARE(s.Params.MicronsPerEPD, 25.0f);
    QCOMPARE(s.Params.ScanLength, 2.0f);
    QCOMPARE(s.Params.SpreadFactor, 0.56f);
    QCOMPARE(s.Params.Metric, true);
    QCOMPARE(s.InitialDir, DefaultInitialDir());

    // After the window unloads, all six values exist in the store.
    QVERIFY(SaveAppSettings(store, s, NumberFormat()));
    QSettings file(store.File, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Settings"));
    QCOMPARE(file.childKeys().size(), 6);
    QCOMPARE(file.value(QStringLiteral("SpreadFactor")).toString(), QStringLiteral("0.56"));
    QCOMPARE(file.value(QStringLiteral("Metric")).toString(), QStringLiteral("True"));
}

void TestSettings::roundTrip_data()
{
    QTest::addColumn<QString>("decimal");
    QTest::newRow("English") << ".";
    QTest::newRow("German") << ",";
}

void TestSettings::roundTrip()
{
    QFETCH(QString, decimal);
    const NumberFormat format(decimal.at(0));
    const SettingsStore store = freshStore();
    AppSettings s;
    s.Params.MaxSizeEPD = 35;
    s.Params.MicronsPerEPD = 12.5f;
    s.Params.ScanLength = 2.54f;
    s.Params.SpreadFactor = 0.61f;
    s.Params.Metric = false;
    s.InitialDir = QStringLiteral("/data/trials 2026/");
    QVERIFY(SaveAppSettings(store, s, format));
    const AppSettings back = LoadAppSettings(store, format);
    QCOMPARE(back.Params, s.Params);
    QCOMPARE(back.InitialDir, s.InitialDir);

    QSettings file(store.File, QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("Settings/SpreadFactor")).toString(), QStringLiteral("0") + decimal + "61");
}

void TestSettings::unconvertibleValuesFallBack_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::newRow("written under a comma locale") << "SpreadFactor" << "0,56";
    QTest::newRow("edited by hand") << "MicronsPerEPD" << "twenty-five";
    QTest::newRow("zero optics") << "ScanLength" << "0";
    QTest::newRow("classes beyond 16 bits") << "MaxSizeEPD" << "40000";
    QTest::newRow("no classes") << "MaxSizeEPD" << "0";
    QTest::newRow("not a word") << "Metric" << "Maybe";
}

void TestSettings::unconvertibleValuesFallBack()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    const SettingsStore store = freshStore();
    const NumberFormat format(QLatin1Char('.'));
    const AppSettings defaults = LoadAppSettings(store, format);
    QVERIFY(SaveSetting(store, QStringLiteral("Settings"), QStringLiteral("MicronsPerEPD"), QStringLiteral("30")));
    QVERIFY(SaveSetting(store, QStringLiteral("Settings"), key, stored));
    AppSettings s = LoadAppSettings(store, format);
    if (key != QLatin1String("MicronsPerEPD")) {
        QCOMPARE(s.Params.MicronsPerEPD, 30.0f); // the good values are still read
        s.Params.MicronsPerEPD = defaults.Params.MicronsPerEPD;
    }
    QCOMPARE(s.Params, defaults.Params);
}

void TestSettings::emptyValueIsNotWritten()
{
    const SettingsStore store = freshStore();
    QVERIFY(SaveSetting(store, QStringLiteral("Settings"), QStringLiteral("InitialDir"), QStringLiteral("/trials/")));
    QVERIFY(SaveSetting(store, QStringLiteral("Settings"), QStringLiteral("InitialDir"), QString()));
    QCOMPARE(GetSetting(store, QStringLiteral("Settings"), QStringLiteral("InitialDir"), QStringLiteral("x")),
             QStringLiteral("/trials/"));
    QCOMPARE(GetSetting(store, QStringLiteral("Other"), QStringLiteral("InitialDir"), QStringLiteral("x")),
             QStringLiteral("x"));
}

void TestSettings::localeSeparators_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("list");
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << "." << ",";
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "," << ";";
    QTest::newRow("French") << QLocale(QLocale::French, QLocale::France) << "," << ";";
}

void TestSettings::localeSeparators()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, decimal);
    QFETCH(QString, list);
    const LocaleSeparators s = ReadLocaleSeparators(locale);
    QCOMPARE(QString(s.Decimal), decimal);
    QCOMPARE(s.List, list);

    // The defaults a fresh store gives are written in that locale's number text.
    const NumberFormat format(s.Decimal);
    QCOMPARE(format.General(0.56f), QStringLiteral("0") + decimal + "56");
}

void TestSettings::labelLimitsKeepTheirOwnGroup()
{
    const SettingsStore store = freshStore();
    const NumberFormat german(QLatin1Char(','));
    QCOMPARE(LoadLabelLimits(store, german), LabelLimits{});

    QVERIFY(SaveAppSettings(store, LoadAppSettings(store, german), german));
    const LabelLimits ulv{8.5f, 30.0f, 50.0f};
    QVERIFY(SaveLabelLimits(store, ulv, german));
    QCOMPARE(LoadLabelLimits(store, german), ulv);
    {
        QSettings file(store.File, QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("LabelLimits/Dv05From")).toString(), QStringLiteral("8,5"));
        file.beginGroup(QStringLiteral("Settings"));
        QCOMPARE(file.childKeys().size(), 6); // the program's own settings are untouched
    }

    // A cleared limit stays cleared; one typed by hand as nonsense is no limit.
    QVERIFY(SaveLabelLimits(store, LabelLimits{{}, 30.0f, {}}, german));
    QCOMPARE(LoadLabelLimits(store, german), (LabelLimits{{}, 30.0f, {}}));
    QSettings(store.File, QSettings::IniFormat).setValue(QStringLiteral("LabelLimits/Dv09Below"), QStringLiteral("fifty"));
    QCOMPARE(LoadLabelLimits(store, german), (LabelLimits{{}, 30.0f, {}}));
    QSettings(store.File, QSettings::IniFormat).setValue(QStringLiteral("LabelLimits/Dv05To"), QStringLiteral("-3"));
    QCOMPARE(LoadLabelLimits(store, german), LabelLimits{});
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
