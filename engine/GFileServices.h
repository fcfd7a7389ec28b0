#pragma once
// The kernel's file services that need no window. Every name is relative to
// the program's folder (the folder of the executable); folders are given by
// name ("Savegames"), files by name without extension plus a type code
// whose first three letters form the extension ("mvg0" -> ".mvg").
// The kernel offers each of these as a member of the same name.

#include <string>

#include "engine/GFile.h"

class GList;
class GString;
class GFileStub;

// The folder the program runs from, without a trailing separator.
const std::string& GetProgramFolder();
// Replaces the program folder (tests use a scratch folder); null or ""
// returns to the executable's folder.
void SetProgramFolder(const char* folder);

// Opens `name` in the program folder: forReading opens an existing file
// (plain read), otherwise the file is created or emptied (plain write).
// Null when the file cannot be opened.
GFile* GetPrefsFile(const char* name, bool forReading);

// Creates the folder in the program folder unless it is there. True when
// the folder exists afterwards.
bool CreateDirectoryIfAbsent(const char* name);

// A new temporary file for writing, compressed as a whole when it is
// flushed if `compressed`. The caller owns and deletes it; deleting it
// removes it from the disk.
GFile* CreateTempFile(bool compressed);

// Creates or empties program folder/folder/name.ext in a writing mode,
// where ext is the first three letters of type, or "txt" without a type.
// The characters | \ < , . > ? * / of the name become blanks. Null for an
// empty name, a name holding NUL, a mode that does not write, or a file
// that cannot be created.
GFile* SaveFile(const char* type, GString* name, const char* folder, FileMode mode);

// Whether the file that SaveFile would make with these arguments exists;
// `text` asks for the ".txt" file.
bool FileExists(GString* name, const char* folder, const char* type, bool text);

// A new list (owned by the caller) of one GFileStub per file in the folder
// whose extension is the first three letters of type, compared without
// regard to case, sorted by name. Empty when the folder does not exist.
GList* EnumerateDirectory(const char* folder, const char* type);

// Opens the stub's file for reading in a reading mode; null on failure.
GFile* OpenFileFromStub(GFileStub* stub, FileMode mode);
// Deletes the stub's file from the disk; true when it is gone.
bool DeleteFileFromStub(GFileStub* stub);

// Removes a trailing "." followed by up to three letters.
void CutFileSuffix(GString* name);
