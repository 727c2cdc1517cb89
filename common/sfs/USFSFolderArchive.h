// Whole folders packed into an archive and unpacked from one, for the recorder and player of
// input (a recording carries the player data folder it started from).
#pragma once

#include <string>

// Every file and subfolder of Folder into a new archive ArchiveFile, in its root.
void PackFolderToArchive(const std::string& Folder, const std::string& ArchiveFile);
// Every file and folder of ArchiveFile (opened read-only) into Folder.
void UnpackArchiveToFolder(const std::string& ArchiveFile, const std::string& Folder);
// Makes the two the engine's way of packing folders.
void RegisterFolderArchiver();
