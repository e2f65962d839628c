/* The ids of the installer's pages (dialog templates) and of their controls and commands.
 *
 * Named once here for both the page code and the resource script (pages.rc), which is why this
 * header is plain preprocessor definitions: the resource compiler reads only those. */
#ifndef VORLAX_UI_PAGE_IDS_H
#define VORLAX_UI_PAGE_IDS_H

/* Dialog templates. */
#define IDD_LICENCE_PAGE 101
#define IDD_OPTIONS_PAGE 102
#define IDD_WELCOME_PAGE 103
#define IDD_INSTALL_PAGE 104
#define IDD_ABORT_PAGE 106
#define IDD_SMALL_PROGRESS_PAGE 107
#define IDD_LAUNCH_PAGE 108

/* Commands shared by the pages (also the results the pages end with). */
#define IDC_CANCEL 2          /* Cancel, Don't agree, Exit; also Esc and the close box */
#define IDC_LAUNCH_YES 6      /* launch page: Done with the check box checked */
#define IDC_LAUNCH_NO 7       /* launch page: Done with the check box cleared */
#define IDC_VIEW_README 8
#define IDC_BACK 110
#define IDC_NEXT 1014         /* Next, Agree; also "the task finished" on the progress pages */
#define IDC_CHANGE_SETTINGS 1018

/* Controls. */
#define IDC_LICENCE_TEXT 1001
#define IDC_INSTALL_PATH_EDIT 1006
#define IDC_BROWSE 1007
#define IDC_INSTALL_GROUP_EDIT 1008
#define IDC_OVERALL_PROGRESS 1011
#define IDC_FILE_PROGRESS 1012
#define IDC_EXTRACTING_TEXT 1013
#define IDC_SMALL_PROGRESS 1015
#define IDC_HEADER_LINE 1019
#define IDC_WELCOME_INSTALL_PATH 1020
#define IDC_WELCOME_INSTALL_GROUP 1021
#define IDC_LAUNCH_CHECK 1022
#define IDC_OPTIONS_DIRECTORY_LABEL 1023
#define IDC_OPTIONS_GROUP_LABEL 1024
#define IDC_WELCOME_DIRECTORY_LABEL 1025
#define IDC_WELCOME_GROUP_LABEL 1026
#define IDC_WELCOME_LINE2 1027
#define IDC_TOTAL_PROGRESS_TEXT 1028
#define IDC_ABORT_LINE2 1029
#define IDC_ABORT_LINE3 1030
#define IDC_LAUNCH_LINE2 1031
#define IDC_LAUNCH_LINE3 1032

/* The timer both progress pages poll with. */
#define IDT_PROGRESS 100

#endif
