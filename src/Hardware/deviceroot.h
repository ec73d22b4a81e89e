#ifndef DEVICEROOT_H
#define DEVICEROOT_H

#include <QByteArray>
#include <QString>

// The one seam between the program and the board's file system.
//
// Every absolute device or data path ("/sys/...", "/dev/...", "/home/root/...",
// "/media/...", "/var/lib/alsa/...", font paths) is passed through
// DeviceRoot::path() before it is opened. On the board the root is "/" and the
// path is unchanged; on a PC the environment variable TQ3900_ROOT names a
// folder laid out like the board (the simulator or a test fixture makes it).
//
// Whether this is the board is a property of the build (CMake option
// TQ3900_BOARD), not of the environment: a PC build never takes the host for
// the board, whatever TQ3900_ROOT holds.
class DeviceRoot
{
public:
    // True in a build for the board (TQ3900_BOARD).
    static constexpr bool isBoardBuild()
    {
#ifdef TQ3900_BOARD
        return true;
#else
        return false;
#endif
    }
    // The root folder without a trailing slash ("" when unset, empty or "/").
    static QString root();
    // True when the program runs on the board itself: a board build with no
    // root. Shell commands run only then.
    static bool isBoard();
    // The one line that tells how to start a PC build; empty when the
    // program can start (a board build, or a root is set).
    static QString missingRootMessage();
    // Maps an absolute board path to the path to open here. Relative paths and
    // resource paths (":/...") are returned unchanged.
    static QString path(const QString &boardPath);
    static QByteArray path(const char *boardPath);
    // The inverse of path(): a local path under the root as the board sees it.
    static QString boardPath(const QString &localPath);

    // Folder of the journals and scripted command answers used off the board
    // ("<root>/.tq3900"); empty on the board.
    static QString journalDir();
    // Appends one line to a journal file in journalDir(); does nothing on the board.
    static void appendJournal(const QString &fileName, const QString &line);
};

#endif // DEVICEROOT_H
