// Resource numbers of the language library's templates, controls and images, named for its
// resource scripts. The plug-in knows these numbers by itself and does not include this header;
// the string numbers stand as plain numbers in strings.rc.
#pragma once

// Dialog templates. The print dialog's template is named, not numbered: IDD_CUSTOMPRINTDLG.
#define IDD_IMPORT_SOURCE 262
#define IDD_ABOUT 439
#define IDD_BOOKMARK_FILES 440
#define IDD_PROGRESS 442
#define IDD_DEVICE_PATH 443
#define IDD_TEXT_VIEW 446
#define IDD_TEXT_INPUT 447
#define IDD_CHOICE 448
#define IDD_MAIN_VIEW 10136
#define IDD_SEND 10163
#define IDD_FILE_LIST 10165
#define IDD_SETTINGS_LIST 10270
#define IDD_NAME_URL 10274
#define IDD_NOTICE 10275
#define IDD_SETTINGS_ENTRY 30724

// Controls shared by several dialogs.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)  // labels and frames that the plug-in never addresses
#endif
#define IDC_LOAD_OR_BROWSE 3  // text view: load from file; import source: browse
#define IDC_HELP_BUTTON 264
#define IDC_EDIT_BUTTON 10004
#define IDC_ADD_BUTTON 10139
#define IDC_DELETE_BUTTON 10143
#define IDC_TEXT_EDIT 10153  // text input, text view, import source's file path
#define IDC_LIST 10161       // settings list, file list
#define IDC_ENTRY_NAME 10192
#define IDC_ENTRY_URL 10195

// Main view.
#define IDC_SETTINGS_TREE 10150

// Send dialog.
#define IDC_SEND_DEVICE_NAME 270
#define IDC_SEND_PHONE 271
#define IDC_SEND_IMEI 272
#define IDC_SEND_BUTTON 10138

// Progress dialog.
#define IDC_PROGRESS_BAR 262
#define IDC_PROGRESS_TEXT 263

// Question dialog: one button per answer.
#define IDC_ANSWER_64 270
#define IDC_ANSWER_8 273
#define IDC_APPLY_TO_ALL 274
#define IDC_QUESTION_TEXT 275
#define IDC_ANSWER_32 276
#define IDC_ANSWER_4 277

// About box.
#define IDC_ABOUT_TEXT 269
#define IDC_ABOUT_VERSION 10218

// Settings list dialog and entry dialog.
#define IDC_IMPORT_BUTTON 259
#define IDC_ENTRY_CONNECTION 10189
#define IDC_ENTRY_USER 10193
#define IDC_ENTRY_PASSWORD 10194
#define IDC_ENTRY_CONNECTION_LABEL 10207

// Bookmark import.
#define IDC_SOURCE_FAVORITES 260
#define IDC_SOURCE_FILE 261
#define IDC_SOURCE_NETSCAPE 262
#define IDC_BOOKMARK_FILES 261

// File list dialog and device path dialog.
#define IDC_FILE_LIST_NAME 10242
#define IDC_DEVICE_BROWSE 274
#define IDC_DEVICE_FOLDER 275
#define IDC_DEVICE_PC_FILE 276

// Print dialog: the created-settings choice beside the standard controls of <dlgs.h>.
#define IDC_PRINT_CREATED 10213

// Icons.
#define IDI_CORVANSET 429
#define IDI_SETTINGS_FILE 431
#define IDI_TREE_COLLAPSED 10214
#define IDI_TREE_EXPANDED 10223
#define IDI_STATE_MARKED 10236
#define IDI_STATE_UNMARKED 10240
#define IDI_STATE_MARKED_INACTIVE 10244
#define IDI_STATE_UNMARKED_INACTIVE 10248
#define IDI_STATE_MARKED_FORCED 10253
#define IDI_STATE_MIXED 10257
#define IDI_STATE_PRESSED 10258
#define IDI_STATE_PRESSED_FORCED 10259

// Bitmaps: the view's picture, the toolbar strip and the command images of both kinds.
#define IDB_VIEW 10125
#define IDB_TOOLBAR 29090
#define IDB_DELETE 331
#define IDB_NEW 332
#define IDB_SEND 333
#define IDB_SHOW_LOG 334
#define IDB_TRANSFER_MODE_1 335
#define IDB_TRANSFER_MODE_2 336
#define IDB_TRANSFER_MODE_3 337
#define IDB_SEND_KIND_1 379
#define IDB_NEW_KIND_1 380
#define IDB_OPEN_KIND_1 381
#define IDB_SAVE_KIND_1 382
#define IDB_PRINT_KIND_1 474
#define IDB_OPEN 601
#define IDB_SAVE 602
#define IDB_PRINT 603
