#pragma once
// A list where each click toggles one entry, as the chart's and the partial export's lists of
// rows and fields work, and Shift+click selects every entry from the last clicked one to the
// clicked one, so a teacher picks forty students with two clicks.
#include <QListWidget>

namespace ui {

class MultiSelectList : public QListWidget {
public:
    explicit MultiSelectList(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    int m_anchor = -1; // the row last clicked without Shift
};

} // namespace ui
