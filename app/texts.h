#pragma once
// Every text the window shows to the user, in one place (Italian, UTF-8 source).
//
// A source file, not a STRINGTABLE in res/quillbeck.rc: windres reads a UTF-8
// script under #pragma code_page(65001) correctly, but texts loaded at run time
// would take the layout table's captions out of its constant table, every unit
// of qb_app that shows a text would need the program's resources linked in,
// and the script's own escaping rules (quotes, backslashes, line breaks) would
// stand between these texts and the user. Here each text is a constant the
// compiler checks.
//
// Texts built from pieces are formats: %1 to %9 stand for the values given to
// FormatText, in order.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace qb::texts {

// The window (its menu bar is the MENU resource of res/quillbeck.rc).
inline constexpr wchar_t kWindowTitle[] = L"Configurazione Mail";

// Captions of the controls.
inline constexpr wchar_t kFrame1Caption[] = L"Indirizzi già configurati in Outlook Express:";
inline constexpr wchar_t kBtnCancellaCaption[] = L"Rimuovi indirizzo";
inline constexpr wchar_t kFrame2Caption[] = L"Configura i seguenti indirizzi:";
inline constexpr wchar_t kLabel8Caption[] = L"Provider:";
inline constexpr wchar_t kLabel3Caption[] = L"Username:";
inline constexpr wchar_t kLabel10Caption[] = L"@";
inline constexpr wchar_t kLabel9Caption[] = L"La password verrà richiesta al primo collegamento con Outlook Express";
inline constexpr wchar_t kLabelInboundCaption[] = L"POP3 Server:";
inline constexpr wchar_t kLabel5Caption[] = L"SMTP Server:";
inline constexpr wchar_t kLabel6Caption[] = L"Nome (Alias):";
inline constexpr wchar_t kBtnAggiungiCaption[] = L"Aggiungi indirizzo";
inline constexpr wchar_t kBtnChiudiCaption[] = L"Chiudi";
// LabelInbound once a preset is chosen: the preset's protocol, upper-cased, then this.
inline constexpr wchar_t kInboundSuffix[] = L" Server:";

// Tooltips of the controls.
inline constexpr wchar_t kListaTip[] = L"Questi sono gli indirizzi di posta già configurati su Outlook Express";
inline constexpr wchar_t kBtnCancellaTip[] = L"Rimuovi da Outlook Express l'indirizzo selezionato";
inline constexpr wchar_t kProviderTip[] = L"Seleziona il provider";
inline constexpr wchar_t kUsernameTip[] = L"Inserisci lo username assegnato dal provider";
inline constexpr wchar_t kDominioTip[] = L"Inserisci il dominio del provider";
inline constexpr wchar_t kPopserverTip[] = L"Inserisci il server di scaricamento";
inline constexpr wchar_t kSmtpserverTip[] = L"Inserisci il server di spedizione posta";
inline constexpr wchar_t kNomeTip[] = L"Inserisci il tuo nome e cognome o alias";
inline constexpr wchar_t kBtnAggiungiTip[] = L"Aggiungi un nuovo indirizzo con i dati inseriti";
inline constexpr wchar_t kBtnChiudiTip[] = L"Chiudi l'applicazione";

// popserver's tooltip for a preset with connection settings, built from these pieces.
inline constexpr wchar_t kTipSecure[] = L"Connessione protetta (SSL)";
inline constexpr wchar_t kTipNotSecure[] = L"Connessione non protetta";
inline constexpr wchar_t kTipIncomingPort[] = L", porta %1";
inline constexpr wchar_t kTipStandardPort[] = L", porta standard";
inline constexpr wchar_t kTipSending[] = L"\r\nInvio:";
inline constexpr wchar_t kTipOutgoingPort[] = L" porta %1";
inline constexpr wchar_t kTipAuthAfterPort[] = L", con autenticazione";
inline constexpr wchar_t kTipAuth[] = L" con autenticazione";
inline constexpr wchar_t kTipLoginAddress[] = L"\r\nAccesso con l'indirizzo completo";

// Adding an account.
inline constexpr wchar_t kDominioFieldName[] = L"Dominio";  // the domain's label is the "@"
inline constexpr wchar_t kChooseProviderFirst[] = L"Scegli un provider dall'elenco prima di aggiungere l'indirizzo.";
// %1: one kFieldOutsideAnsi per field.
inline constexpr wchar_t kFieldsOutsideAnsi[] =
    L"L'indirizzo non è stato configurato: questi campi contengono caratteri che la codifica del sistema "
    L"non può rappresentare e che verrebbero sostituiti da altri:%1\nCorreggi i campi indicati e riprova.";
