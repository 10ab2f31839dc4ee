#pragma once

// Files written whole or not at all (the writing behind WriteFileAtomically and the frame
// files).

#include <QtGlobal>
#include <string>
#include <vector>

namespace vonnik {

// A file's bytes as consecutive pieces of memory, written in order.
struct Piece {
    const char* data;
    qint64 size;
};

// Writes the pieces to path through a temporary file in the same folder that is renamed
// into place; an existing device or pipe takes them directly. Throws FileError.
void WriteAtomically(const std::string& path, const std::vector<Piece>& pieces);

}  // namespace vonnik
