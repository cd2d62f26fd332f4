/* Resource identifiers shared by the resource scripts and the program:
   message numbers, dialog control IDs and help contexts. A language DLL
   uses the same numbers and names. */
#ifndef QAV_RESOURCE_H
#define QAV_RESOURCE_H

/* String table */
#define MSG_DISPLAY_NAME      5101
#define MSG_HELP_LINK         5102
#define MSG_MANUAL_LINK       5103
#define MSG_CAPTION           5104
#define MSG_UNINSTALL_DONE    5105
#define MSG_DELETE_MANUALLY   5106
#define MSG_CONFIRM           5107
#define MSG_CANNOT_OPEN_LIST  5108
#define MSG_QAV_ARCHIVE       5109
#define MSG_ZIP_ARCHIVE       5110
#define MSG_RECOVERY_VOLUME   5111
#define MSG_HOME_PAGE         5112
#define MSG_LINK_DESCRIPTION  5113
#define MSG_RESTART_NEEDED    5114
#define MSG_RUN_UNDER_WAY     5115
#define MSG_FOLDER_NOT_IN_CODE_PAGE 5116

/* Common buttons, and the id of controls the program never addresses */
#ifndef IDC_STATIC
#define IDC_STATIC            (-1)
#endif
#define IDC_OK                1
#define IDC_CANCEL            2
#define IDC_HELPBUTTON        9

/* SETUPDLG: the archive types' boxes (one per row of the archive-type
   table; a new type takes a free number, the boxes need not be in a row) */
#define IDC_ASSOC_QAV         5101
#define IDC_ASSOC_ZIP         5102
#define IDC_ASSOC_CAB         5103
#define IDC_ASSOC_ARJ         5104
#define IDC_ASSOC_LZH         5105
#define IDC_ASSOC_ACE         5106
#define IDC_ASSOC_7Z          5107
#define IDC_ASSOC_TAR         5108
#define IDC_ASSOC_GZIP        5109
#define IDC_ASSOC_UUE         5110
#define IDC_ASSOC_BZ2         5111
#define IDC_ASSOC_JAR         5112
#define IDC_ASSOC_ISO         5113
#define IDC_ASSOC_Z           5114
#define IDC_DESKTOP_LINK      5115
#define IDC_STARTMENU_LINK    5116
#define IDC_PROGRAM_GROUP     5117
#define IDC_SHELL_EXT         5118
#define IDC_CASCADED_MENU     5119
#define IDC_MENU_ICONS        5120
#define IDC_SELECT_ALL        5121
#define IDC_SETUP_TEXT        5122
#define IDC_CONTEXT_ITEMS     5123

/* CONTEXTITEMS: the shell extension's menu items, MenuItemTable rows 0..10 */
#define IDC_MENU_EXTRACT_TO   101
#define IDC_MENU_EXTRACT_HERE 102
#define IDC_MENU_EXTRACT      103
#define IDC_MENU_EXTRACT_SEP  104
#define IDC_MENU_OPEN_SFX     105
#define IDC_MENU_ADD_TO       106
#define IDC_MENU_ADD_ARCHIVE  107
#define IDC_MENU_EMAIL_ARC    108
#define IDC_MENU_EMAIL_OPT    109
#define IDC_MENU_TEST         110
#define IDC_MENU_CONVERT      111

/* DONEDLG */
#define IDC_DONE_FOLDER       5101
#define IDC_DONE_RUN          5102
#define IDC_DONE_HELP         5103
#define IDC_DONE_LICENSE      5104
#define IDC_DONE_ORDER        5105
#define IDC_DONE_HOMEPAGE     5106
#define IDC_DONE_THANKS       5107
#define IDC_DONE_LATEST       5109

/* Help contexts of qavrix.hlp */
#define HELP_CONTEXT_SETUP        4288
#define HELP_CONTEXT_CONTEXTITEMS 4976

#endif
