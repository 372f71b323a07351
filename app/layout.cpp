#include "app/layout.h"

namespace qb {

namespace {
constexpr auto L = TextAlign::Left;
constexpr auto R = TextAlign::Right;
constexpr auto C = TextAlign::Center;
constexpr ControlId W = static_cast<ControlId>(0);
}  // namespace

// Each label stands right before its field, so that screen readers name the field
// after it; the focusable controls appear in their Tab order.
const std::array<ControlSpec, 19> kLayout = {{
    {kFrame1, "Frame1", ControlKind::Frame, W, L"Indirizzi già configurati in Outlook Express:", nullptr,
     120, 105, 5475, 2550, -1, 0, L, false},
    {kLista, "lista", ControlKind::ListBox, kFrame1, L"",
     L"Questi sono gli indirizzi di posta già configurati su Outlook Express",
     120, 360, 5235, 1620, 0, kHelpLista, L, false},
    {kBtnCancella, "btn_cancella", ControlKind::Button, kFrame1, L"Rimuovi indirizzo",
     L"Rimuovi da Outlook Express l'indirizzo selezionato", 120, 2100, 5235, 315, 1, kHelpRimuovi, C, false},
    {kFrame2, "Frame2", ControlKind::Frame, W, L"Configura i seguenti indirizzi:", nullptr,
     120, 2760, 5475, 3735, -1, 0, L, false},
    {kLabel8, "Label8", ControlKind::Label, kFrame2, L"Provider:", nullptr, 60, 420, 1275, 195, -1, 0, R, false},
    {kProvider, "provider", ControlKind::ComboBox, kFrame2, L"", L"Seleziona il provider",
     1440, 360, 3915, 315, 2, kHelpProvider, L, false},
    {kLabel3, "Label3", ControlKind::Label, kFrame2, L"Username:", nullptr, 300, 900, 1035, 255, -1, 0, R, false},
    {kUsername, "username", ControlKind::TextBox, kFrame2, L"", L"Inserisci lo username assegnato dal provider",
     1440, 840, 1995, 315, 3, kHelpUsername, L, false},
    {kLabel10, "Label10", ControlKind::Label, kFrame2, L"@", nullptr, 3480, 840, 255, 375, -1, 0, L, true},
    {kDominio, "dominio", ControlKind::TextBox, kFrame2, L"", L"Inserisci il dominio del provider",
     3720, 840, 1635, 315, 4, kHelpDominio, L, false},
    {kLabel9, "Label9", ControlKind::Label, kFrame2,
     L"La password verrà richiesta al primo collegamento con Outlook Express", nullptr,
     60, 1320, 5355, 495, -1, 0, C, false},
    {kLabelInbound, "LabelInbound", ControlKind::Label, kFrame2, L"POP3 Server:", nullptr,
     60, 1920, 1275, 255, -1, 0, R, false},
    {kPopserver, "popserver", ControlKind::TextBox, kFrame2, L"", L"Inserisci il server di scaricamento",
     1440, 1860, 3915, 315, 5, kHelpServerArrivo, L, false},
    {kLabel5, "Label5", ControlKind::Label, kFrame2, L"SMTP Server:", nullptr, 60, 2400, 1275, 315, -1, 0, R, false},
    {kSmtpserver, "smtpserver", ControlKind::TextBox, kFrame2, L"", L"Inserisci il server di spedizione posta",
     1440, 2340, 3915, 315, 6, kHelpServerSmtp, L, false},
    {kLabel6, "Label6", ControlKind::Label, kFrame2, L"Nome (Alias):", nullptr, 120, 2880, 1215, 255, -1, 0, R, false},
    {kNome, "nome", ControlKind::TextBox, kFrame2, L"", L"Inserisci il tuo nome e cognome o alias",
     1440, 2820, 3915, 315, 7, kHelpNomeChiudi, L, false},
    {kBtnAggiungi, "btn_aggiungi", ControlKind::Button, kFrame2, L"Aggiungi indirizzo",
     L"Aggiungi un nuovo indirizzo con i dati inseriti", 150, 3300, 2895, 315, 8, kHelpAggiungi, C, false},
    {kBtnChiudi, "btn_chiudi", ControlKind::Button, kFrame2, L"Chiudi", L"Chiudi l'applicazione",
     3240, 3300, 2115, 315, 9, kHelpNomeChiudi, C, false},
}};

const ControlSpec& SpecOf(ControlId id) {
  for (const auto& spec : kLayout)
    if (spec.id == id) return spec;
  return kLayout[0];
}

RECT ControlRectPixels(const ControlSpec& spec, int dpi) {
  int left = spec.left, top = spec.top;
  if (spec.container != 0) {
    const ControlSpec& frame = SpecOf(spec.container);
    left += frame.left;
    top += frame.top;
  }
  // Edges are converted, not sizes, so that adjoining controls stay adjoining.
  return RECT{TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(left + spec.width, dpi),
              TwipsToPixels(top + spec.height, dpi)};
}

}  // namespace qb
