// The desktop prompter: what the boxes and file dialogs show (title, text, icon, buttons, default
// button, filter, default extension) and which answer each way of leaving them gives.
#include "gui/ui/prompter_qt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace ui;

class QtPrompterTest : public QObject {
    Q_OBJECT
    QWidget m_owner;
    bool m_translated = false;

    // Runs `examine` on the modal dialog the next prompt opens; the dialog must be closed by it.
    template <typename Dialog> void whenShown(std::function<void(Dialog *)> examine)
    {
        QTimer::singleShot(0, this, [examine] {
            QWidget *modal = QApplication::activeModalWidget();
            auto *d = qobject_cast<Dialog *>(modal);
            if (!d) {
                if (modal)
                    modal->close();
                return;
            }
            examine(d);
        });
    }

private slots:
    void initTestCase()
    {
        m_translated = installQtChineseTranslation(*qApp);
        m_owner.show();
    }

    void filterNamesThePatternTwice()
    {
        QCOMPARE(QtPrompter::fileFilter(QStringLiteral("*.gdt")), QStringLiteral("*.gdt (*.gdt)"));
    }

    void messageBox()
    {
        QtPrompter p(&m_owner);
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        qsizetype buttons = 0;
        QWidget *parent = nullptr;
        whenShown<QMessageBox>([&](QMessageBox *box) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->buttons().size();
            parent = box->parentWidget();
            box->button(QMessageBox::Ok)->click();
        });
        p.message(QStringLiteral("密码错误，请重新输入。"), QStringLiteral("提示"), Icon::Information);
        QCOMPARE(title, QStringLiteral("提示"));
        QCOMPARE(text, QStringLiteral("密码错误，请重新输入。"));
        QCOMPARE(icon, QMessageBox::Information);
        QCOMPARE(buttons, 1);
        QCOMPARE(parent, &m_owner);
    }

    void question_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultAnswer");
        QTest::addColumn<int>("press"); // a StandardButton, or 0 for Escape
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("expectedDefault");
        QTest::newRow("YesNoCancel, No") << int(Buttons::YesNoCancel) << int(Answer::Yes) << int(QMessageBox::No)
                                         << int(Answer::No) << int(QMessageBox::Yes);
        QTest::newRow("YesNoCancel, Escape")
            << int(Buttons::YesNoCancel) << int(Answer::Yes) << 0 << int(Answer::Cancel) << int(QMessageBox::Yes);
        QTest::newRow("YesNo with No default, Yes") << int(Buttons::YesNo) << int(Answer::No) << int(QMessageBox::Yes)
                                                    << int(Answer::Yes) << int(QMessageBox::No);
        QTest::newRow("YesNo, Escape") << int(Buttons::YesNo) << int(Answer::Yes) << 0 << int(Answer::No)
                                       << int(QMessageBox::Yes);
        QTest::newRow("OkCancel, Cancel") << int(Buttons::OkCancel) << int(Answer::Ok) << int(QMessageBox::Cancel)
                                          << int(Answer::Cancel) << int(QMessageBox::Ok);
    }
    void question()
    {
        QFETCH(int, buttons);
        QFETCH(int, defaultAnswer);
        QFETCH(int, press);
        QFETCH(int, expected);
        QFETCH(int, expectedDefault);
        QtPrompter p(&m_owner);
        int shownDefault = -1;
        QString yesText;
        whenShown<QMessageBox>([&](QMessageBox *box) {
            shownDefault = box->standardButton(box->defaultButton());
            if (QAbstractButton *yes = box->button(QMessageBox::Yes))
                yesText = yes->text();
            if (press)
                box->button(QMessageBox::StandardButton(press))->click();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        const Answer a = p.question(QStringLiteral("确实覆盖原有数据么？"), QStringLiteral("提示："), Buttons(buttons),
                                    Icon::Question, Answer(defaultAnswer));
        QCOMPARE(int(a), expected);
        QCOMPARE(shownDefault, expectedDefault);
        if (m_translated && !yesText.isEmpty())
            QVERIFY2(yesText.contains(QStringLiteral("是")), qPrintable(yesText));
    }

    void input_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("OK") << true;
        QTest::newRow("cancel") << false;
    }
    void input()
    {
        QFETCH(bool, accept);
        QtPrompter p(&m_owner);
        QString title, label, preset;
        whenShown<QInputDialog>([&](QInputDialog *d) {
            title = d->windowTitle();
            label = d->labelText();
            preset = d->textValue();
            d->setTextValue(QStringLiteral("期末成绩"));
            accept ? d->accept() : d->reject();
        });
        const std::optional<QString> answer =
            p.input(QStringLiteral("请输入新的表格标题："), QStringLiteral("更改标题"), QStringLiteral("未命名的表格"));
        QCOMPARE(title, QStringLiteral("更改标题"));
        QCOMPARE(label, QStringLiteral("请输入新的表格标题："));
        QCOMPARE(preset, QStringLiteral("未命名的表格"));
        if (accept)
            QCOMPARE(answer.value_or(QString()), QStringLiteral("期末成绩"));
        else
            QVERIFY(!answer.has_value());
    }

    void openDialog()
    {
        QTemporaryDir tmp;
        const QString path = tmp.path() + QStringLiteral("/一班.gdt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QtPrompter p(&m_owner);
        QString title;
        QStringList filters;
        whenShown<QFileDialog>([&](QFileDialog *d) {
            title = d->windowTitle();
            filters = d->nameFilters();
            d->setDirectory(tmp.path());
            d->selectFile(QStringLiteral("一班.gdt"));
            QMetaObject::invokeMethod(d, "accept");
        });
        QCOMPARE(p.openFile(QStringLiteral("*.gdt"), QStringLiteral("打开数据文件")), path);
        QCOMPARE(title, QStringLiteral("打开数据文件"));
        QCOMPARE(filters, QStringList{QStringLiteral("*.gdt (*.gdt)")});

        whenShown<QFileDialog>([](QFileDialog *d) { d->reject(); });
        QCOMPARE(p.openFile(QStringLiteral("*.gdt"), QStringLiteral("打开数据文件")), QString());
    }

    void saveDialogAddsTheDefaultExtension()
    {
        QTemporaryDir tmp;
        QtPrompter p(&m_owner);
        QString suffix;
        QStringList filters;
        whenShown<QFileDialog>([&](QFileDialog *d) {
            suffix = d->defaultSuffix();
            filters = d->nameFilters();
            d->setDirectory(tmp.path());
            d->selectFile(QStringLiteral("期中成绩"));
            QMetaObject::invokeMethod(d, "accept");
        });
        QCOMPARE(p.saveFile(QStringLiteral("*.gdt"), QString()), tmp.path() + QStringLiteral("/期中成绩.gdt"));
        QCOMPARE(suffix, QStringLiteral("gdt"));
        QCOMPARE(filters, QStringList{QStringLiteral("*.gdt (*.gdt)")});
    }

    void promptsGoOverAnOpenModalDialog()
    {
        QtPrompter p(&m_owner);
        QDialog login(&m_owner);
        QWidget *parent = nullptr;
        QTimer::singleShot(0, this, [&] {
            whenShown<QMessageBox>([&](QMessageBox *box) {
                parent = box->parentWidget();
                box->button(QMessageBox::Ok)->click();
            });
            p.message(QStringLiteral("用户已存在！"), QStringLiteral("错误"), Icon::Information);
            login.accept();
        });
        login.exec();
        QCOMPARE(parent, &login);
    }
};

QTEST_MAIN(QtPrompterTest)
#include "tst_prompter_qt.moc"
