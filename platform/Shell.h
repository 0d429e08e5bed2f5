#pragma once
// Desktop shell services: the trash and opening files with their associated program.

#include <string>

namespace platform {

// Moves a file or folder to the desktop trash (no confirmation, no progress). False when the
// path does not exist or the move fails.
bool MoveToTrash(const std::string& path);

// Opens a file with the program the desktop associates with its type.
bool OpenWithAssociatedProgram(const std::string& path);

}  // namespace platform
