#pragma once
// The desktop services the catalog's right-click commands use: the user's default program,
// image editor, file manager, trash and desktop folder. Tests put their own in place so that
// no outside program starts.

#include <QString>

namespace pixmill {

class ItemShell {
  public:
    virtual ~ItemShell() = default;
    // Opens the file in the user's default program for its type.
    virtual bool openFile(const QString& path);
    // Starts the user's image editor on the file: GIMP when installed, else the default
    // program. Started with an argument list, never through a shell.
    virtual bool editFile(const QString& path);
    // Shows the file selected in the desktop's file manager (the freedesktop FileManager1
    // call); where no file manager answers, opens the file's folder.
    virtual bool showInFolder(const QString& path);
    // Moves the file to the trash; false when it stays where it was.
    virtual bool moveToTrash(const QString& path);
    // The user's desktop folder, with a trailing separator.
    virtual QString desktopFolder();
    // Opens a folder in the file manager.
    virtual bool openFolder(const QString& path);
};

// The real desktop.
ItemShell& desktopItemShell();

}  // namespace pixmill
