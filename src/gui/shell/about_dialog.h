#pragma once
// AboutDialog: the about box, modal over the main window.
#include <QDialog>
#include <QUrl>

class QLabel;
class QPushButton;

namespace shell {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);

    // The e-mail a click on the author line starts.
    static QUrl authorMailUrl();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_title;
    QLabel *m_version;
    QLabel *m_author;
    QPushButton *m_ok;
};

} // namespace shell
