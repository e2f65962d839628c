/* The ids of the uninstaller's progress page and its controls, for the page code and the
 * resource script alike (plain preprocessor definitions: the resource compiler reads only those). */
#ifndef VORLAX_UNINSTALL_PAGE_IDS_H
#define VORLAX_UNINSTALL_PAGE_IDS_H

#define IDD_UNINSTALL_PAGE 120
#define IDC_UNINSTALL_TEXT 1201
#define IDC_UNINSTALL_PROGRESS 1202
/* The result the page ends with when the work is finished. */
#define IDC_UNINSTALL_FINISHED 1014
/* The timer the page polls the work with. */
#define IDT_UNINSTALL_PROGRESS 100

#endif
