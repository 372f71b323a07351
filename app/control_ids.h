#pragma once
// The C++ names of the control ids and help context numbers. The numbers are
// written once, as #defines in res/resource.h and res/help_ids.h, which the
// resource script, the help project and the end-to-end scenario read as they
// are.

#include "res/resource.h"

namespace qb {

enum ControlId : int {
  kFrame1 = IDC_FRAME1,
  kLista = IDC_LISTA,
  kBtnCancella = IDC_BTN_CANCELLA,
  kFrame2 = IDC_FRAME2,
  kLabel8 = IDC_LABEL8,
  kProvider = IDC_PROVIDER,
  kLabel3 = IDC_LABEL3,
  kUsername = IDC_USERNAME,
  kLabel10 = IDC_LABEL10,
  kDominio = IDC_DOMINIO,
  kLabel9 = IDC_LABEL9,
  kLabelInbound = IDC_LABEL_INBOUND,
  kPopserver = IDC_POPSERVER,
  kLabel5 = IDC_LABEL5,
  kSmtpserver = IDC_SMTPSERVER,
  kLabel6 = IDC_LABEL6,
  kNome = IDC_NOME,
  kBtnAggiungi = IDC_BTN_AGGIUNGI,
  kBtnChiudi = IDC_BTN_CHIUDI,
  kMenuVerifica = IDM_VERIFICA,
  kMenuAiuto = IDM_AIUTO,
};

enum HelpContext : unsigned {
  kHelpLista = IDH_LISTA,
  kHelpRimuovi = IDH_RIMUOVI,
  kHelpProvider = IDH_PROVIDER,
  kHelpUsername = IDH_USERNAME,
  kHelpDominio = IDH_DOMINIO,
  kHelpServerArrivo = IDH_SERVER_ARRIVO,
  kHelpServerSmtp = IDH_SERVER_SMTP,
  kHelpNomeChiudi = IDH_NOME_CHIUDI,
  kHelpAggiungi = IDH_AGGIUNGI,
};

}  // namespace qb
