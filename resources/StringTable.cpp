#include "StringTable.h"

#include <unordered_map>

#include "Resource.h"

namespace halyard {
namespace {

const std::unordered_map<int, const char*>& Table()
{
    static const std::unordered_map<int, const char*> table = {
        {IDP_OLE_INIT_FAILED,
         "OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
        {IDS_TOOLBAR_STANDARD, "Standard"},
        {IDS_TOOLBAR_CUSTOMIZE, "Customize..."},
        {IDS_EDIT_MENU, "Edit"},
        {IDR_MAINFRAME, "ORVAN Halyard\n\nORVAN Halyard\n\n\nHalyard.Document\nHalyard.Document"},
        {IDS_APP_TITLE, "Halyard"},
        {IDP_COMMAND_FAILURE, "Command failed."},

        {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
        {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle Status Bar"},
        {ID_OPTIONS_TESTOPTION, "Display Test Tab"},
        {ID_OPTIONS_ALSOPTION, "Display ALS Tab"},
        {ID_OPTIONS_RS485OPTION, "Display RS485 settings"},
        {ID_OPTIONS_TEMPCALOPTION, "Display PQD Temperature Calibration Tab"},
        {ID_VIEW_DATAPLOT, "Display Data Plot Tab"},
        {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},

        // Main form.
        {IDC_SENSOR_ADDRESS, "RS485 Sensor Address"},
        {IDC_RS485_CHECK, "Indicates if addressable RS485 communcations enabled"},
        {IDC_LIST_DATA, "Data Display, Double click to clear display"},
        {IDC_SAVE_DATA, "Save the Received Data to a text file"},
        {IDC_CLEAR_DATA, "Clear the Received Data Window"},

        // Data plot page.
        {IDC_PLOT_FIELDS, "Fields of the last data message: check one to plot it, double click to name it"},
        {IDC_PLOT_RANGE, "Time span shown, up to the last data message"},
        {IDC_PLOT_AUTOSCALE, "Fit the value axis to the values shown"},
        {IDC_PLOT_PAUSE, "Hold the picture still while data keeps coming in"},
        {IDC_PLOT_OPEN_LOG, "Show the data messages of a log file"},
        {IDC_PLOT_LIVE, "Show the data messages received from the sensor again"},
        {IDC_PLOT_SAVE, "Save the plot as a PNG picture"},
        {IDC_PLOT_EXPORT, "Save the time and the checked fields of the range shown as CSV"},

        // Port settings page.
        {IDC_PORTCOMBO, "Select Com Port from available ports"},
        {IDC_CHECKPORTS, "Check For Available com ports"},
        {IDC_CONNECT, "Connects or Disconnects to sensor"},

        // Terminal pages.
        {IDC_A_QUESTION, "Request Reset Rainfall Acummulation"},
        {IDC_AC, "Reset Rainfall Acummulation"},
        {IDC_GETADDRESS, "Get RS485 Sensor Address"},
        {IDC_D_QUESTION, "Operational Data Message"},
        {IDC_BB_QUESTION, "Present Backscatter Exco"},
        {IDC_BT_QUESTION, "Present Forward Exco"},
        {IDC_DHO, "Hood Heaters On"},
        {IDC_DHX, "Hood Heaters Off"},
        {IDC_M_QUESTION, "Matrix Message"},
        {IDC_P_QUESTION, "Parameter Message"},
        {IDC_PV_QUESTION, "Program Version"},
        {IDC_R_QUESTION, "Remote maintenance Message"},
        {IDC_SN_QUESTION, "Request Serial Number"},
        {IDC_T_QUESTION, "Time Message"},
        {IDC_TM30, "Sample Time 30 Seconds"},
        {IDC_TM60, "Sample Time 60 Seconds"},
        {IDC_OP_QUESTION, "Get Option Word"},
        {IDC_OS_QUESTION, "Get Operating State"},
        {IDC_RESET, "Reset Sensor"},
        {IDC_C_QUESTION, "Calibration Message"},
        {IDC_CO, "Initialise Calibration"},
        {IDC_CE, "Calibrate Exco"},
        {IDC_CT, "Calibrate Temperature"},
        {IDC_CA, "Calibrate Precipitation Amount adjustment"},
        {IDC_CX, "Stop Calibration"},
        {IDC_DUMP_ALL, "Save all settings and NVRAM to a file"},
        {IDC_COMMAND_EDIT, "Type Command To Send here"},
        {IDC_SEND_COMMAND, "Send the Command to the Sensor"},

        // Data capture page.
        {IDC_START_LOG, "Start Logging"},
        {IDC_STOP_LOG, "Stop Logging"},
        {IDC_AUTO_R_YES, "Send R? after each reported string"},
        {IDC_AUTO_R_NO, "Don't Send R? Command"},
        {IDC_TIMESTAMP_YES, "Add TimeStamp to Logged Data"},
        {IDC_TIMESTAMP_NO, "No TimeStamp"},
        {IDC_DAILY_ON, "Daily Capture On"},
        {IDC_DAILY_OFF, "Daily Capture Off"},
        {IDC_FILE_PREFIX, "Daily Log file Prefix"},
        {IDC_HOUR_LABEL, "Time in Hours to change log file"},
        {IDC_MINUTE_LABEL, "Time in Minutes to change log file"},
        {IDC_RESET_AT_START, "Reset Rainfall Acummulation at Start of Data File"},
        {IDC_CAPTURE_AT_END, "Send A? command at End of data file"},
        {IDC_POLL_TEXT_LABEL, "Poll Command Data"},
        {IDC_POLL_TEXT, "Enter command to Transmit"},
        {IDC_POLL_TIME, "Time in Seconds to send Poll Command"},
        {IDC_START_STOP_POLL, "Start / Stop Polling"},

        // Sensor settings page.
        {IDC_EXCO_YES, "Adjust EXCO for Window Contamination"},
        {IDC_EXCO_NO, "Don't adjust EXCO for Window Contamination"},
        {IDC_CHECKSUM_ON, "Add Checksum to data"},
        {IDC_CHECKSUM_OFF, "Remove Checksum from data"},
        {IDC_TEMP_USE, "Use Temperature in Present Weather Calculation"},
        {IDC_TEMP_NOT_USED, "Do not Use Temperature in Present Weather Calculation"},
        {IDC_RS485_ON, "Enable Addressable RS485 Communications"},
        {IDC_RS485_OFF, "Disable Addressable RS485 Communications"},
        {IDC_HOOD_AUTO, "Hood Heaters on Automatic"},
        {IDC_HOOD_OFF, "Hood Heaters Always Off"},
        {IDC_WRITE_NVRAM, "Enable writing to the NVRAM"},
        {IDC_WINDOW_ON, "Window Heaters Always On"},
        {IDC_WINDOW_OFF, "Window Heaters Always Off"},
        {IDC_WINDOW_AUTO, "Window Heaters On when Window Contaminated - Power Save Mode"},
        {IDC_DATETIME_YES, "Add Date / Time string to start of data message"},
        {IDC_DATETIME_NO, "No Date / Time string at start of data message"},
        {IDC_COMPRESSED, "Compressed Data Message QRM Sensors Only"},
        {IDC_EXPANDED, "Expanded Data Message QRM Sensors Only"},
        {IDC_AUTOMATIC, "Send Data Message when Calculated"},
        {IDC_POLLED, "Send Data Message when receive D? command"},
        {IDC_CALC_ON_D, "Calculate results when receive D? command"},
        {IDC_CALC_AFTER, "Calculate results at end of measurement period"},
        {IDC_OPSTATE_EDIT, "Operating State Value"},
        {IDC_OPTIONS_EDIT, "Options Word Value"},
        {IDC_UPDATE_SETTINGS, "Update Operating State and Option Word in Sensor"},

        // Temperature calibration page.
        {IDC_SENSOR_TEMP, "Internal Temperature"},
        {IDC_REF_TEMP, "Enter Reference Temperature"},
        {IDC_OFFSET_EDIT, "Calculated offset"},
        {IDC_CALIBRATE, "Calculate Offset and Update Sensor"},
        {IDC_READ_VALUES, "Read Temperature Values"},
    };
    return table;
}

}  // namespace

QString LoadString(int nId)
{
    const auto& table = Table();
    const auto it = table.find(nId);
    return it == table.end() ? QString() : QString::fromLatin1(it->second);
}

bool HasString(int nId)
{
    return Table().count(nId) != 0;
}

}  // namespace halyard
