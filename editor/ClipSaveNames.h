#pragma once

#include <QString>

// What a name chosen in the save dialog stands for on disk.
namespace clipsave {

// True when both names lead to one file: the same text, or, however they are
// spelt (links, "./", doubled separators), the same device and inode.
bool sameFile(const QString& a, const QString& b);

// True when something other than a folder exists under the name, following
// links; such a file is replaced only after the user agrees.
bool fileExists(const QString& name);

// The name that symbolic links lead to in the end, or the name itself when it
// is no link. Writing there keeps the link in place.
QString followLinks(const QString& name);

} // namespace clipsave
