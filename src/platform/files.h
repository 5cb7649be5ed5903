#pragma once

// The file and directory primitives through which every handler reaches the
// disk. Paths are GBK texts with "\" between their parts on every platform;
// the implementations convert them at the OS boundary. No primitive throws,
// shows a message or stops the program: failure shows only in the result.
//
// On POSIX systems: a path that begins with "\" is absolute; names are UTF-8
// on disk and found without regard to letter case where they do not exist
// as spelled; "read-only" means the owner has no write permission; and the
// share rule of WriteFileBytes holds for the opens of this process (other
// processes are not seen).

#include "text/text.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace tarnwell {

// A nonzero number naming one file opened by OpenFile; 0 is no file.
using FileNumber = int;

// Opens an existing file for reading and writing at position 0, sharing it
// fully with every other open. Never creates or truncates. 0 on failure.
FileNumber OpenFile(std::string_view path);
// Closes the file; a number that is not open is ignored.
void CloseFile(FileNumber);
// The bytes from the position to the end of the file, stopping before a NUL
// or 0x1A byte (the position stays on it). "" for a number that is not open.
Text ReadRest(FileNumber);
// The whole rest of the file, or nothing when it holds a NUL or 0x1A byte or
// cannot be read: for handlers that rewrite a file only from a text that was
// read whole. The position moves to the end on success.
std::optional<Text> ReadRestWhole(FileNumber);
// The whole file opened, read and closed again; nothing when it cannot be
// opened or holds a NUL or 0x1A byte (see ReadRestWhole).
std::optional<Text> ReadWholeFile(std::string_view path);
// The bytes up to the next LF, without the LF and one CR before it. A NUL or
// 0x1A byte ends the line too and counts as the end of the file for AtEnd,
// so a read-lines loop always ends.
Text ReadLine(FileNumber);
// True at or behind the end (or at a NUL / 0x1A byte), and for a number that
// is not open.
bool AtEnd(FileNumber);
// Writes the bytes at the position and moves behind them.
bool WriteText(FileNumber, std::string_view text);

// Creates or empties the file, writes the bytes and closes it. Fails, leaving
// the file as it was, while any open of the file exists (a FileNumber of this
// process included), and for an empty path.
bool WriteFileBytes(std::string_view path, ByteData const& data);
bool CopyFileTo(std::string_view source, std::string_view destination);
// Deletes exactly the one file named; missing, read-only or locked stays.
bool DeleteFilePath(std::string_view path);
// Removes a directory with its content, passing over names that begin with
// "." and read-only files (and so the folders above them). True when the
// directory itself is gone. "", a drive or a drive's root: false.
bool DeleteTree(std::string_view path);
// An existing file or directory; with "*" or "?" in the last part, any match.
bool FileExists(std::string_view path);
bool ChangeDirectory(std::string_view path);

// The user's temporary folder, ending in "\", asked anew at every call; ""
// when the platform reports none.
Text TempDir();
// The folder of the program's own executable, without a trailing "\".
Text RunDir();

// Size and modification time of a file, to tell whether a file is still the
// one an earlier step saw.
struct FileStamp {
    std::uint64_t size { 0 };
    std::int64_t modified { 0 };
    bool operator==(FileStamp const&) const = default;
};
std::optional<FileStamp> GetFileStamp(std::string_view path);

enum class FindFilter {
    Files, // no directory attribute (hidden, system, read-only included)
    Directories, // directory attribute, "." and ".." of a subdirectory included
    Archive, // archive attribute
};

// One procedure's directory listing. Every procedure (every call of a
// recursive one) that lists a directory owns one, so nested listings never
// disturb each other.
class FileFinder {
public:
    FileFinder();
    ~FileFinder();
    FileFinder(FileFinder const&) = delete;
    FileFinder& operator=(FileFinder const&) = delete;

    // With a pattern: ends the listing under way and starts a new one of the
    // entries matching it ("*" and "?" in the last part, case-blind, "*.*"
    // matching every name). With "": goes on from where the listing stands.
    // Gives the bare name of the next entry that passes the filter, or "" when
    // none is left (the listing then ends by itself).
    Text FindFile(std::string_view pattern, FindFilter filter);
    void EndFind();

    struct State;

private:
    std::unique_ptr<State> m_state;
};

}
