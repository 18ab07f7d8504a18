// Resource and command ids, shared by zorvik.rc and the code.
#pragma once

#define IDD_MAIN_WINDOW 100
#define IDD_BATCH_WINDOW 800
#define IDD_RESULTS_WINDOW 810
#define IDB_LOGO 799 // 100 %
#define IDB_LOGO_150 798
#define IDB_LOGO_200 797
#define IDI_APP 777

// Main window controls.
#define IDC_PATH_FIELD 1000
#define IDC_CHOOSE_BUTTON 1001
#define IDC_HANDOFF_LIST 1002
#define IDC_METHOD_COMBO 1003
#define IDC_MENU_BUTTON 1004
#define IDC_COMPRESS_BUTTON 1005
#define IDC_DECOMPRESS_BUTTON 1006
#define IDC_HINT_FIELD 1007

// Batch window controls.
#define IDC_BATCH_CLOSE 1001
#define IDC_BATCH_COMPRESS 1005
#define IDC_BATCH_DECOMPRESS 1006
#define IDC_BATCH_TEXT 1007

// Results window controls.
#define IDC_RESULTS_TEXT 1010
#define IDC_STOP_BUTTON 1011

// Shortcut menu commands.
#define IDM_ADD_VERB 895
#define IDM_REMOVE_VERB 896
#define IDM_MORE_APPS 897
#define IDM_ABOUT 898
#define IDM_BATCH 899
#define IDM_TEST_FILE 900
#define IDM_FILE_INFO 901
#define IDM_USE_LZMA 902
#define IDM_KEEP_BACKUP 903
#define IDM_FORCE 904
#define IDM_SHOW_RESULTS 905
#define IDM_CHOOSE_FOLDER 906
