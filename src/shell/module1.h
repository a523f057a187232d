#pragma once
// Small helpers shared across the program: file dialogs, INI reading, path splitting, short
// display names and file-name validity.
#include "ui/prompter.h"

#include <QString>

namespace shell {

// The open-file dialog; the chosen path, or "" when cancelled.
QString ShowOpenDialog(ui::Prompter &prompter, const QString &pattern, const QString &title);
// The save-file dialog (no title); "" when cancelled.
QString ShowSaveDialog(ui::Prompter &prompter, const QString &pattern);
// An INI value with the default "Default"; at most 254 characters.
QString ReadIni(const QString &file, const QString &section, const QString &key);
// Up to and including the last separator ("\" or "/"), upper-cased; "" without one.
QString DirPart(const QString &path);
// The path without its first DirPart-length characters.
QString FilePart(const QString &path);
// Up to 22 characters unchanged; longer: first 8 + "..." + last 8.
QString ShortenName(const QString &text);
// False when the text holds any of / \ * : ? < > | "
bool IsValidName(const QString &text);

} // namespace shell
