// The six settings that outlast a run, in a settings file of the test's own.
#include "platform/LocaleInfo.h"
#include "shell/Settings.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestSettings : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;

    SettingsStore freshStore()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        return SettingsStore{m_dir->filePath(QStringLiteral("nimbrel.ini"))};
    }

private slots:
    void freshStoreGivesDefaults()
    {
        const SettingsStore store = freshStore();
        const AppSettings s = LoadAppSettings(store, NumberFormat());
        QCOMPARE(s.Params, AnalysisParameters()); // 20 EPD of 25 µm, 2 cm, 0.56, metric
        QCOMPARE(s.InitialDir, DefaultInitialDir());

        // After the window unloads, all six values exist in the store.
        QVERIFY(SaveAppSettings(store, s, NumberFormat()));
        QSettings file(store.File, QSettings::IniFormat);
        file.beginGroup(QStringLiteral("Settings"));
        QCOMPARE(file.childKeys().size(), 6);
        QCOMPARE(file.value(QStringLiteral("Metric")).toString(), QStringLiteral("True"));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("decimal");
        QTest::newRow("English") << ".";
        QTest::newRow("German") << ",";
    }
    void roundTrip()
    {
        QFETCH(QString, decimal);
        const NumberFormat format(decimal.at(0));
        const SettingsStore store = freshStore();
        const AppSettings s{{35, 12.5f, 2.54f, 0.61f, false}, QStringLiteral("/data/trials 2026/")};
        QVERIFY(SaveAppSettings(store, s, format));
        const AppSettings back = LoadAppSettings(store, format);
        QCOMPARE(back.Params, s.Params);
        QCOMPARE(back.InitialDir, s.InitialDir);
        QSettings file(store.File, QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("Settings/SpreadFactor")).toString(), QStringLiteral("0") + decimal + "61");
    }

    void unconvertibleValuesFallBack_data()
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
    void unconvertibleValuesFallBack()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        const SettingsStore store = freshStore();
        QVERIFY(SaveSetting(store, QStringLiteral("Settings"), QStringLiteral("MicronsPerEPD"), QStringLiteral("30")));
        QVERIFY(SaveSetting(store, QStringLiteral("Settings"), key, stored));
        AnalysisParameters expected; // the bad value falls back; the good ones are still read
        if (key != QLatin1String("MicronsPerEPD"))
            expected.MicronsPerEPD = 30;
        QCOMPARE(LoadAppSettings(store, NumberFormat(QLatin1Char('.'))).Params, expected);
    }

    // An empty value never overwrites a stored one.
    void emptyValueIsNotWritten()
    {
        const SettingsStore store = freshStore();
        const QString section = QStringLiteral("Settings"), key = QStringLiteral("InitialDir");
        QVERIFY(SaveSetting(store, section, key, QStringLiteral("/trials/")));
        QVERIFY(SaveSetting(store, section, key, QString()));
        QCOMPARE(GetSetting(store, section, key, QStringLiteral("x")), QStringLiteral("/trials/"));
    }

    // A file the store cannot parse is kept aside whole and the defaults take over;
    // a readable one is left alone.
    void unreadableFileSetAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("unreadable");
        QByteArray junk;
        for (int i = 0; i < 4000; ++i)
            junk.append(char((i * 7919 + 13) % 256));
        QTest::newRow("binary junk") << junk << true;
        QTest::newRow("section header cut short") << QByteArray("[Settings\nMicronsPerEPD=30\n") << true;
        QTest::newRow("readable") << QByteArray("[Settings]\nMicronsPerEPD=30\n") << false;
    }
    void unreadableFileSetAside()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, unreadable);
        const SettingsStore store = freshStore();
        {
            QFile file(store.File);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const QString told = SetAsideUnreadableSettings(store);
        const QString aside = store.File + QStringLiteral(".bad");
        if (!unreadable) {
            QCOMPARE(told, QString());
            QVERIFY(!QFileInfo::exists(aside));
            QCOMPARE(LoadAppSettings(store, NumberFormat()).Params.MicronsPerEPD, 30.0f);
            return;
        }
        QVERIFY2(told.contains(QDir::toNativeSeparators(aside)), qPrintable(told));
        QFile kept(aside);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), content);
        QVERIFY(!QFileInfo::exists(store.File));
        QCOMPARE(LoadAppSettings(store, NumberFormat()).Params, AnalysisParameters());
        // A second bad file does not take the place of the first.
        QVERIFY(QFile::copy(aside, store.File));
        QVERIFY(SetAsideUnreadableSettings(store).contains(QStringLiteral(".bad2")));
        QVERIFY(QFileInfo::exists(aside));
    }

    // Saving reports a failure only when the values did not reach the store.
    void saveFailsOnlyWhenRefused_data()
    {
        QTest::addColumn<QString>("store"); // what stands at the store's place
        QTest::addColumn<QString>("why");   // empty: saved
        QTest::newRow("garbage left in the file") << QStringLiteral("garbage") << QString();
        QTest::newRow("store is a folder") << QStringLiteral("folder") << QStringLiteral("is a folder");
        QTest::newRow("folder of the store is a file") << QStringLiteral("under a file") << QStringLiteral("nimbrel.ini");
    }
    void saveFailsOnlyWhenRefused()
    {
        QFETCH(QString, store);
        QFETCH(QString, why);
        SettingsStore target = freshStore();
        if (store == QLatin1String("garbage")) {
            QFile file(target.File);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("[Settings\n\x01\x02=\"3\n", 17));
        } else if (store == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(target.File));
        } else {
            QFile blocker(m_dir->filePath(QStringLiteral("plain")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            target.File = blocker.fileName() + QStringLiteral("/nimbrel.ini");
        }
        const AppSettings s{{35, 12.5f, 2.54f, 0.61f, false}, QStringLiteral("/data/trials 2026/")};
        QString reason;
        QCOMPARE(SaveAppSettings(target, s, NumberFormat(), &reason), why.isEmpty());
        QVERIFY2(reason.contains(why), qPrintable(reason));
        if (why.isEmpty())
            QCOMPARE(LoadAppSettings(target, NumberFormat()).Params, s.Params);
    }

    void localeSeparators()
    {
        const LocaleSeparators us = ReadLocaleSeparators(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(us.Decimal == u'.' && us.List == QStringLiteral(","));
        const LocaleSeparators de = ReadLocaleSeparators(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(de.Decimal == u',' && de.List == QStringLiteral(";"));
    }

    void labelLimitsKeepTheirOwnGroup()
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
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
