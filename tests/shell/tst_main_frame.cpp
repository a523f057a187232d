// The main window's logic without widgets: the font-holder rule, the loading steps, the toolbar
// layout, the window list, the window arrangements, the version texts and the splash progress.
#include "core/base/workspace.h"
#include "core/shell/main_frame.h"
#include "core/shell/program_info.h"
#include "core/ui/settings_store.h"

#include <QTemporaryDir>
#include <QTest>

using namespace shell;

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void fontName_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("absent") << QString() << QStringLiteral("宋体");
        QTest::newRow("spaces") << QStringLiteral("   ") << QStringLiteral("宋体");
        QTest::newRow("a name") << QStringLiteral("黑体") << QStringLiteral("黑体");
        QTest::newRow("a name in spaces") << QStringLiteral("  楷体 ") << QStringLiteral("楷体");
    }
    void fontName()
    {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        QCOMPARE(fontNameSetting(stored, QStringLiteral("宋体")), expected);
    }

    void fontSize_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("expected");
        QTest::newRow("absent") << QString() << 12.0;
        QTest::newRow("spaces") << QStringLiteral("    ") << 12.0;
        QTest::newRow("whole") << QStringLiteral("9") << 9.0;
        QTest::newRow("fraction") << QStringLiteral("10.5") << 10.5;
        QTest::newRow("padded") << QStringLiteral(" 14 ") << 14.0;
        QTest::newRow("not a number") << QStringLiteral("大") << 12.0;
        QTest::newRow("zero") << QStringLiteral("0") << 12.0;
        QTest::newRow("negative") << QStringLiteral("-3") << 12.0;
    }
    void fontSize()
    {
        QFETCH(QString, stored);
        QFETCH(double, expected);
        QCOMPARE(fontSizeSetting(stored, 12.0), expected);
    }

    void applyFontSettingsReadsTheFontSection()
    {
        QTemporaryDir tmp;
        base::Workspace ws(tmp.path());
        ui::MemorySettingsStore settings;
        applyFontSettings(ws, settings);
        QCOMPARE(ws.tableFontName, QStringLiteral("宋体"));
        QCOMPARE(ws.tableFontSize, 12.0);

        settings.setValue(QStringLiteral("Font"), QStringLiteral("Name"), QStringLiteral("黑体"));
        settings.setValue(QStringLiteral("Font"), QStringLiteral("Size"), QStringLiteral("15"));
        settings.setValue(QStringLiteral("Information"), QStringLiteral("Size"), QStringLiteral("30"));
        applyFontSettings(ws, settings);
        QCOMPARE(ws.tableFontName, QStringLiteral("黑体"));
        QCOMPARE(ws.tableFontSize, 15.0);

        // Blank values later on leave the font as it now is.
        settings.setValue(QStringLiteral("Font"), QStringLiteral("Name"), QStringLiteral(" "));
        settings.setValue(QStringLiteral("Font"), QStringLiteral("Size"), QStringLiteral("  "));
        applyFontSettings(ws, settings);
        QCOMPARE(ws.tableFontName, QStringLiteral("黑体"));
        QCOMPARE(ws.tableFontSize, 15.0);
    }

    void resetProgramStateSetsPrintSettingsAndPanels()
    {
        QTemporaryDir tmp;
        base::Workspace ws(tmp.path());
        ws.printCopies = 3;
        ws.printQuality = -4;
        ws.printLineWidth = 7;
        ws.printDuplex = 2;
        ws.setHorizontalInput(false);
        ws.setPanelText(4, QStringLiteral("当前用户：王老师"));
        resetProgramState(ws);
        QCOMPARE(ws.printCopies, 1);
        QCOMPARE(ws.printQuality, -3);
        QCOMPARE(ws.printLineWidth, 1);
        QCOMPARE(ws.printDuplex, 1);
        QVERIFY(ws.horizontalInput());
        QCOMPARE(ws.panelText(1), QStringLiteral("就绪"));
        QCOMPARE(ws.panelText(2), QStringLiteral("当前表格：无"));
        QCOMPARE(ws.panelText(4), QStringLiteral("当前用户：王老师"));
    }

    void toolbarHas24PositionsWithSeparatorsBetween()
    {
        const QList<ToolbarButton> buttons = toolbarButtons();
        QCOMPARE(buttons.size(), 24);
        QList<int> separators;
        for (int i = 0; i < buttons.size(); ++i) {
            QCOMPARE(buttons[i].number, i + 1);
            if (buttons[i].isSeparator())
                separators << buttons[i].number;
            else
                QVERIFY2(buttons[i].icon.endsWith(QLatin1String(".svg")), qPrintable(buttons[i].tooltip));
        }
        QCOMPARE(separators, (QList<int>{1, 5, 7, 12, 14, 18, 21, 23}));
    }

    void windowListChecksTheOwner_data()
    {
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<int>("owner");
        QTest::addColumn<QList<bool>>("checked");
        QTest::newRow("none open") << QStringList() << -1 << QList<bool>();
        QTest::newRow("one") << QStringList{QStringLiteral("期中")} << 0 << QList<bool>{true};
        QTest::newRow("middle of three") << QStringList{QStringLiteral("一班"), QStringLiteral("二班"),
                                                        QStringLiteral("三班")}
                                         << 1 << QList<bool>{false, true, false};
        // Two windows with the same title: only the owner's entry carries the mark.
        QTest::newRow("same titles") << QStringList{QStringLiteral("未命名的表格"), QStringLiteral("未命名的表格")} << 1
                                     << QList<bool>{false, true};
    }
    void windowListChecksTheOwner()
    {
        QFETCH(QStringList, captions);
        QFETCH(int, owner);
        QFETCH(QList<bool>, checked);
        const QList<WindowListEntry> list = windowList(captions, owner);
        QCOMPARE(list.size(), captions.size());
        for (int i = 0; i < list.size(); ++i) {
            QCOMPARE(list[i].caption, captions[i]);
            QCOMPARE(list[i].checked, checked[i]);
        }
    }

    void windowForCaptionTakesTheFirstMatch()
    {
        const QStringList captions{QStringLiteral("一班"), QStringLiteral("二班"), QStringLiteral("一班")};
        QCOMPARE(windowForCaption(captions, QStringLiteral("一班")), 0);
        QCOMPARE(windowForCaption(captions, QStringLiteral("二班")), 1);
        QCOMPARE(windowForCaption(captions, QStringLiteral("三班")), -1);
    }

    void tiling_data()
    {
        QTest::addColumn<bool>("aboveEachOther");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<QRect>>("expected");
        QTest::newRow("纵向 one") << true << QSize(800, 600) << 1 << QList<QRect>{QRect(0, 0, 800, 600)};
        QTest::newRow("纵向 three") << true << QSize(800, 600) << 3
                                    << QList<QRect>{QRect(0, 0, 800, 200), QRect(0, 200, 800, 200),
                                                    QRect(0, 400, 800, 200)};
        QTest::newRow("纵向 uneven") << true << QSize(700, 301) << 2
                                     << QList<QRect>{QRect(0, 0, 700, 150), QRect(0, 150, 700, 151)};
        QTest::newRow("横向 two") << false << QSize(800, 600) << 2
                                  << QList<QRect>{QRect(0, 0, 400, 600), QRect(400, 0, 400, 600)};
        QTest::newRow("横向 uneven") << false << QSize(1000, 500) << 3
                                     << QList<QRect>{QRect(0, 0, 333, 500), QRect(333, 0, 333, 500),
                                                     QRect(666, 0, 334, 500)};
        QTest::newRow("none") << false << QSize(1000, 500) << 0 << QList<QRect>();
    }
    void tiling()
    {
        QFETCH(bool, aboveEachOther);
        QFETCH(QSize, area);
        QFETCH(int, count);
        QFETCH(QList<QRect>, expected);
        QCOMPARE(tile(area, count, aboveEachOther ? Qt::Vertical : Qt::Horizontal), expected);
    }

    void iconsFillRowsFromTheBottom()
    {
        const QSize icon(160, 30);
        const QList<QPoint> points = arrangeIcons(QSize(500, 400), {icon, icon, icon, icon});
        QCOMPARE(points, (QList<QPoint>{{0, 370}, {160, 370}, {320, 370}, {0, 340}}));
        // An icon wider than the area still gets a place of its own.
        QCOMPARE(arrangeIcons(QSize(100, 400), {icon, icon}), (QList<QPoint>{{0, 370}, {0, 340}}));
    }

    void versionTexts_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("splash");
        QTest::addColumn<QString>("about");
        QTest::newRow("1.0.1") << 1 << 0 << 1 << QStringLiteral("V 1.0.0001") << QStringLiteral("版本 1.0.1");
        QTest::newRow("2.13.45") << 2 << 13 << 45 << QStringLiteral("V 2.13.0045") << QStringLiteral("版本 2.13.45");
        QTest::newRow("five digits") << 1 << 2 << 12345 << QStringLiteral("V 1.2.12345")
                                     << QStringLiteral("版本 1.2.12345");
    }
    void versionTexts()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, splash);
        QFETCH(QString, about);
        const Version v{major, minor, revision};
        QCOMPARE(splashVersionText(v), splash);
        QCOMPARE(aboutVersionText(v), about);
    }

    void splashPlatform()
    {
        QCOMPARE(splashPlatformText(QStringLiteral("linux")), QStringLiteral("For Linux"));
        QCOMPARE(splashPlatformText(QStringLiteral("freebsd")), QStringLiteral("For FreeBSD"));
        QCOMPARE(splashPlatformText(QStringLiteral("darwin")), QStringLiteral("For macOS"));
        QCOMPARE(splashPlatformText(QStringLiteral("winnt")), QStringLiteral("For Windows"));
    }

    void splashProgress_data()
    {
        QTest::addColumn<int>("splashWidth");
        QTest::addColumn<int>("ticks");
        QTest::newRow("exact multiple") << 7200 << 36;
        QTest::newRow("just over") << 7201 << 37;
        QTest::newRow("narrow") << 150 << 1;
    }
    void splashProgress()
    {
        QFETCH(int, splashWidth);
        QFETCH(int, ticks);
        SplashProgress p(splashWidth);
        for (int i = 1; i < ticks; ++i)
            QVERIFY2(!p.tick(), qPrintable(QString::number(i)));
        QVERIFY(p.tick());
        QCOMPARE(p.widthTwips(), ticks * 200);
        QVERIFY(p.tick()); // stays done without growing further
        QCOMPARE(p.widthTwips(), ticks * 200);
    }
};

QTEST_GUILESS_MAIN(MainFrameTest)
#include "tst_main_frame.moc"
