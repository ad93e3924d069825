#pragma once
// The INI text the GUI toolkit's settings class writes on Linux, read and
// changed one group at a time, so that the core and the GUI share one file:
//
//   [Ports]
//   usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0=3
//
//   [Test%20Protocol]
//   TimeDefault=05
//
// Group names and keys are escaped as that class escapes them: A-Z a-z 0-9
// '_' '-' '.' stay, '/' (the group separator) is written '\', every other
// character below U+0100 is %XX and any other UTF-16 unit %UXXXX (upper-case
// hex). Keys here are UTF-8. Values are read as text (quotes around a value
// removed); the core only keeps numbers and plain words in them. Pure text
// functions, no files.

#include <map>
#include <string>

namespace halyard {

std::string EscapeIniKey(const std::string& strKey);
// Undoes EscapeIniKey; a '%' that starts no escape stays as it is.
std::string UnescapeIniKey(const std::string& strEscaped);

// The keys and values of [strGroup] (keys unescaped; keys of its subgroups,
// which hold a '/', left out). Empty when the group is missing.
std::map<std::string, std::string> ReadIniGroup(const std::string& strText, const std::string& strGroup);

// strText with [strGroup] holding exactly values: its old keys go, its
// subgroups' keys and every other line of the text stay as they were; the
// group is added at the end when it is missing.
std::string ReplaceIniGroup(const std::string& strText, const std::string& strGroup,
                            const std::map<std::string, std::string>& values);

}  // namespace halyard
