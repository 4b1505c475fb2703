// Small pieces every reader and writer needs: whole-file reading, replacing a file without
// ever leaving half of it, and C-locale number text.
#pragma once

#include <locale.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace plikatra {

// The "C" locale, for conversions that must not follow the user's locale.
locale_t cLocale();

// Switches this thread to the "C" locale while the object lives, so that printf-style
// formatting writes a decimal point whatever locale the front end installed.
class CLocaleScope {
public:
    CLocaleScope();
    ~CLocaleScope();
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

// Reads a whole regular file; false when it cannot be opened or read, or is a directory.
// Reads the whole file at `path` into the memory `reserve(size)` gives for the size the file
// has when opened (null for no memory: the read fails). Returns the bytes read: a file that
// shrinks while it is read keeps what was there. None when it cannot be opened or read.
std::optional<std::size_t> readFileInto(const std::string& path,
                                        const std::function<std::uint8_t*(std::size_t)>& reserve);
bool readWholeFile(const std::string& path, std::string& out);
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out);

// The extension of the path's file name from its last "." on, in lower case ASCII; "" when the
// file name has none.
std::string fileExtension(const std::string& path);

// A file other than a directory is there.
bool isRegularFile(const std::string& path);

// Equal ignoring the case of ASCII letters only.
bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Replaces the file at `path` with `data` in one step: written to a temporary file beside it,
// flushed and renamed over it, so a failure part way (a full disk, a file size limit, a
// read-only folder, the process killed) leaves the old file as it was. A link is followed (its
// target is replaced), a replaced file keeps its permissions, and a file the user made
// read-only is refused. On failure errno tells why. A successful replacement also removes the
// temporaries that saves of the same file left when their process was killed.
bool replaceFile(const std::string& path, std::string_view data);

// The same for content made in pieces: `produce` hands each piece to the writer it is given,
// which answers false once writing has failed; `produce` answers false when it could not
// finish. A large file is then never whole in memory.
using PieceWriter = std::function<bool(std::string_view)>;
bool replaceFileWith(const std::string& path, const std::function<bool(const PieceWriter&)>& produce);

}  // namespace plikatra
