#pragma once
// Help context numbers: F1 on a control opens the topic of its number. The
// help project's [MAP] includes this file (help/Quillbeck.hhp), and the help
// compiler (chmcmd) reads it line by line: every #define here needs its
// [ALIAS] entry there (a name without one stops the compiler), and a line is
// "#define IDH_NAME number" and nothing more (anything after the number turns
// it into no context at all). "Nome (Alias)" and the "Chiudi" button share one
// number.
#define IDH_LISTA 10001
#define IDH_RIMUOVI 10002
#define IDH_PROVIDER 10003
#define IDH_USERNAME 10004
#define IDH_DOMINIO 10005
#define IDH_SERVER_ARRIVO 10006
#define IDH_SERVER_SMTP 10007
#define IDH_NOME_CHIUDI 10008
#define IDH_AGGIUNGI 10009