// %1: the field's name; %2: one kCharacterOutsideAnsi per character.
inline constexpr wchar_t kFieldOutsideAnsi[] = L"\n- %1:%2";
inline constexpr wchar_t kCharacterOutsideAnsi[] = L" \"%1\"";
// %1: the address.
inline constexpr wchar_t kAddressWithBackslash[] =
    L"L'indirizzo \"%1\" non può essere configurato: lo username e il dominio non possono contenere il carattere "
    L"\"\\\".";
// %1: the longest address, in characters.
inline constexpr wchar_t kAddressTooLong[] =
    L"L'indirizzo è troppo lungo: lo username e il dominio insieme possono avere al massimo %1 caratteri.";
// %1: the address; %2: one kListItem per value.
inline constexpr wchar_t kAddedIncompletely[] =
    L"L'indirizzo \"%1\" non è stato configurato completamente. Non è stato possibile scrivere questi valori:%2";
// When the registry took none of the account's values; %1: the address.
inline constexpr wchar_t kNotAddedOrUpdated[] =
    L"L'indirizzo \"%1\" non è stato aggiunto né aggiornato: non è stato possibile scrivere nessuno dei suoi "
    L"valori. L'account predefinito non è cambiato.";

// Removing an account; %1: the list's row.
inline constexpr wchar_t kConfirmRemoval[] = L"Vuoi veramente cancellare l'indirizzo %1?";
inline constexpr wchar_t kConfirmRemovalTitle[] = L"Cancella";
inline constexpr wchar_t kRemovalOutOfDate[] =
    L"L'elenco degli indirizzi non era aggiornato: un altro programma ha modificato o cancellato l'indirizzo %1. "
    L"Non è stato cancellato nulla; l'elenco è stato aggiornato.";
inline constexpr wchar_t kRemovalRefused[] =
    L"Non è stato possibile cancellare l'indirizzo %1: il registro di sistema ha rifiutato la cancellazione (un altro "
    L"programma vi ha aggiunto dati, oppure mancano i permessi).";

// The start-up report of providers.lst; %1: the line number, %2: the line's text in question.
inline constexpr wchar_t kPresetProblems[] = L"Alcune righe di providers.lst non sono state usate per intero:\n";
inline constexpr wchar_t kPresetBadSetting[] = L"riga %1: l'impostazione \"%2\" non è valida ed è stata ignorata";
inline constexpr wchar_t kPresetUnknownProtocol[] =
    L"riga %1: il protocollo \"%2\" non è né POP3 né IMAP: gli indirizzi di questo provider non avranno il server "
    L"di posta in arrivo";
inline constexpr wchar_t kPresetNulByte[] = L"riga %1: la riga contiene un carattere nullo ed è stata saltata";
inline constexpr wchar_t kPresetMissingServer[] =
    L"riga %1: il provider ha un dominio ma non il server di posta in uscita (SMTP) o quello in arrivo: con "
    L"questo provider non si potrà mai aggiungere un indirizzo";
inline constexpr wchar_t kPresetUnreadableEncoding[] =
    L"il file è salvato in una codifica che il programma non sa leggere (contiene molti caratteri nulli ma non è "
    L"UTF-16): salvalo come UTF-8 o UTF-16";
// %2: a kFault* text.
inline constexpr wchar_t kPresetCannotWork[] =
    L"riga %1: %2: con questo provider non si potrà mai aggiungere un indirizzo";
inline constexpr wchar_t kPresetConflictingSetting[] =
    L"riga %1: l'impostazione \"%2\" contraddice una precedente della stessa riga ed è stata ignorata";
inline constexpr wchar_t kPresetOtherProblem[] = L"riga %1: ";
// %1: how many problems the report leaves out.
inline constexpr wchar_t kPresetMoreProblems[] = L"\n- e altri %1";

// providers.lst cannot be read at start-up; %1: the file's name, %2: the folder.
inline constexpr wchar_t kPresetFileNotFound[] =
    L"File non trovato: \"%1\" nella cartella \"%2\".\r\n\r\n"
    L"Il programma legge l'elenco dei provider da questo file, che deve trovarsi nella cartella da cui il "
    L"programma viene avviato. Copia il file in questa cartella oppure avvia il programma dalla cartella che lo "
    L"contiene.";
inline constexpr wchar_t kPresetFileUnreadable[] =
    L"Impossibile leggere il file \"%1\" nella cartella \"%2\".\r\n\r\n"
    L"Il file esiste ma non può essere aperto: potrebbe essere in uso da parte di un altro programma, essere una "
    L"cartella anziché un file, oppure non essere accessibile con i permessi del tuo utente. Chiudi gli altri "
    L"programmi che lo usano e riprova.";

// The check of an account's mail servers ("Verifica").
inline constexpr wchar_t kCheckTitle[] = L"Verifica";
inline constexpr wchar_t kCheckSelectFirst[] =
    L"Seleziona prima un indirizzo nell'elenco, poi scegli \"Verifica\" per controllare i suoi server di posta.";
