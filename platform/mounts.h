#pragma once

#include <string>
#include <vector>

namespace platform {

// The kinds of drive the local pane tells apart by their icons.
enum class DriveType { Removable, Fixed, Optical, Network, Other };

// A mounted file system that a user browses: "/" and the mounts of real file systems;
// kernel and memory file systems are left out.
struct MountPoint {
    std::string path;  // ends in "/"
    std::string device;
    std::string fsType;
    DriveType type = DriveType::Fixed;
};

// Reads a mounts table in the form of /proc/self/mounts, in its order, "/" first.
std::vector<MountPoint> listMountPoints(const std::string& mountsFile = "/proc/self/mounts");

// A guess from the file system type, the device and where it is mounted.
DriveType guessDriveType(const std::string& path, const std::string& device,
                         const std::string& fsType);

// The index of the mount that holds path (the longest mount path that is a prefix of
// it), or -1 for a relative or empty path.
int mountIndexOf(const std::string& path, const std::vector<MountPoint>& mounts);

}  // namespace platform
