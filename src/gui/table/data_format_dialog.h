#pragma once
// DataFormatDialog "表格数据格式：": the number of decimals of formula results and whether they are
// padded with zeros, with a preview of 123.456789. The preview's formatting comes from the caller.
#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace table {

class DataFormatDialog : public QDialog {
    Q_OBJECT
public:
    // `preview` formats 123.456789 with a pattern as a formula result would show.
    using Preview = std::function<QString(const QString &pattern)>;
    DataFormatDialog(const QString &dataFormat, Preview preview, QWidget *parent = nullptr);
    // The pattern of the current settings.
    QString dataFormat() const;

private:
    void decimalsEdited(const QString &text);
    void updatePreview();

    Preview m_format;
    QLineEdit *m_decimals;
    QCheckBox *m_pad;
    QLabel *m_preview;
};

} // namespace table
