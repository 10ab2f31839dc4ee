#pragma once

#include <string>

namespace vonnik {

// Parts of a file path, '/' separating the folders. Plain text operations: nothing is
// looked up on the disk.

// The last part of the path: "a/b/bear.bmp" gives "bear.bmp"; a path ending in '/' gives "".
std::string FileNameOf(const std::string& path);

// The file name without its last extension: "a/bear.v2.bmp" gives "bear.v2", "a/.bmp" "".
std::string StemOf(const std::string& path);

// The text after the file name's last '.', without it: "a/bear.BMP" gives "BMP"; "" when
// the file name has no '.'.
std::string SuffixOf(const std::string& path);
// The same in lower case (ASCII letters only): "a/bear.BMP" gives "bmp".
std::string LowerSuffixOf(const std::string& path);

// The folders of the path with the final '/': "a/b/bear.bmp" gives "a/b/", "bear.bmp" "".
std::string FolderOf(const std::string& path);

}  // namespace vonnik
