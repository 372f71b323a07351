#pragma once
// The numbers the window shares with the world outside its C++ sources: the
// control ids that the end-to-end scenario drives the window by, and the help
// context numbers that F1 looks up in the help file's context map. Every
// value is written out, so that the numbering never depends on the order of
// the lines. tools/ids.py reads this file (one "kName = number," a line) for
// the scenario and for the help build, which writes the help file's [MAP]
// from it; keep that form.

namespace qb {

enum ControlId : int {
  // Ids 1 and 2 are IDOK and IDCANCEL, which the dialog manager sends for Enter
  // and Esc; no control uses them, so those keys mean nothing to the window.
  kFrame1 = 101,
  kLista = 102,
  kBtnCancella = 103,
  kFrame2 = 104,
  kLabel8 = 105,
  kProvider = 106,
  kLabel3 = 107,
  kUsername = 108,
  kLabel10 = 109,
  kDominio = 110,
  kLabel9 = 111,
  kLabelInbound = 112,
  kPopserver = 113,
  kLabel5 = 114,
  kSmtpserver = 115,
  kLabel6 = 116,
  kNome = 117,
  kBtnAggiungi = 118,
  kBtnChiudi = 119,
  kMenuAiuto = 200,
};

// Help context numbers; kHelpServerArrivo is IDH_SERVER_ARRIVO in the help
// project. "Nome (Alias)" and the "Chiudi" button share one topic.
enum HelpContext : unsigned {
  kHelpLista = 10001,
  kHelpRimuovi = 10002,
  kHelpProvider = 10003,
  kHelpUsername = 10004,
  kHelpDominio = 10005,
  kHelpServerArrivo = 10006,
  kHelpServerSmtp = 10007,
  kHelpNomeChiudi = 10008,
  kHelpAggiungi = 10009,
};

}  // namespace qb
