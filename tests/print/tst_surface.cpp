// The drawing surface: units, the current position after printing, measuring, text in a
// rectangle, page handling, and that the painter draws where the recording says.
#include "core/print/fonts.h"
#include "core/print/painter_surface.h"
#include "core/print/recording_surface.h"

#include <QFontInfo>
#include <QImage>
#include <QTest>

using namespace print;

class SurfaceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { substituteChineseFonts(); }

    void printMovesThePosition_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("endLine");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<int>("texts");
        // 宋体 9: one line is 180 twips; the fixed measure gives 90 twips per narrow character.
        QTest::newRow("line") << QStringLiteral("ab") << true << 0.0 << 1180.0 << 1;
        QTest::newRow("no end") << QStringLiteral("ab") << false << 680.0 << 1000.0 << 1;
        QTest::newRow("empty ends the line") << QString() << true << 0.0 << 1180.0 << 0;
        QTest::newRow("empty without end") << QString() << false << 500.0 << 1000.0 << 0;
        QTest::newRow("two lines") << QStringLiteral("a\nbb") << true << 0.0 << 1360.0 << 2;
        QTest::newRow("two lines no end") << QStringLiteral("a\r\n王") << false << 680.0 << 1180.0 << 2;
    }
    void printMovesThePosition()
    {
        QFETCH(QString, text);
        QFETCH(bool, endLine);
        RecordingSurface s;
        s.setCurrentX(500);
        s.setCurrentY(1000);
        s.Print(text, endLine);
        QFETCH(double, x);
        QCOMPARE(s.CurrentX(), x);
        QFETCH(double, y);
        QCOMPARE(s.CurrentY(), y);
        QFETCH(int, texts);
        QCOMPARE(int(s.calls().size()), texts);
        for (size_t i = 0; i < s.calls().size(); ++i) {
            const Call &c = s.calls()[i];
            QCOMPARE(c.kind, Call::Text);
            QCOMPARE(c.x1, 500.0); // continuation lines start where the first did
            QCOMPARE(c.y1, 1000.0 + 180.0 * double(i));
        }
    }

    void measuresInCurrentUnits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("size");
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::newRow("latin") << QStringLiteral("1234") << 9.0 << 1 << 360.0 << 180.0;
        QTest::newRow("chinese") << QStringLiteral("教师：") << 8.0 << 1 << 480.0 << 160.0;
        QTest::newRow("empty is one line") << QString() << 9.0 << 1 << 0.0 << 180.0;
        QTest::newRow("widest line, every line") << QStringLiteral("ab\n王老师\n") << 9.0 << 1 << 540.0 << 540.0;
        QTest::newRow("pixels") << QStringLiteral("王老师") << 9.0 << 3 << 36.0 << 12.0;
    }
    void measuresInCurrentUnits()
    {
        QFETCH(double, size);
        RecordingSurface s;
        s.setFontSize(size);
        QFETCH(int, mode);
        QVERIFY(s.setScaleMode(mode));
        QFETCH(QString, text);
        QFETCH(double, width);
        QCOMPARE(s.TextWidth(text), width);
        QFETCH(double, height);
        QCOMPARE(s.TextHeight(text), height);
    }

    void pixelModeTakesAndGivesPixels()
    {
        RecordingSurface s;
        QVERIFY(!s.setScaleMode(2));
        QVERIFY(s.setScaleMode(vbPixels));
        QCOMPARE(s.ScaleWidth(), kA4Width / 15);
        s.setDrawWidth(2);
        s.Line(10, 20, 30, 40, LineKind::Box);
        QCOMPARE(s.CurrentX(), 30.0);
        s.setScaleMode(vbTwips);
        QCOMPARE(s.CurrentY(), 600.0);
        const Call &c = s.calls().back();
        QCOMPARE(c.kind, Call::Box);
        QCOMPARE(QList<double>({c.x1, c.y1, c.x2, c.y2}), QList<double>({150, 300, 450, 600}));
        QCOMPARE(c.penWidth, 30.0);
        QCOMPARE(c.filled, false);
    }

    void lineColourAndFill_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("fillStyle");
        QTest::addColumn<bool>("withColour");
        QTest::addColumn<QRgb>("pen");
        QTest::addColumn<bool>("filled");
        const QRgb fore = qRgb(0, 0, 255), grey = qRgb(128, 128, 128);
        QTest::newRow("line, ForeColor") << int(LineKind::Line) << 1 << false << fore << false;
        QTest::newRow("line, colour") << int(LineKind::Line) << 1 << true << grey << false;
        QTest::newRow("box transparent") << int(LineKind::Box) << 1 << false << fore << false;
        QTest::newRow("box solid fill") << int(LineKind::Box) << 0 << false << fore << true;
        QTest::newRow("filled box") << int(LineKind::FilledBox) << 1 << true << grey << true;
    }
    void lineColourAndFill()
    {
        RecordingSurface s;
        s.setForeColor(qRgb(0, 0, 255));
        QFETCH(int, fillStyle);
        s.setFillStyle(fillStyle);
        std::optional<QRgb> colour;
        QFETCH(bool, withColour);
        if (withColour)
            colour = qRgb(128, 128, 128);
        QFETCH(int, kind);
        s.Line(0, 0, 100, 100, LineKind(kind), colour);
        QFETCH(QRgb, pen);
        QCOMPARE(s.calls().back().color, pen);
        QFETCH(bool, filled);
        QCOMPARE(s.calls().back().filled, filled);
    }

    void textInRectangle_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("drawn");
        QTest::addColumn<int>("bottom");
        QTest::newRow("measure only") << QStringLiteral("a\nb") << (DT_CALCRECT | DT_NOPREFIX) << 24 << false << 44;
        QTest::newRow("empty is one line") << QString() << int(DT_CALCRECT) << 12 << false << 32;
        QTest::newRow("centre") << QStringLiteral("85") << (DT_CENTER | DT_NOPREFIX) << 12 << true << 100;
    }
    void textInRectangle()
    {
        QFETCH(int, flags);
        RecordingSurface s;
        PixelRect r{10, 20, 60, 100};
        QFETCH(QString, text);
        QFETCH(int, height);
        QCOMPARE(s.DrawText(text, r, flags), height);
        QFETCH(int, bottom);
        QCOMPARE(r.bottom, bottom);
        QFETCH(bool, drawn);
        QCOMPARE(s.calls().size(), size_t(drawn ? 1 : 0));
        if (drawn) {
            const Call &c = s.calls().front();
            QCOMPARE(QList<double>({c.x1, c.y1, c.x2, c.y2}), QList<double>({150, 300, 900, 1500}));
            QCOMPARE(c.flags, flags & 3);
        }
    }

    void pagesAndClearing()
    {
        RecordingSurface s;
        s.setCurrentY(5000);
        s.Print(QStringLiteral("x"));
        QVERIFY(s.NewPage());
        QCOMPARE(s.CurrentY(), 0.0);
        QCOMPARE(s.pageCount(), 2);
        QVERIFY(s.EndDoc());
        QVERIFY(s.hasDrawing());
        s.Cls();
        QCOMPARE(s.calls().size(), size_t(1));
        QCOMPARE(s.pageCount(), 1);
        QVERIFY(!s.hasDrawing());
    }

    void chineseNamesReachInstalledFonts()
    {
        QCOMPARE(QFontInfo(toQFont(PrintFont{}, 12)).family(), QStringLiteral("Noto Serif CJK SC"));
        QCOMPARE(QFontInfo(toQFont(PrintFont{QStringLiteral("黑体"), 14, true}, 12)).family(),
                 QStringLiteral("Noto Sans CJK SC"));
        // Full-width characters are one em wide in the real font too.
        TextMeasurer m;
        QCOMPARE(m.width(PrintFont{}, QStringLiteral("王老师")), 540.0);
    }

    // The painter puts a box and clipped text where the twips say, at 15 twips per pixel.
    void paintsWhereTheRecordingSays()
    {
        QImage img(200, 100, QImage::Format_RGB32);
        img.setDotsPerMeterX(3780); // 96 dpi
        img.setDotsPerMeterY(3780);
        img.fill(Qt::white);
        {
            PainterSurface s(&img, 15, 3000, 1500);
            s.Line(150, 150, 1500, 750, LineKind::FilledBox, qRgb(255, 0, 0));
            PixelRect r{120, 10, 140, 40}; // 20 px wide: the text is cut at its right edge
            s.DrawText(QStringLiteral("王老师王老师"), r, DT_LEFT);
            QVERIFY(s.EndDoc());
        }
        QCOMPARE(img.pixel(50, 30), qRgb(255, 0, 0));
        QCOMPARE(img.pixel(5, 5), qRgb(255, 255, 255));
        int inkInside = 0, inkOutside = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 110; x < 200; ++x)
                if (qGray(img.pixel(x, y)) < 128)
                    (x >= 120 && x < 140 && y >= 10 && y < 40 ? inkInside : inkOutside)++;
        QVERIFY(inkInside > 0);
        QCOMPARE(inkOutside, 0);
    }
};

QTEST_MAIN(SurfaceTest)
#include "tst_surface.moc"
