#pragma once
// The numbers the program shares with the world outside its C++ sources:
// its resources, the control ids that the end-to-end scenario drives the
// window by (tests/e2e reads "#define NAME number" lines of this file), and,
// through help_ids.h, the help context numbers of F1. The C++ names of the ids
// (qb::kLista...) are in app/control_ids.h.

#include "help_ids.h"

#define IDI_APP 1

// Ids 1 and 2 are IDOK and IDCANCEL, which the dialog manager sends for Enter
// and Esc; no control uses them, so those keys mean nothing to the window.
#define IDC_FRAME1 101
#define IDC_LISTA 102
#define IDC_BTN_CANCELLA 103
#define IDC_FRAME2 104
#define IDC_LABEL8 105
#define IDC_PROVIDER 106
#define IDC_LABEL3 107
#define IDC_USERNAME 108
#define IDC_LABEL10 109
#define IDC_DOMINIO 110
#define IDC_LABEL9 111
#define IDC_LABEL_INBOUND 112
#define IDC_POPSERVER 113
#define IDC_LABEL5 114
#define IDC_SMTPSERVER 115
#define IDC_LABEL6 116
#define IDC_NOME 117
#define IDC_BTN_AGGIUNGI 118
#define IDC_BTN_CHIUDI 119
// The menu bar (a MENU resource of quillbeck.rc) and its two command items.
#define IDR_MAIN_MENU 300
#define IDM_VERIFICA 201
#define IDM_AIUTO 200
