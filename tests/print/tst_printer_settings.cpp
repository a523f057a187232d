// The printer settings: the printer list and its current printer, the values a printer shows,
// and what 确定 makes program-wide.
#include "core/base/workspace.h"
#include "core/print/printer_settings.h"

#include <QTemporaryDir>
#include <QTest>
#include <map>

using namespace print;

namespace {

class ListedPrinters : public PrinterSystem {
public:
    QStringList names;
    QString defaultName;
    std::map<QString, PrinterValues> values;
    QStringList printerNames() const override { return names; }
    QString defaultPrinterName() const override { return defaultName; }
    PrinterValues currentValues(const QString &name) const override
    {
        const auto it = values.find(name);
        return it == values.end() ? PrinterValues{} : it->second;
    }
    std::unique_ptr<Surface> open(const QString &, const PrinterValues &, const QString &) override { return {}; }
};

} // namespace

class PrinterSettingsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<base::Workspace> m_ws;
    ListedPrinters m_printers;

private slots:
    void init()
    {
        m_ws = std::make_unique<base::Workspace>(m_dir.path());
        m_printers = ListedPrinters();
        m_printers.names = {QStringLiteral("HP LaserJet"), QStringLiteral("Canon"), QStringLiteral("Epson")};
        m_printers.defaultName = QStringLiteral("Canon");
        m_printers.values[QStringLiteral("Epson")] = PrinterValues{3, 600, 2, 2};
        m_printers.values[QStringLiteral("HP LaserJet")] = PrinterValues{1, -1, 1, 3};
    }

    void copiesTyped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("copies");
        QTest::newRow("0 becomes 1") << QStringLiteral("0") << 1;
        QTest::newRow("empty") << QString() << 1;
        QTest::newRow("three") << QStringLiteral("3") << 3;
        QTest::newRow("pasted text") << QStringLiteral("两份") << 1;
        QTest::newRow("beyond 999") << QStringLiteral("123456") << 999;
    }
    void copiesTyped()
    {
        QFETCH(QString, text);
        QFETCH(int, copies);
        QCOMPARE(copiesFromText(text), copies);
    }

    void noPrinterCanOnlyBeCancelled()
    {
        m_printers.names.clear();
        const PrinterSetup s = loadPrinterSetup(m_printers, *m_ws);
        QCOMPARE(s.printers, QStringList{QStringLiteral("没有安装打印机设备")});
        QVERIFY(!s.available);
        m_ws->printCopies = 4;
        acceptPrinterSetup(s, *m_ws);
        QCOMPARE(m_ws->printCopies, 4);
        QCOMPARE(m_ws->printerName, QString());
    }

    void currentPrinterIsSelected_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("defaultName");
        QTest::addColumn<int>("selected");
        QTest::newRow("the system's default") << QString() << QStringLiteral("Canon") << 1;
        QTest::newRow("no default: the first") << QString() << QString() << 0;
        QTest::newRow("the one chosen before") << QStringLiteral("Epson") << QStringLiteral("Canon") << 2;
        QTest::newRow("chosen one removed") << QStringLiteral("Brother") << QStringLiteral("Canon") << 1;
    }
    void currentPrinterIsSelected()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, defaultName);
        QFETCH(int, selected);
        m_ws->printerName = chosen;
        m_printers.defaultName = defaultName;
        m_ws->printCopies = 5;
        m_ws->printQuality = -4;
        m_ws->printLineWidth = 3;
        const PrinterSetup s = loadPrinterSetup(m_printers, *m_ws);
        QVERIFY(s.available);
        QCOMPARE(s.printer, selected);
        // The printer in use shows the program's settings.
        QCOMPARE(s.copies, QStringLiteral("5"));
        QCOMPARE(s.quality, 3);
        QCOMPARE(s.penWidth, 3);
        QVERIFY(!s.duplex);
    }

    void anotherPrinterShowsItsOwnValues()
    {
        PrinterSetup s = loadPrinterSetup(m_printers, *m_ws);
        choosePrinter(s, 2, m_printers, *m_ws); // Epson: 3 copies, 600 dpi, two-sided (2)
        QCOMPARE(s.copies, QStringLiteral("3"));
        QCOMPARE(s.quality, 2);
        QCOMPARE(s.penWidth, 2);
        QVERIFY(s.duplex);
        QVERIFY(s.horizontal);
        choosePrinter(s, 0, m_printers, *m_ws); // HP: draft, two-sided (3)
        QCOMPARE(s.quality, 0);
        QVERIFY(s.duplex);
        QVERIFY(!s.horizontal);
        choosePrinter(s, 1, m_printers, *m_ws); // one-sided clears the tick
        QVERIFY(!s.duplex);
    }

    void acceptMakesTheSettingsProgramWide_data()
    {
        QTest::addColumn<bool>("duplex");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<int>("expected");
        QTest::newRow("one-sided") << false << true << 1;
        QTest::newRow("horizontal") << true << true << 2;
        QTest::newRow("vertical") << true << false << 3;
    }
    void acceptMakesTheSettingsProgramWide()
    {
        QFETCH(bool, duplex);
        QFETCH(bool, horizontal);
        QFETCH(int, expected);
        PrinterSetup s = loadPrinterSetup(m_printers, *m_ws);
        choosePrinter(s, 0, m_printers, *m_ws);
        s.copies = QStringLiteral("0");
        s.quality = 5;
        s.penWidth = 4;
        s.duplex = duplex;
        s.horizontal = horizontal;
        acceptPrinterSetup(s, *m_ws);
        QCOMPARE(m_ws->printerName, QStringLiteral("HP LaserJet"));
        QCOMPARE(m_ws->printCopies, 1);
        QCOMPARE(m_ws->printQuality, 600);
        QCOMPARE(m_ws->printLineWidth, 4);
        QCOMPARE(m_ws->printDuplex, expected);
    }
};

QTEST_MAIN(PrinterSettingsTest)
#include "tst_printer_settings.moc"
