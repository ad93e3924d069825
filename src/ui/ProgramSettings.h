#pragma once
// The program's settings file as the GUI reads and writes it: the same file
// halyard-cli uses (~/.config/Orvan/Halyard.conf on Linux, where
// XDG_CONFIG_HOME says; %APPDATA%\Orvan\Halyard.ini on Windows, never the
// registry), in the INI form both sides read.

#include <QSettings>

namespace halyard {

QSettings ProgramSettings();

}  // namespace halyard
