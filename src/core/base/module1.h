#pragma once
// Small helpers shared across the program: INI reading, path splitting, short display names and
// file-name validity. The file dialogs' helpers live beside the prompter (ui/prompter.h).
#include <QString>

namespace base {

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

} // namespace base
