#pragma once
// A direct look at the file names in a ZIP central directory. libzip turns a
// NUL byte in a name into a blank, so a name that carried one can only be
// recognized in the raw records.

namespace Corvana {

enum class ZipNameScan {
    Clean,       // every central record read, no name holds a NUL byte
    HasNul,      // some name holds a NUL byte
    Unreadable,  // no central directory found where the end record points
};

// Reads the end record (ZIP64 too) and the central directory of the open
// archive with positioned reads; the file position is left alone.
ZipNameScan scanZipNamesForNul(int fd);

} // namespace Corvana
