#pragma once
// The program's settings file, shared with the GUI: the INI file that the GUI
// toolkit's settings (organisation "Orvan", application "Halyard", native
// format) keep on Linux, $XDG_CONFIG_HOME/Orvan/Halyard.conf, by default
// ~/.config/Orvan/Halyard.conf; on Windows %APPDATA%\Orvan\Halyard.ini. Reads and rewrites one group at a time and
// leaves every other group and key as it found them (see IniText.h for the
// format). A rewrite goes to a temporary file beside it that is then renamed
// over it, so a reader sees the old file or the new one, never half of one.
// A missing file reads as empty; its folder is created on the first write.
// Plain C++; use one object from one thread at a time.

#include <map>
#include <string>

#include "SysError.h"

namespace halyard {

// Replaces the file at strPath with strText: written to a temporary file
// beside it, put on the disk and renamed over it, so that a reader (or a
// start after a power cut) finds the old text or the new one, never a part.
// The folder is created when missing; the file keeps the old one's permissions.
SysResult WriteFileAtomically(const std::string& strPath, const std::string& strText);

class CSettingsFile {
public:
    explicit CSettingsFile(std::string strPath = DefaultPath());

    // Where the GUI's settings are: $XDG_CONFIG_HOME, else $HOME/.config (the
    // same rule as the toolkit's, so both always name the same file); on
    // Windows the folder %APPDATA% names (SettingsPath.cpp in the system's folder).
    static std::string DefaultPath();
    const std::string& Path() const { return m_strPath; }

    // strGroup's keys and values; empty when the file or the group is missing
    // or the file cannot be read.
    std::map<std::string, std::string> ReadGroup(const std::string& strGroup) const;
    // Rewrites the file with strGroup holding exactly values. A failure leaves
    // the old file untouched; a file that exists but cannot be read is never
    // overwritten.
    SysResult WriteGroup(const std::string& strGroup, const std::map<std::string, std::string>& values);

private:
    // The file's text ("" for a missing file); a failure when it exists and
    // cannot be read.
    SysResult ReadText(std::string& strText) const;

    std::string m_strPath;
};

}  // namespace halyard
