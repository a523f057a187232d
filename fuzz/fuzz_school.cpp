// SchoolInfo.ini: the school, its grades and classes, the tree built from them, and the file
// written back.
#include "core/shell/school_tree.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const shell::School school = shell::schoolFromBytes(fuzz::bytesOf(data, size));
    const QList<shell::TreeNode> nodes = shell::treeNodes(school);
    for (int i = 0; i < nodes.size() && i < 64; ++i) {
        const QStringList path = shell::nodePath(nodes, i);
        shell::nodeByPath(nodes, path.join(QLatin1Char('/')));
        shell::classDirectory(fuzz::workspace(), path);
    }
    shell::schoolFromBytes(shell::schoolFileBytes(school));
    return 0;
}
