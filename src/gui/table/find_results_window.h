#pragma once

#include "core/table/find_replace.h"

#include <QDialog>

#include <functional>

class QListWidget;

namespace table {

// The results of a search with too many rows for a menu: a small list beside the table (not
// modal); a double-click on an entry goes to it. One at a time; it goes with its table window.
class FindResultsWindow : public QDialog {
    Q_OBJECT
public:
    using Jump = std::function<void(int entry)>;
    FindResultsWindow(const FindResults &results, Jump jump, QWidget *tableWindow, QWidget *parent = nullptr);

    static FindResultsWindow *current();
    QListWidget *list1() const { return m_list; }

private:
    QListWidget *m_list = nullptr;
};

} // namespace table
