#pragma once
// FontDialog "更改字体：": the table font, chosen from the screen's fonts and the size list (points
// and the Chinese size names), with a centred preview.
#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;

namespace table {

class FontDialog : public QDialog {
    Q_OBJECT
public:
    // `families` the screen's font names; `name` and `points` the table font now.
    FontDialog(const QStringList &families, const QString &name, double points, QWidget *parent = nullptr);
    QString fontName() const;
    int pointSize() const;

private:
    void updatePreview();

    QListWidget *m_fonts;
    QLineEdit *m_name;
    QListWidget *m_sizes;
    class Preview;
    Preview *m_preview;
};

} // namespace table
