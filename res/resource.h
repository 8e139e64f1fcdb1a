// Resource ids shared by the code and the resource scripts. One section per area; add ids to
// your own section only.
#pragma once

// --- Registration scripts (type "REGISTRY") and the type library (type "TYPELIB").
#define IDR_ZOZEDIVAZA_APPID      101
#define IDR_SIMPLEEXT             103
#define IDR_TYPELIB               1

// --- Skin: bitmaps, cursor, test template.
#define IDC_SKIN_HAND             106   // cursor: pointing hand, hot spot (6, 0)
#define IDB_SKIN_FACE             107   // 72 x 22 button face
#define IDB_SKIN_FACE_WIDE        108   // 93 x 22 button face
#define IDB_SKIN_FACE_ADVANCED    109   // 93 x 22 face with its caption drawn in
#define IDD_SKIN_TEST             190   // template of the skin and framework tests
#define IDC_SKIN_TEST_EDIT1       1901
#define IDC_SKIN_TEST_EDIT2       1902
#define IDC_SKIN_TEST_WIDE        1903
#define IDC_SKIN_TEST_STATIC      1904
#define IDC_SKIN_TEST_LIST        1905
#define IDC_SKIN_TEST_COMBO       1906
#define IDC_SKIN_TEST_DISABLED    1907

// --- Dialog templates and their controls.
#ifndef IDC_STATIC
#define IDC_STATIC                (-1)
#endif
#define IDD_EDLGCOMM              101
#define IDD_DLGSET                103
#define IDD_DIADENRYLG            104
#define IDD_SHOWDLG               105

// Encryption dialog (101).
#define IDC_ENC_SOURCE            1001
#define IDC_ENC_CHOOSE_SOURCE     1002
#define IDC_ENC_DEST              1003
#define IDC_ENC_CHOOSE_DEST       1004
#define IDC_ENC_CERTNAME          1005
#define IDC_ENC_VIEW              1006
#define IDC_ENC_CHANGE            1007
#define IDC_ENC_ADVANCED          1008
#define IDC_ENC_CERTLIST          1010
#define IDC_ENC_BY_NAME           1011
#define IDC_ENC_BY_MAIL           1012
#define IDC_ENC_HIDDEN_EDIT       1013
#define IDC_ENC_QUERY             1014
#define IDC_ENC_ENCRYPT2          1015
#define IDC_ENC_QUERY_BUTTON      1016
#define IDC_ENC_OTHERS_GROUP      1017
#define IDC_ENC_LDAP_GROUP        1018
#define IDC_ENC_CANCEL2           1022

// Default-certificate dialog (103).
#define IDC_SET_CERTLIST          1020

// Decryption dialog (104).
#define IDC_DEC_SOURCE            1023
#define IDC_DEC_CHOOSE_SOURCE     1024
#define IDC_DEC_DEST              1025
#define IDC_DEC_CHOOSE_DEST       1026
#define IDC_DEC_CERTS             1027
#define IDC_DEC_VIEW              1028
