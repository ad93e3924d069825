#pragma once
// What halyard-cli was asked to do, as its command line gives it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halyard {

// Exit statuses, the same for every subcommand.
enum CliExit : int {
    EXIT_DONE = 0,          // finished, identified, every command answered
    EXIT_FAILED = 1,        // a sequence failed or was cancelled, or the program itself failed
    EXIT_USAGE = 2,         // the command line is wrong
    EXIT_PORT = 3,          // the port could not be opened
    EXIT_NO_REPLY = 4,      // no sensor answered, or it stopped answering
    EXIT_FILE = 5           // a file could not be read or written
};

struct CommonOptions {
    std::string strPort;  // "COM5", "/dev/ttyUSB0" or "COM5=/dev/ttyUSB0"; empty: COM1 or the simulator
    uint32_t dwBaud = 9600;
    bool bRS485 = false;
    int nAddress = 0;
    std::optional<std::string> strSimulate;  // the model, when --simulate was given
    bool bQuiet = false;
    // Numbers of USB adapters kept in the settings file (tests leave it alone).
    bool bRememberPorts = false;
};

// How to reach an MQTT broker, as given on the command line (checked and
// turned into the network's settings by CheckMqttOptions).
struct MqttOptions {
    std::string strUrl;  // empty: no broker
    std::string strCaFile;
    std::string strCertFile;
    std::string strKeyFile;
    std::string strUser;
    std::string strPasswordFile;
};

// What makes halyard-cli log a station of a network: the broker, the
// station's name and where its journal lives.
struct StationOptions {
    MqttOptions mqtt;
    std::string strStation;   // empty: the host name
    std::string strStateDir;  // empty: $STATE_DIRECTORY, else ~/.local/state/halyard
    int nBacklogMb = 256;     // the journal's bound
};

struct LogOptions {
    std::string strFile;
    std::optional<std::string> strDaily;  // "HH:MM"
    std::string strPrefix = "LogFile";
    bool bNoStamp = false;
    bool bNoAutoR = false;
    bool bResetAtStart = false;
    bool bCaptureAtEnd = false;
    bool bOverwrite = false;  // empty an existing file instead of appending to it
    std::string strPoll;
    int nEvery = 10;
    StationOptions station;  // no broker URL: the station publishes nothing
};

// What halyard-cli export is asked.
struct ExportOptions {
    std::string strLog;
    std::vector<int> fields;  // field numbers, counted as a data message's tokens from 1
    std::string strOutput;    // empty: the standard output
};

// "HH:MM" with HH 0-23 and MM 0-59.
bool ParseDailyTime(const std::string& strText, int& nHour, int& nMinute);

}  // namespace halyard
