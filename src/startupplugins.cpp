#include "startupplugins.h"

#include <QCoreApplication>
#include <QStringList>

namespace {
bool g_held = false;
QStringList g_folders;
} // namespace

void StartupPlugins::hold()
{
    if (g_held)
        return;
    g_folders = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    g_held = true;
}

void StartupPlugins::release()
{
    if (!g_held)
        return;
    g_held = false;
    QCoreApplication::setLibraryPaths(g_folders);
    g_folders.clear();
}
