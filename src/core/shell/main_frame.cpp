#include "core/shell/main_frame.h"

#include "core/base/workspace.h"
#include "core/table/table_commands.h"
#include "core/ui/command_table.h"
#include "core/ui/settings_store.h"

#include <algorithm>

namespace shell {

QString fontNameSetting(const QString &stored, const QString &current)
{
    const QString name = stored.trimmed();
    return name.isEmpty() ? current : name;
}

double fontSizeSetting(const QString &stored, double current)
{
    const QString text = stored.trimmed();
    if (text.isEmpty())
        return current;
    bool ok = false;
    const double size = text.toDouble(&ok);
    return ok && size > 0 ? size : current;
}

void applyFontSettings(base::Workspace &ws, const ui::SettingsStore &settings)
{
    ws.tableFontName =
        fontNameSetting(settings.value(QStringLiteral("Font"), QStringLiteral("Name")), ws.tableFontName);
    ws.tableFontSize =
        fontSizeSetting(settings.value(QStringLiteral("Font"), QStringLiteral("Size")), ws.tableFontSize);
}

void applyViewSettings(base::Workspace &ws, const ui::SettingsStore &settings)
{
    ws.showFormulaResults = settings.value(table::kViewSection, table::kShowResultsKey) != QLatin1String("0");
}

void resetProgramState(base::Workspace &ws)
{
    ws.printCopies = 1;
    ws.printQuality = -3;
    ws.printLineWidth = 1;
    ws.printDuplex = 1;
    ws.setHorizontalInput(true);
    ws.setPanelText(1, QStringLiteral("就绪"));
    ws.showNoCurrentTable();
}

QList<ToolbarButton> toolbarButtons()
{
    QList<ToolbarButton> buttons;
    for (int n = 1; n <= 24; ++n)
        buttons.append({n, {}, {}});
    for (const ui::CommandRow *row : ui::toolbarRows()) {
        ToolbarButton &b = buttons[int(row->button) - 1];
        b.tooltip = QString::fromUtf16(row->tip);
        b.icon = QStringLiteral(":/icons/") + QString::fromUtf16(row->icon) + QStringLiteral(".svg");
        b.checkable = row->checkable;
        b.pressedAtStart = row->pressed;
    }
    return buttons;
}

bool horizontalInputAfterToggle(base::ToolButton button, bool pressed)
{
    return button == base::ToolButton::Horizontal ? pressed : !pressed;
}

QList<WindowListEntry> windowList(const QStringList &captions, int ownerIndex)
{
    QList<WindowListEntry> list;
    list.reserve(captions.size());
    for (int i = 0; i < captions.size(); ++i)
        list.append({captions[i], i == ownerIndex});
    return list;
}

int windowForCaption(const QStringList &captions, const QString &caption)
{
    return captions.indexOf(caption);
}

QList<QRect> tile(const QSize &area, int count, Qt::Orientation stacking)
{
    QList<QRect> rects;
    if (count <= 0)
        return rects;
    const bool aboveEachOther = stacking == Qt::Vertical;
    const int extent = aboveEachOther ? area.height() : area.width();
    const int step = extent / count;
    for (int i = 0; i < count; ++i) {
        const int start = i * step;
        const int length = i == count - 1 ? extent - start : step;
        rects.append(aboveEachOther ? QRect(0, start, area.width(), length) : QRect(start, 0, length, area.height()));
    }
    return rects;
}

QList<QPoint> arrangeIcons(const QSize &area, const QList<QSize> &icons)
{
    QList<QPoint> points;
    int x = 0;
    int rowBottom = area.height();
    int rowHeight = 0;
    for (const QSize &icon : icons) {
        if (x > 0 && x + icon.width() > area.width()) {
            rowBottom -= rowHeight;
            x = 0;
            rowHeight = 0;
        }
        rowHeight = std::max(rowHeight, icon.height());
        points.append(QPoint(x, rowBottom - icon.height()));
        x += icon.width();
    }
    return points;
}

} // namespace shell
