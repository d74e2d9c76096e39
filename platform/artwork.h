#pragma once

#include <QPalette>
#include <QPixmap>
#include <QSize>
#include <QString>

// The programs' images, drawn in code from the current palette, so that they follow
// the desktop's colours.
namespace artwork {

// Images known by number, with the numbers the windows refer to them by.
enum Image : int {
    ProgramIcon = 112,
    Computer = 114,
    Server = 115,
    Locked = 124,
    Unlocked = 125,
    ConnectionIdle = 127,  // 127 + state: 0 idle, 1 and 2 connecting, 3 connected
    ConnectionConnected = 130,
    UpFolder = 136,
    UploadArrow = 137,
    DownloadArrow = 139,
    FixedDrive = 140,
    NetworkDrive = 141,
    OpticalDrive = 142,
    RemovableDrive = 143,
    DetailsView = 163,
    ListView = 165,
    SmallIconsView = 166,
    CloseProgram = 180,
    Help = 181,
    ModeAutomatic = 185,
    ModeBinary = 186,
    ModeText = 187,
    DeleteWarning = 190,
};

// The image by number at the given size, in the palette's button colours.
QPixmap image(int id, const QPalette& palette, QSize size);

// The named button images: "CONNECT", "DISCONNECT", "UPLOAD", "DOWNLOAD", "OPTION",
// each followed by the state letter U (normal), D (pressed), F (focused) or X
// (disabled). caption is drawn into the image where the button shows text, in a font
// small enough for it and for fitToo to fit.
QPixmap buttonImage(const QString& name, const QPalette& palette, QSize size,
                    const QString& caption, const QString& fitToo = QString());

}  // namespace artwork
