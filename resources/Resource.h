#pragma once
// Control, command, string and timer ids of the user interface. A control's
// tooltip is the string-table entry with the control's id (StringTable.h), so
// the ids here are also the keys of that table. UI thread only.

namespace halyard {

enum ResourceId : int {
    // Strings of the shell.
    IDP_OLE_INIT_FAILED = 100,
    IDS_TOOLBAR_STANDARD = 124,
    IDS_TOOLBAR_CUSTOMIZE = 125,
    IDS_EDIT_MENU = 306,
    IDR_MAINFRAME = 128,
    IDS_APP_TITLE = 57344,
    IDP_COMMAND_FAILURE = 61705,

    // Status bar panes.
    ID_INDICATOR_SETTINGS = 314,
    ID_INDICATOR_LOGTIME = 315,
    ID_INDICATOR_RECORDS = 316,
    ID_INDICATOR_TIME = 317,

    // Menu commands.
    ID_APP_EXIT = 57665,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_OPTIONS_TESTOPTION = 32771,
    ID_OPTIONS_ALSOPTION = 32772,
    ID_OPTIONS_RS485OPTION = 32773,
    ID_OPTIONS_TEMPCALOPTION = 32776,
    ID_APP_ABOUT = 57664,

    // Dialog templates.
    IDD_ABOUTBOX = 100,
    IDD_HALYARD_FORM = 101,
    IDD_PORT_SETTINGS = 310,
    IDD_TERMINAL = 311,
    IDD_DATA_CAPTURE = 312,
    IDD_SENSOR_SETTINGS = 315,
    IDD_TIMEOUT_MSG = 317,
    IDD_DIAG = 318,
    IDD_ALS_TERMINAL = 319,
    IDD_TEST_PROTOCOL = 322,
    IDD_TEMP_CALIB = 324,
    IDD_CONNECT = 325,

    // Main form.
    IDC_TAB1 = 1000,
    IDC_LIST_DATA = 1002,
    IDC_ADDRESS_LABEL = 1099,
    IDC_SENSOR_ADDRESS = 1120,
    IDC_RS485_CHECK = 1121,
    IDC_SAVE_DATA = 1198,
    IDC_CLEAR_DATA = 1199,

    // Port settings page.
    IDC_1200BAUD = 1003,
    IDC_2400BAUD = 1004,
    IDC_4800BAUD = 1005,
    IDC_9600BAUD = 1006,
    IDC_19K2BAUD = 1007,
    IDC_57K6BAUD = 1008,
    IDC_38K4BAUD = 1010,
    IDC_CONNECT = 1022,
    IDC_CONNECT_LED = 1023,
    IDC_PORTCOMBO = 1127,
    IDC_CHECKPORTS = 1131,

    // Terminal pages.
    IDC_COMMAND_EDIT = 1024,
    IDC_SEND_COMMAND = 1025,
    IDC_T_QUESTION = 1027,
    IDC_BT_QUESTION = 1028,
    IDC_BB_QUESTION = 1029,
    IDC_C_QUESTION = 1030,
    IDC_CO = 1031,
    IDC_CE = 1032,
    IDC_CX = 1033,
    IDC_D_QUESTION = 1034,
    IDC_DHO = 1035,
    IDC_DHX = 1036,
    IDC_R_QUESTION = 1038,
    IDC_PV_QUESTION = 1039,
    IDC_TM30 = 1041,
    IDC_TM60 = 1042,
    IDC_OP_QUESTION = 1047,
    IDC_OS_QUESTION = 1048,
    IDC_CT = 1056,
    IDC_M_QUESTION = 1057,
    IDC_RESET = 1061,
    IDC_P_QUESTION = 1073,
    IDC_GETADDRESS = 1109,
    IDC_A_QUESTION = 1135,
    IDC_AC = 1136,
    IDC_CA = 1137,
    IDC_SN_QUESTION = 1138,
    IDC_DUMP_ALL = 1139,
    IDC_LOAD_PARAMS = 1140,

    // Data capture page.
    IDC_START_LOG = 1062,
    IDC_STOP_LOG = 1063,
    IDC_AUTO_R_YES = 1064,
    IDC_AUTO_R_NO = 1065,
    IDC_TIMESTAMP_YES = 1066,
    IDC_TIMESTAMP_NO = 1067,
    IDC_DAILY_ON = 1068,
    IDC_DAILY_OFF = 1069,
    IDC_FILE_PREFIX = 1070,
    IDC_HOUR = 1071,
    IDC_MINUTE = 1072,
    IDC_AUTO_M_YES = 1073,
    IDC_HOUR_SPIN = 1074,
    IDC_MINUTE_SPIN = 1075,
    IDC_RESET_AT_START = 1076,
    IDC_CAPTURE_AT_END = 1077,
    IDC_POLL_TEXT = 1078,
    IDC_POLL_TIME = 1079,
    IDC_POLL_SPIN = 1080,
    IDC_START_STOP_POLL = 1081,
    IDC_PREFIX_LABEL = 1082,
    IDC_HOUR_LABEL = 1083,
    IDC_MINUTE_LABEL = 1084,
    IDC_POLL_TEXT_LABEL = 1085,
    IDC_POLL_TIME_LABEL = 1086,
    IDC_AUTO_M_NO = 1087,
    IDC_AUTO_XW_YES = 1088,
    IDC_AUTO_XW_NO = 1089,

    // Test protocol page.
    IDC_TEST_FAULT = 1121,
    IDC_START_TEST = 1136,
    IDC_TEST_CONTAMINATION = 1148,
    IDC_TEST_WEATHER_CODE = 1149,
    IDC_TEST_TIME = 1150,
    IDC_TEST_VISIBILITY = 1151,
    IDC_STOP_TEST = 1152,

    // Confirmation with time-out.
    IDC_YES_BUTTON = 1057,
    IDC_NO_BUTTON = 1058,
    IDC_MESSAGE1 = 1059,
    IDC_MESSAGE2 = 1060,

    // Progress dialog.
    IDC_PROGRESS = 1017,
    IDC_DIAG_MESSAGE = 1109,

    // About box.
    IDC_VERSION = 1110,
    IDC_PRODUCT_VERSION = 1111,

    // Connect dialog.
    IDC_CONNECT_TIMEOUT = 1115,
    IDC_CONNECT_STATUS = 1116,
};

// Window timers of the dialogs (the view's and the pages' are in AppMessages.h).
constexpr unsigned TIMER_TIMEOUT_MSG = 1004;

}  // namespace halyard
