#pragma once

// The main window's controls. Each control's objectName is its number, so that tests and
// the layout find it whatever its type.
namespace controlid {

constexpr int kProfileCombo = 1000;
constexpr int kDriveCombo = 1001;
constexpr int kRemoteDirectory = 1002;
constexpr int kConnectionIcon = 1004;
constexpr int kConnectButton = 1019;
constexpr int kSelectButton = 1020;
constexpr int kBinaryMode = 1021;
constexpr int kTextMode = 1022;
constexpr int kAutoMode = 1023;
constexpr int kRemoteList = 1025;
constexpr int kUploadButton = 1027;
constexpr int kDownloadButton = 1029;
constexpr int kLocalList = 1030;
constexpr int kLocalDirectory = 1031;
constexpr int kRemoteIcon = 1033;
constexpr int kLocalIcon = 1034;
constexpr int kRemoteCaption = 1037;
constexpr int kLocalCaption = 1039;
constexpr int kTextField = 1047;
// The display modes' buttons are this plus the mode (1 to 3).
constexpr int kDisplayModeBase = 1052;
constexpr int kSmallIconsButton = 1053;
constexpr int kListButton = 1054;
constexpr int kDetailsButton = 1055;
constexpr int kLockButton = 1056;
constexpr int kLocalUp = 1057;
constexpr int kRemoteUp = 1058;
constexpr int kHelpButton = 57670;
constexpr int kExitButton = 2;

}  // namespace controlid
