#pragma once
// Our reader of BIFF8, the binary workbook Excel has written from 97 to 2003, on the file's bytes.
// Only the .xls reader uses it directly: nullopt says the file is a sound compound document whose
// workbook is no BIFF8 (an older BIFF), which FreeXL reads instead.
#include "core/exchange/workbook_reader.h"

#include <optional>

namespace exchange {

std::optional<WorkbookError> biff8SheetNames(const QByteArray &file, QStringList *names);
std::optional<WorkbookError> readBiff8Sheet(const QByteArray &file, int index, SheetCells *out);

} // namespace exchange