// %1: the address.
inline constexpr wchar_t kCheckNoServers[] = L"L'indirizzo \"%1\" non indica nessun server di posta da verificare.";
inline constexpr wchar_t kCheckOffline[] =
    L"Non è stato possibile verificare l'indirizzo \"%1\": il computer sembra non essere collegato a Internet "
    L"(non è stato trovato nessuno dei suoi server). Controlla la connessione a Internet e riprova.";
// %1: the address; %2: one kCheckServerLine per server.
inline constexpr wchar_t kCheckAllAnswer[] = L"Verifica dell'indirizzo \"%1\": tutti i server rispondono.%2";
inline constexpr wchar_t kCheckProblems[] =
    L"Verifica dell'indirizzo \"%1\": alcuni server non rispondono come l'account indica.%2%3";
inline constexpr wchar_t kCheckAddedWithProblems[] =
    L"L'indirizzo \"%1\" è stato aggiunto, ma la verifica dei suoi server ha trovato dei problemi.%2%3";
inline constexpr wchar_t kCheckHelpHint[] =
    L"\n\nFinché i problemi restano, Outlook Express non potrà ricevere o inviare la posta. Che cosa fare per "
    L"ciascun caso è spiegato nell'Aiuto, alla pagina \"Verifica dei server\".";
// %1: the role; %2: the server; %3: the port; %4: the security; %5: the outcome.
inline constexpr wchar_t kCheckServerLine[] = L"\n\n- %1 %2, porta %3, %4: %5";
inline constexpr wchar_t kRolePop3[] = L"Posta in arrivo POP3";
inline constexpr wchar_t kRoleImap[] = L"Posta in arrivo IMAP";
inline constexpr wchar_t kRoleSmtp[] = L"Posta in uscita SMTP";
inline constexpr wchar_t kSecurityNone[] = L"connessione non protetta";
inline constexpr wchar_t kSecurityTls[] = L"connessione protetta SSL/TLS";
inline constexpr wchar_t kSecurityStartTls[] = L"connessione protetta STARTTLS";
inline constexpr wchar_t kOutcomeAnswers[] = L"risponde correttamente.";
inline constexpr wchar_t kOutcomeUnknownName[] =
    L"nome del server sconosciuto. Controlla la connessione a Internet e che il nome del server sia scritto "
    L"correttamente.";
inline constexpr wchar_t kOutcomeRefused[] =
    L"rifiuta il collegamento. Il server non offre il servizio su questa porta, oppure un firewall blocca il "
    L"collegamento: controlla la porta indicata dal provider.";
// %1: seconds.
inline constexpr wchar_t kOutcomeNoAnswer[] =
    L"non risponde (attesa di %1 secondi). La rete o un firewall potrebbe bloccare questa porta, oppure il server "
    L"è fermo: riprova più tardi o chiedi al provider.";
// %1: POP3, IMAP or SMTP; %2: the answer's first characters.
inline constexpr wchar_t kOutcomeWrongProtocol[] =
    L"non risponde come un server %1 (ha risposto: \"%2\"). Controlla il nome del server e la porta.";
inline constexpr wchar_t kOutcomeCertificateExpired[] =
    L"certificato non valido: scaduto. Controlla la data del computer; se è giusta, avvisa il provider.";
// %1: the name the certificate holds.
inline constexpr wchar_t kOutcomeCertificateOtherName[] =
    L"certificato non valido: rilasciato per un altro nome (\"%1\"). Usa il nome del server che il provider "
    L"indica per la connessione protetta.";
inline constexpr wchar_t kOutcomeCertificateUntrusted[] =
    L"certificato non valido: emesso da un'autorità non attendibile. Outlook Express rifiuterà il collegamento: "
    L"chiedi al provider.";
inline constexpr wchar_t kOutcomeHandshakeFailed[] =
    L"connessione protetta non riuscita. Controlla la porta e se il server richiede la connessione protetta.";
inline constexpr wchar_t kOutcomeHandshakeUnsupported[] =
    L"connessione protetta non riuscita: questa versione di Windows non sa usare la protezione che il server "
    L"richiede, e nemmeno il programma di posta di questo computer potrà usarla. Serve una versione di Windows "
    L"più recente.";
inline constexpr wchar_t kOutcomeNoStartTls[] =
    L"non offre la connessione protetta (STARTTLS) che l'account richiede. Chiedi al provider quale porta usare.";

// One item of a list inside a message; %1: the item.
inline constexpr wchar_t kListItem[] = L"\n- %1";

