#pragma once
// HeightWidthDialog "行高 列宽": the row height and the column width in twips, shown for the current cell
// and applied by the command to the selected rows and columns.
#include <QDialog>

class QLineEdit;

namespace table {

class HeightWidthDialog : public QDialog {
    Q_OBJECT
public:
    HeightWidthDialog(int rowHeight, int colWidth, QWidget *parent = nullptr);
    int rowHeight() const;
    int colWidth() const;

private:
    QLineEdit *m_height;
    QLineEdit *m_width;
};

} // namespace table
