// The table window's safeguards: its recovery copy, written on a timer while there are unsaved
// changes and at the program's end, and the lock of its table file.
#include "gui/table/table_window.h"

#include "core/base/workspace.h"

#include <QFileInfo>
#include <QTimer>

namespace table {

void TableWindow::changeStateChanged()
{
    showCaption();
    if (m_doc.isModified())
        return;
    // Saved, or undone back to what was saved: nothing is left to recover.
    m_recovery.discard();
    // A new table's file exists from its first save on, and is locked from then as an opened one
    // is (an opened or restored one is locked, or not, as its opening decided).
    if (!m_opened && !m_lock.held() && !m_doc.filePath.isEmpty() &&
        QFileInfo::exists(m_doc.filePath + QStringLiteral(".gdt")))
        holdLock();
}

void TableWindow::scheduleRecovery(int seconds)
{
    if (seconds > 0)
        m_recoverTimer->start(seconds * 1000);
    else
        m_recoverTimer->stop();
}

void TableWindow::writeRecoveryCopy()
{
    // Only unsaved changes are copied, and a table that did not change since its last copy is
    // not copied again.
    const TableProperties props{m_doc.title, m_doc.teacher, m_doc.classInfo, m_doc.numberFormat};
    if (!m_doc.isModified() || (m_doc.grid.contentVersion() == m_copiedVersion && props == m_copiedProperties))
        return;
    m_copiedVersion = m_doc.grid.contentVersion();
    m_copiedProperties = props;
    m_recovery.write(m_doc);
}

void TableWindow::keepForRecovery()
{
    // A value still in the cell editor is not committed: that could ask a question nobody answers.
    if (m_ws.autoRecoverSeconds() > 0)
        writeRecoveryCopy();
    m_recovery.wait();
    m_lock.release();
}

bool TableWindow::restore(const RecoveryEntry &entry)
{
    m_opened = true;
    if (!restoreRecoveryCopy(m_ws, m_file, entry, m_doc)) {
        requestClose();
        return false;
    }
    m_recovery.adopt(entry.id);
    showLoadedTable();
    return true;
}

void TableWindow::setReadOnly()
{
    m_doc.readOnly = true;
    showCaption();
}

} // namespace table