// An error no handler caught; %1: its number, %2: its description.
inline constexpr wchar_t kFatalError[] = L"Si è verificato un errore e il programma verrà chiuso.\n\nErrore %1: %2";
// Descriptions of the window's own errors (UTF-8, as every error's).
inline constexpr char kErrorNoWindow[] = "Impossibile creare la finestra";
inline constexpr char kErrorOutOfMemory[] = "Out of memory";
inline constexpr char kErrorInternal[] = "Internal error";

// ---- Adding an address that is set up already; what a field must not hold;
// ---- long values in messages.
// %1: the address; %2: the chosen provider.
inline constexpr wchar_t kAddressAlreadySetUp[] =
    L"L'indirizzo \"%1\" è già configurato in Outlook Express.\n\nVuoi aggiornarlo con le impostazioni di «%2»?";
// %1: the address.
inline constexpr wchar_t kAddressInOtherAccount[] =
    L"L'indirizzo \"%1\" è già presente in un altro account di Outlook Express.\n\n"
    L"Vuoi aggiungerlo lo stesso come nuovo account?";
// %1: kUserNameExample, or nothing when the "@" comes first.
inline constexpr wchar_t kUserNameWithAt[] =
    L"L'indirizzo non è stato configurato: nel campo Username scrivi solo la parte dell'indirizzo che precede "
    L"\"@\"%1. Il dominio va nel campo dopo \"@\".";
// %1: what the user name holds before its "@".
inline constexpr wchar_t kUserNameExample[] = L" (qui: \"%1\")";
// %1: one kListItem per field.
inline constexpr wchar_t kFieldsWithControlCharacters[] =
    L"L'indirizzo non è stato configurato: questi campi contengono caratteri di controllo (per esempio una "
    L"tabulazione o un a capo incollati), che un account non può contenere:%1\nCorreggi i campi indicati e riprova.";
// %1: the address; %2: one kListItem per value.
inline constexpr wchar_t kSettingsNotRemoved[] =
    L"L'indirizzo \"%1\" non è stato configurato completamente. Non è stato possibile togliere queste impostazioni "
    L"del provider scelto in precedenza:%2";
// After kAddedIncompletely; %1: one kListItem per value.
inline constexpr wchar_t kAlsoSettingsNotRemoved[] =
    L"\nNon è stato possibile nemmeno togliere queste impostazioni del provider scelto in precedenza:%1";
// %1: the domain field's text.
inline constexpr wchar_t kDomainWithAt[] =
    L"L'indirizzo non è stato configurato: nel campo Dominio scrivi solo la parte dell'indirizzo che segue "
    L"\"@\" (qui: \"%1\"). Il programma mette da sé \"@\" fra lo username e il dominio.";

// ---- A preset that fills and locks fields no account can take: the user can
// ---- correct nothing, the provider must.
// %1: the provider's name; %2: one kListItem per kFault* text.
inline constexpr wchar_t kPresetFieldsWrong[] =
    L"L'indirizzo non è stato configurato: le impostazioni del provider «%1» sono errate:%2\n"
    L"Questi campi sono compilati dal provider e non si possono modificare. Segnala il problema al provider.";
// What is wrong with a field a preset fills; %1: the field's name.
inline constexpr wchar_t kFaultControlCharacter[] =
    L"il campo %1 contiene un carattere di controllo (per esempio una tabulazione)";
// %2: one kCharacterOutsideAnsi per character.
inline constexpr wchar_t kFaultOutsideAnsi[] =
    L"il campo %1 contiene caratteri che la codifica del sistema non può rappresentare:%2";
inline constexpr wchar_t kFaultAt[] = L"il campo %1 contiene il carattere \"@\"";
inline constexpr wchar_t kFaultBackslash[] = L"il campo %1 contiene il carattere \"\\\"";
// %2: the longest address, in characters.
inline constexpr wchar_t kFaultTooLong[] =
    L"il campo %1 è troppo lungo: lo username e il dominio insieme possono avere al massimo %2 caratteri";

// Stands for the part of a long value that a message leaves out.
inline constexpr wchar_t kLeftOut[] = L"…";

// A value as a message shows it. A message box grows with its text: under Wine
// the removal question about an address of 20,000 characters (another
// program's account) ran off the screen, buttons and all. So a value longer
// than kMaxShownValue characters keeps its start and its end (the domain, the
// " (Default)" mark) with kLeftOut between; a character is never cut in two,
// and a control character, which would break the line, shows as a space. What
// is done with the value (what is written, what is deleted) uses the whole of it.
inline constexpr std::size_t kMaxShownValue = 60;
std::wstring ShownInMessage(std::wstring_view value);

// The format with each %1 to %9 replaced by the value in that place; a
// placeholder without a value gives nothing, any other "%" stays. The values
// are inserted as they are: a "%1" inside a value is not replaced again.
std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> values);

}  // namespace qb::texts
